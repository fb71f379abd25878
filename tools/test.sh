#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
export SDL_VIDEODRIVER=dummy
ctest --test-dir build --output-on-failure -j "$(nproc)"
