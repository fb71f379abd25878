#!/usr/bin/env bash
# Milliseconds per load of earth.x (text, with its texture), room.3ds and a
# 100,000-triangle X file in text and in binary form (written here): the
# runtime's LoadAnimMesh against Irrlicht's getMesh of the same files, each
# side freeing what it loaded before the next load. The peer is built 32-bit
# like the runtime. Each figure is the least of three runs taken in turn,
# each run the best of five rounds of the given number of loads.
#   benchmarks/model_load_benchmark.sh
set -euo pipefail
cd "$(dirname "$0")/.."

. benchmarks/irrlicht_peer.sh
peer=$(build_peer irrlicht_load)
media=build/test-media
cmake -DMEDIA_DIR="$PWD/$media" -P tests/fetch_test_media.cmake
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/benchmarks/model_load_benchmark write "$work"

files=("$media/earth.x" 40 "$media/room.3ds" 2000 "$work/large_text.x" 5 "$work/large_binary.x" 10)
ours() { SDL_VIDEODRIVER=dummy build/benchmarks/model_load_benchmark "${files[@]}"; }
irrlicht() { "$peer" "${files[@]}"; }

for _ in 1 2 3; do
  ours | sed 's/^/runtime /'
  irrlicht | sed 's/^/irrlicht /'
done | awk '/ ms per load$/ {
  sub(":", "", $2); n = split($2, path, "/"); file = path[n]
  if (!(file in order)) { order[file] = ++files; name[files] = file }
  key = $1 SUBSEP file
  if (!(key in least) || $3 < least[key]) least[key] = $3
} END {
  for (f = 1; f <= files; ++f) {
    o = least["runtime", name[f]]; i = least["irrlicht", name[f]]
    printf "%-16s runtime %9.4f ms   irrlicht %9.4f ms   %.2fx as fast\n", name[f], o, i, i / o
  }
}'
