#!/usr/bin/env bash
# A fly-through of the level 20kdm2 at 640x480x32 through Mesa's llvmpipe:
# the load time and the frames per second of RenderWorld plus Flip along a
# fixed camera path (programs/bsp_path.h), against Irrlicht loading the
# archive map-20kdm2.pk3 with its Quake III loader under an octree node and
# drawing the same path with its OpenGL driver (under Xvfb). The peer is
# built 32-bit like the runtime, so both draw through the same Mesa. Each
# figure is the best of three runs taken in turn.
#   benchmarks/bsp_benchmark.sh [frames]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-600}

. benchmarks/irrlicht_peer.sh
media=build/test-media
cmake -DMEDIA_DIR="$PWD/$media" -P tests/fetch_test_media.cmake
peer=$(build_peer irrlicht_bsp benchmarks/programs/bsp_path.h)

field() { sed -n "s/.*$1.*/\\1/p" | tail -1; }
ours() {
  VX_DEBUG=1 VX_LEVEL="$media/20kdm2/maps/20kdm2.bsp" VX_FRAMES=$frames SDL_VIDEODRIVER=dummy \
    build/src/vxrun build/benchmarks/bsp_flythrough.vxm 2>&1
}
irrlicht() { xvfb-run -a -s "-screen 0 800x600x24" "$peer" "$media/map-20kdm2.pk3" "$frames"; }
least() { printf '%s\n' "$@" | sort -g | head -1; }

of=() ol=() pf=() pl=()
for _ in 1 2 3; do
  o=$(ours) i=$(irrlicht)
  of+=("$(field ' \([0-9.e+]*\) fps' <<<"$o")") ol+=("$(field 'load \([0-9.]*\) ms' <<<"$o")")
  pf+=("$(field ' \([0-9.e+]*\) fps' <<<"$i")") pl+=("$(field 'load \([0-9.]*\) ms' <<<"$i")")
  tris=$(field '(\([0-9]*\) triangles' <<<"$o") itris=$(field '(\([0-9]*\) triangles' <<<"$i")
done
awk -v of="$(best "${of[@]}")" -v pf="$(best "${pf[@]}")" -v ol="$(least "${ol[@]}")" -v pl="$(least "${pl[@]}")" \
    -v t="$tris" -v it="$itris" 'BEGIN {
  printf "20kdm2  runtime %6.1f fps, load %5.0f ms (%s triangles a frame)\n", of, ol, t
  printf "        irrlicht %5.1f fps, load %5.0f ms (%s triangles a frame)\n", pf, pl, it
  printf "        %.2fx the frame rate, %.2fx the load time\n", of / pf, ol / pl }'
