#!/usr/bin/env bash
# Terrains: frames per second of RenderWorld plus Flip at 640x480x32 through
# Mesa's llvmpipe along a camera path circling a 4096-unit field, over a
# generated 1024 by 1024 heightmap and over the media heightmap (256 by 256)
# scaled up, at detail levels 2,000 and 10,000, against Irrlicht's terrain
# scene node over the same landscape, texture and filtering along the same
# path. Irrlicht culls whole patches, so that most of the triangles it
# submits lie outside the view: its level of detail reaches as far as
# brings the triangles it has in view (a corner inside every plane of the
# view volume) near the runtime's. Each row gives, for both sides, the
# triangles submitted and in view a frame; for the runtime, the processor
# time of its tessellation a frame as well. After them, the time of one
# UpdateWorld sliding the 200 ellipsoids of programs/terrain_slide.h over
# the generated field, against Irrlicht's ellipsoid collision response on
# its terrain triangle selector. Each rate is the best of three runs taken
# in turn.
#   benchmarks/terrain_benchmark.sh [frames] [updates]
# With TERRAIN_SHOTS=dir, the first frame of each side is saved there for
# setting side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-200}
updates=${2:-300}

. benchmarks/irrlicht_peer.sh
peer=$(build_peer irrlicht_terrain benchmarks/peers/irrlicht_landscape.h)
slide_peer=$(build_peer irrlicht_terrain_slide benchmarks/programs/terrain_slide.h benchmarks/peers/irrlicht_landscape.h)
media=build/test-media
[ -e $media/terrain-heightmap.bmp ] || cmake -DMEDIA_DIR=$media -P tests/fetch_test_media.cmake
generated=build/benchmarks/terrain-1024.bmp
tessellation=$(build/benchmarks/terrain_benchmark $media/terrain-heightmap.bmp $generated)

texture=$media/terrain-texture.jpg
shots=${TERRAIN_SHOTS:-}
[ -z "$shots" ] || mkdir -p "$shots"
# "<fps> <submitted> [<in view>]" from a side's line.
field() { sed -n 's/.*: \([0-9.e+]*\) fps (\([0-9]*\) triangles[^0-9]*\([0-9]*\).*/\1 \2 \3/p' | tail -1; }
ours() {
  VX_DEBUG=1 VX_MAP=$1 VX_SCALE=$2 VX_DETAIL=$3 VX_TEXTURE=$texture VX_FRAMES=$frames SDL_VIDEODRIVER=dummy \
    VX_SHOT=${shots:+$shots/$4-$3-runtime.bmp} build/src/vxrun build/benchmarks/terrain_scenes.vxm 2>&1 | field
}
irrlicht() {
  xvfb-run -a -s "-screen 0 800x600x24" "$peer" "$1" $texture "$2" "$frames" "$3" ${shots:+$shots/$4-$5-irrlicht.bmp} | field
}

printf '%-24s | %-38s | %s\n' "" "runtime" "irrlicht opengl"
printf '%-17s %6s | %6s %9s %7s %13s | %6s %9s %7s | %s\n' map detail fps submitted "in view" "tessellation" \
  fps submitted "in view" ratio
# Each map with, per detail level, the reach of Irrlicht's finest level
# that brings its triangles in view close to the runtime's.
for map in "$generated 4 generated-1024 2000:48 10000:110" "$media/terrain-heightmap.bmp 16 heightmap-256x16 2000:177 10000:400"; do
  set -- $map
  for level in $4 $5; do
    detail=${level%:*} reach=${level#*:}
    o=() g=()
    for _ in 1 2 3; do
      o+=("$(ours "$1" "$2" $detail $3)")
      g+=("$(irrlicht "$1" "$2" $reach $3 $detail)")
    done
    tess=$(sed -n "s/^tessellation $3 detail $detail: \([0-9.]*\) ms.*, \([0-9]*\) in view.*/\1 \2/p" <<<"$tessellation")
    awk -v name="$3" -v d=$detail -v o="$(best "${o[@]}")" -v g="$(best "${g[@]}")" -v t="$tess" 'BEGIN {
      split(o, a, " "); split(g, b, " "); split(t, c, " ")
      printf "%-17s %6d | %6.1f %9d %7d %10.3f ms | %6.1f %9d %7d | %.2fx\n",
        name, d, a[1], a[2], c[2], c[1], b[1], b[2], b[3], a[1] / b[1] }'
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
