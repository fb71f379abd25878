#!/usr/bin/env bash
# Frames per second of RenderWorld plus Flip at 640x480x32 through Mesa's
# llvmpipe with a particle field of 10,000 sprites of one texture added onto
# the scene, against Irrlicht drawing the same field as billboards with its
# OpenGL driver (under Xvfb). The peer is built 32-bit like the runtime, so
# both draw through the same Mesa. Each figure is the best of three runs
# taken in turn.
#   benchmarks/sprite_benchmark.sh [frames]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-100}

. benchmarks/irrlicht_peer.sh
media=build/test-media
cmake -DMEDIA_DIR="$media" -P tests/fetch_test_media.cmake
peer=$(build_peer irrlicht_billboards)

ours() {
  VX_DEBUG=1 VX_FRAMES=$frames VX_PARTICLE="$media/particle.bmp" SDL_VIDEODRIVER=dummy \
    build/src/vxrun build/benchmarks/sprite_field.vxm 2>&1 | fps
}
irrlicht() { xvfb-run -a -s "-screen 0 800x600x24" "$peer" opengl "$media/particle.bmp" "$frames" | fps; }

o=() g=()
for _ in 1 2 3; do
  o+=("$(ours)") g+=("$(irrlicht)")
done
awk -v o="$(best "${o[@]}")" -v g="$(best "${g[@]}")" 'BEGIN {
  printf "sprites runtime %6.1f fps   irrlicht opengl %6.1f fps (%.2fx)\n", o, g, o / g }'
