#!/usr/bin/env bash
# Builds everything and runs the whole test suite through CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/build.sh" -DBUILD_TESTING=ON
cd "$build"
ctest --output-on-failure --parallel "$(nproc)"
