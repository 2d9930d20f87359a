#!/usr/bin/env bash
# Runs the Windows tessel-import under Wine with its DLLs and plug-ins found, cross-building it
# first when needed: scripts/run-windows.sh --json examples/GlassStd_01.d
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WINDOWS_BUILD_DIR:-$root/build-windows}
source "$root/scripts/windows-env.sh" >&2

if [ ! -f "$build/bin/tessel-import.exe" ]; then
  cmake -S "$root" -B "$build" "${windows_cmake_options[@]}" >&2
  cmake --build "$build" --parallel "$(nproc)" --target tessel-import importer_agilent >&2
fi
exec "$TESSEL_WINE" "$build/bin/tessel-import.exe" "$@"
