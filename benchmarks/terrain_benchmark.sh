#!/usr/bin/env bash
# Terrains: frames per second of RenderWorld plus Flip at 640x480x32 through
# Mesa's llvmpipe along a camera path circling a 4096-unit field, over a
# generated 1024 by 1024 heightmap and over the media heightmap (256 by 256)
# scaled up, at detail levels 2,000 and 10,000, against Irrlicht's terrain
# scene node over the same heightmaps along the same path (its own level of
# detail, reaching as far as brings its triangles near the runtime's; both
# counts are printed). Before them, the tessellation time a frame; after
# them, the time of one UpdateWorld sliding the 200 ellipsoids of
# programs/terrain_slide.h over the generated field, against Irrlicht's
# ellipsoid collision response on its terrain triangle selector. Each
# figure is the best of three runs taken in turn.
#   benchmarks/terrain_benchmark.sh [frames] [updates]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-200}
updates=${2:-300}

. benchmarks/irrlicht_peer.sh
peer=$(build_peer irrlicht_terrain)
slide_peer=$(build_peer irrlicht_terrain_slide benchmarks/programs/terrain_slide.h)
media=build/test-media
[ -e $media/terrain-heightmap.bmp ] || cmake -DMEDIA_DIR=$media -P tests/fetch_test_media.cmake
generated=build/benchmarks/terrain-1024.bmp
build/benchmarks/terrain_benchmark $media/terrain-heightmap.bmp $generated

texture=$media/terrain-texture.jpg
field() { sed -n 's/.*: \([0-9.e+]*\) fps (\([0-9]*\) triangles.*/\1 \2/p' | tail -1; }
ours() {
  VX_DEBUG=1 VX_MAP=$1 VX_SCALE=$2 VX_DETAIL=$3 VX_TEXTURE=$texture VX_FRAMES=$frames SDL_VIDEODRIVER=dummy \
    build/src/vxrun build/benchmarks/terrain_scenes.vxm 2>&1 | field
}
irrlicht() { xvfb-run -a -s "-screen 0 800x600x24" "$peer" "$1" $texture "$2" "$frames" "$3" | field; }

# Each map with, per detail level, the reach that brings Irrlicht's triangles
# close to the runtime's.
for map in "$generated 4 generated-1024 2000:25 10000:65" "$media/terrain-heightmap.bmp 16 heightmap-256x16 2000:150 10000:310"; do
  set -- $map
  for level in $4 $5; do
    detail=${level%:*} reach=${level#*:}
    o=() g=()
    for _ in 1 2 3; do
      o+=("$(ours "$1" "$2" $detail)")
      g+=("$(irrlicht "$1" "$2" $reach)")
    done
    awk -v name="$3" -v d=$detail -v o="$(best "${o[@]}")" -v g="$(best "${g[@]}")" 'BEGIN {
      split(o, a, " "); split(g, b, " ")
      printf "%-18s detail %5d: runtime %6.1f fps (%6d triangles)   irrlicht opengl %6.1f fps (%6d triangles)   %.2fx\n",
        name, d, a[1], a[2], b[1], b[2], a[1] / b[1] }'
  done
done

slides=() peer_slides=()
for _ in 1 2 3; do
  out=$(VX_DEBUG=1 VX_MAP=$generated VX_SCALE=4 VX_UPDATES=$updates SDL_VIDEODRIVER=dummy \
    build/src/vxrun build/benchmarks/terrain_slide.vxm 2>&1)
  peer_out=$("$slide_peer" $generated 4 "$updates")
  slides+=("$(sed -n 's/^runtime update: \([0-9.e+]*\).*/\1/p' <<<"$out")")
  peer_slides+=("$(sed -n 's/^irrlicht update: \([0-9.e+]*\).*/\1/p' <<<"$peer_out")")
done
grep 'mean height' <<<"$out"
grep 'mean height' <<<"$peer_out"
least() { printf '%s\n' "$@" | sort -g | head -1; }
awk -v o="$(least "${slides[@]}")" -v g="$(least "${peer_slides[@]}")" 'BEGIN {
  printf "UpdateWorld, 200 ellipsoids sliding on generated-1024: runtime %7.2f ms   irrlicht %7.2f ms   (%.2fx)\n",
    o, g, g / o }'
