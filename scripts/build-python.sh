#!/usr/bin/env bash
# Builds the wheels of the Python package tessel_agilent into dist/: one for Linux x86-64 (the
# native reader, the core and the plug-in of this build; Qt Core from the system, Debian's
# libqt5core5a) and one for Windows x86-64 (the cross-built DLLs with Qt Core and the compiler's
# run-time). --linux-only leaves the Windows one out.
#   pip install --no-index dist/tessel_agilent-*-linux_x86_64.whl
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$root/dist
version=$(sed -n 's/^project(tessel_agilent VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt").0

build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh"
stage=$build/python-stage
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" --strip >/dev/null
lib=$(find "$stage" -name 'libtessel_reader.so.2' -printf '%h\n' -quit)
python=/usr/bin/python3
"$python" "$root/python/make_wheel.py" --version "$version" --platform linux_x86_64 \
  --core "$lib/libtessel_core.so.2" --reader "$lib/libtessel_reader.so.2" \
  --plugin "$lib/tessel/plugins/libimporter_agilent.so" --out "$dist"

if [ "${1:-}" = "--linux-only" ]; then
  exit 0
fi
windows_build=${WINDOWS_BUILD_DIR:-$root/build-windows}
source "$root/scripts/windows-env.sh"
cmake -S "$root" -B "$windows_build" "${windows_cmake_options[@]}"
cmake --build "$windows_build" --parallel "$(nproc)" --target tessel_reader importer_agilent
# The DLLs without their debugging sections, as an installed program has them.
windows_stage=$windows_build/python-stage
rm -rf "$windows_stage"
mkdir -p "$windows_stage/plugins"
cp "$windows_build/bin/libtessel_core.dll" "$windows_build/bin/tessel_reader.dll" \
   "$windows_qt/bin/Qt5Core.dll" "$gcc_runtime/libstdc++-6.dll" "$gcc_runtime/libgcc_s_seh-1.dll" \
   "$pthread_runtime/libwinpthread-1.dll" "$windows_stage/"
cp "$windows_build/plugins/importer_agilent.dll" "$windows_stage/plugins/"
x86_64-w64-mingw32-strip --strip-debug "$windows_stage"/*.dll "$windows_stage"/plugins/*.dll
"$python" "$root/python/make_wheel.py" --version "$version" --platform win_amd64 \
  --core "$windows_stage/libtessel_core.dll" --reader "$windows_stage/tessel_reader.dll" \
  --plugin "$windows_stage/plugins/importer_agilent.dll" \
  --dll "$windows_stage/Qt5Core.dll" --dll "$windows_stage/libstdc++-6.dll" \
  --dll "$windows_stage/libgcc_s_seh-1.dll" --dll "$windows_stage/libwinpthread-1.dll" \
  --out "$dist"
