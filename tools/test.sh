#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
export SDL_VIDEODRIVER=dummy
if ! ctest --test-dir build --output-on-failure -j "$(nproc)"; then
  # A test that fails again on its own fails the run; one that passes on
  # its own was disturbed by what ran beside it, and stays named above.
  echo "Running the failed tests again, one at a time:"
  ctest --test-dir build --output-on-failure --rerun-failed
fi
