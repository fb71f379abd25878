#!/usr/bin/env bash
# Collisions against Irrlicht on the same level (programs/collision_level.h:
# a mesh of 98,504 triangles with floor, ramps and walls): the time of one
# UpdateWorld sliding 500 ellipsoids over and against it, and LinePicks per
# second of 100,000 rays into it, against Irrlicht's ellipsoid collision
# response and ray queries on an octree triangle selector of the same
# triangles. The peer is built 32-bit like the runtime. Each figure is the
# best of three runs taken in turn.
#   benchmarks/collision_benchmark.sh [updates]
set -euo pipefail
cd "$(dirname "$0")/.."
updates=${1:-300}

. benchmarks/irrlicht_peer.sh
peer=$(build_peer irrlicht_collision benchmarks/programs/collision_level.h)

ours() {
  VX_DEBUG=1 VX_UPDATES=$updates SDL_VIDEODRIVER=dummy build/src/vxrun build/benchmarks/collision_scene.vxm 2>&1
}
figure() { sed -n "s/^$1: \([0-9.e+]*\).*/\1/p" | tail -1; }

ou=() op=() iu=() ip=()
for _ in 1 2 3; do
  out=$(ours); peer_out=$("$peer" "$updates")
  ou+=("$(figure 'runtime update' <<<"$out")") op+=("$(figure 'runtime picks' <<<"$out")")
  iu+=("$(figure 'irrlicht update' <<<"$peer_out")") ip+=("$(figure 'irrlicht picks' <<<"$peer_out")")
done
grep -E 'mean height|rays hit' <<<"$out"
grep -E 'mean height|rays hit' <<<"$peer_out"
least() { printf '%s\n' "$@" | sort -g | head -1; }
most() { printf '%s\n' "$@" | sort -g | tail -1; }
awk -v ou="$(least "${ou[@]}")" -v iu="$(least "${iu[@]}")" -v op="$(most "${op[@]}")" -v ip="$(most "${ip[@]}")" 'BEGIN {
  printf "UpdateWorld, 500 ellipsoids: runtime %7.2f ms   irrlicht %7.2f ms   (%.2fx)\n", ou, iu, iu / ou
  printf "LinePick, 100,000 rays:      runtime %7.0f /s   irrlicht %7.0f /s   (%.2fx)\n", op, ip, op / ip }'
