#!/usr/bin/env bash
# Installs what is missing, builds, and runs the example program with the
# console debugger, so its log appears in the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
VX_DEBUG=1 build/src/vxrun build/examples/hello.vxm "$@"
