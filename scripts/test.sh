#!/usr/bin/env bash
# Builds everything (the benchmarks too, so that they keep compiling) and runs the whole test
# suite through CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" libbenchmark-dev
"$root/scripts/build.sh" -DBUILD_TESTING=ON -DBUILD_BENCH=ON
cd "$build"
ctest --output-on-failure --parallel "$(nproc)"
