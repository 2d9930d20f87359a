#!/usr/bin/env bash
# Times the cross-built tessel-import.exe under Wine against the Linux build on the same
# generated exports, stage by stage (see bench/compare_windows.py). Builds both first.
# BENCH_ARGS passes options to compare_windows.py, e.g. BENCH_ARGS="--rounds 3".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
windows_build=${WINDOWS_BUILD_DIR:-$root/build-windows}

"$root/scripts/build.sh" -DBUILD_BENCH=ON
source "$root/scripts/windows-env.sh"
cmake -S "$root" -B "$windows_build" "${windows_cmake_options[@]}"
cmake --build "$windows_build" --parallel "$(nproc)" --target tessel-import importer_agilent
# shellcheck disable=SC2086
/usr/bin/python3 "$root/bench/compare_windows.py" --tool "$build/tools/tessel-import/tessel-import" \
  --windows-tool "$windows_build/bin/tessel-import.exe" --wine "$TESSEL_WINE" \
  --generator "$build/bench/generate-export" ${BENCH_ARGS:-}
