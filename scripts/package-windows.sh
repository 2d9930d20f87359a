#!/usr/bin/env bash
# Makes tessel-import-<version>-windows-x86_64.zip in build-windows/: the tool, the core and the
# plug-in as installed, with the Qt and compiler run-time DLLs, the off-screen platform plug-in,
# fonts for the pictures, qt.conf, README and LICENSE. Unpacked anywhere it runs as it is:
#   <folder>\bin\tessel-import.exe --json <acquisition>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${WINDOWS_BUILD_DIR:-$root/build-windows}
source "$root/scripts/windows-env.sh"

cmake -S "$root" -B "$build" "${windows_cmake_options[@]}"
cmake --build "$build" --parallel "$(nproc)"
version=$(sed -n 's/^project(tessel_agilent VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=tessel-import-$version-windows-x86_64
stage=$build/package/$name
rm -rf "$build/package"
cmake --install "$build" --prefix "$stage" >/dev/null

# The DLLs the programs need, found beside Qt and the compiler.
for dll in Qt5Core Qt5Gui Qt5Svg; do
  cp "$windows_qt/bin/$dll.dll" "$stage/bin/"
done
cp "$gcc_runtime/libstdc++-6.dll" "$gcc_runtime/libgcc_s_seh-1.dll" \
   "$pthread_runtime/libwinpthread-1.dll" "$stage/bin/"
mkdir -p "$stage/bin/plugins/platforms" "$stage/bin/fonts"
cp "$windows_qt/plugins/platforms/qoffscreen.dll" "$stage/bin/plugins/platforms/"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf "$stage/bin/fonts/"
# Qt's plug-ins and the off-screen pictures' fonts (Qt's library folder + /fonts), beside the
# program.
printf '[Paths]\r\nPrefix = .\r\nPlugins = plugins\r\nLibraries = .\r\n' >"$stage/bin/qt.conf"
cp "$root/README.md" "$root/LICENSE" "$stage/"

rm -f "$build/$name.zip"
(cd "$build/package" && zip -qr "$build/$name.zip" "$name")
echo "$build/$name.zip"
