#!/usr/bin/env bash
# Frames per second of UpdateWorld, RenderWorld and Flip at 640x480x32
# through Mesa's llvmpipe with 200 animated copies of sydney.md2 in view,
# against Irrlicht's animated MD2 nodes of the same file with its OpenGL
# driver (under Xvfb). The peer is built 32-bit like the runtime, so both
# draw through the same Mesa. Each figure is the best of three runs taken
# in turn.
#   benchmarks/md2_benchmark.sh [frames]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-50}

. benchmarks/irrlicht_peer.sh
peer=$(build_peer irrlicht_md2)
media=build/test-media
cmake -DMEDIA_DIR="$PWD/$media" -P tests/fetch_test_media.cmake

ours() {
  VX_DEBUG=1 VX_MEDIA="$media" VX_FRAMES=$frames SDL_VIDEODRIVER=dummy \
    build/src/vxrun build/benchmarks/md2_scene.vxm 2>&1 | fps
}
irrlicht() { xvfb-run -a -s "-screen 0 800x600x24" "$peer" "$media" "$frames" | fps; }

o=() i=()
for _ in 1 2 3; do
  o+=("$(ours)") i+=("$(irrlicht)")
done
awk -v o="$(best "${o[@]}")" -v i="$(best "${i[@]}")" 'BEGIN {
  printf "md2    runtime %6.1f fps   irrlicht opengl %6.1f fps (%.2fx)\n", o, i, o / i }'
