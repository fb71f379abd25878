#!/usr/bin/env bash
# Coverage-guided fuzzing of one file reader (tools/fuzz/loaders.cpp) under
# the address and undefined-behaviour sanitizers, for maintainers; not part
# of the tests. Builds the runtime with clang into build-fuzz/, seeds the
# corpus from the test media and the test modules, and runs libFuzzer for
# the given seconds. Inputs that break a reader are written to
# build-fuzz/faults/; the corpus grows in build-fuzz/corpus/FORMAT.
#   tools/fuzz.sh x|xmesh|3ds|v3d|md2|bsp|module|pe [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
format=${1:?format: x, xmesh, 3ds, v3d, md2, bsp, module or pe}
seconds=${2:-300}

tools/install-deps.sh
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${db:Status-Status}\n' "$p" 2>/dev/null | grep -qx installed ||
    apt-get install -y --no-install-recommends "$p" >/dev/null
done

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_FLAGS=-m32 \
  -DCMAKE_CXX_FLAGS="$sanitizers -fsanitize=fuzzer-no-link" >/dev/null
cmake --build build-fuzz --target vx_fuzz_loaders

# Seeds: the media files of each kind, and the modules the tests build.
cmake -DMEDIA_DIR="$PWD/build/test-media" -P tests/fetch_test_media.cmake
media=build/test-media
seeds=build-fuzz/seeds/$format
mkdir -p "$seeds" "build-fuzz/corpus/$format" build-fuzz/faults
case $format in
  x | xmesh) cp $media/earth.x "$seeds"/ ;;
  3ds) cp $media/room.3ds "$seeds"/ ;;
  md2) cp $media/gun.md2 "$seeds"/ ;;
  bsp) cp $media/20kdm2/maps/20kdm2.bsp "$seeds"/ ;;
  module) [ ! -d build/tests/modules ] || find build/tests/modules -maxdepth 1 -name '*.vxm' -exec cp {} "$seeds"/ \; ;;
esac

VX_FUZZ_FORMAT=$format build-fuzz/tools/vx_fuzz_loaders -max_total_time="$seconds" -malloc_limit_mb=256 \
  -rss_limit_mb=2048 -timeout=10 -artifact_prefix="build-fuzz/faults/$format-" \
  "build-fuzz/corpus/$format" "$seeds"
