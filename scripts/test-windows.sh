#!/usr/bin/env bash
# Cross-builds the core, the plug-in, the tool and the tests for Windows x86-64 into
# build-windows/ and runs every CTest entry under Wine, each under the same pinned time zones as
# on Linux.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WINDOWS_BUILD_DIR:-$root/build-windows}
source "$root/scripts/windows-env.sh"

cmake -S "$root" -B "$build" "${windows_cmake_options[@]}" -DBUILD_TESTING=ON "$@"
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
# One at a time: Wine keeps one system zone per prefix, and the tests pin different ones.
ctest --output-on-failure
