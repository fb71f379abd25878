#!/usr/bin/env bash
# Frames per second of RenderWorld plus Flip at 640x480x32 through Mesa's
# llvmpipe, in three scenes (one 10,000-triangle mesh, 1,000 cubes, the cubes
# half transparent), against Irrlicht drawing the same geometry with its
# OpenGL driver (under Xvfb) and its Burnings software renderer. The runtime
# runs headless and, like the peer, in a window under Xvfb. The peer is
# built 32-bit like the runtime, so both draw through the same Mesa. Each
# figure is the best of three runs taken in turn.
#   benchmarks/render_benchmark.sh [frames]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-200}

. benchmarks/irrlicht_peer.sh
peer=$(build_peer irrlicht_render)

ours() {
  VX_DEBUG=1 VX_SCENE=$1 VX_FRAMES=$frames SDL_VIDEODRIVER=dummy \
    build/src/vxrun build/benchmarks/render_scenes.vxm 2>&1 | fps
}
windowed() {
  xvfb-run -a -s "-screen 0 800x600x24" env VX_DEBUG=1 VX_SCENE=$1 VX_FRAMES=$frames \
    build/src/vxrun build/benchmarks/render_scenes.vxm 2>&1 | fps
}
# Irrlicht opens an X11 window for every driver.
irrlicht() { xvfb-run -a -s "-screen 0 800x600x24" "$peer" "$1" "$2" "$frames" | fps; }

for scene in mesh cubes alpha; do
  o=() w=() g=() b=()
  for _ in 1 2 3; do
    o+=("$(ours $scene)") w+=("$(windowed $scene)") g+=("$(irrlicht opengl $scene)") b+=("$(irrlicht burnings $scene)")
  done
  awk -v s=$scene -v o="$(best "${o[@]}")" -v w="$(best "${w[@]}")" -v g="$(best "${g[@]}")" \
      -v b="$(best "${b[@]}")" 'BEGIN {
    printf "%-6s runtime %6.1f fps, in a window %6.1f fps   irrlicht opengl %6.1f fps (%.2fx, %.2fx)   " \
      "burnings %6.1f fps (%.2fx)\n", s, o, w, g, o / g, w / g, b, o / b }'
done
