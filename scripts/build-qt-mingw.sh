#!/usr/bin/env bash
# Builds Qt 5.15's qtbase and qtsvg for Windows x86-64 from Debian's own source packages, with
# Debian's MinGW-w64 cross compiler (posix threads, which std::thread needs), into PREFIX.
# About 20 minutes on 2 cores; needs root for apt. scripts/windows-env.sh calls it when no
# ready archive is at hand.
#   scripts/build-qt-mingw.sh PREFIX
# Debian's qtbase source leaves out wintab.h, so the "windows" platform plug-in cannot be built;
# the programs here use "offscreen", which can. moc, rcc and qmake in PREFIX/bin are Linux programs.
set -euo pipefail
prefix=${1:?usage: build-qt-mingw.sh PREFIX}
work=$(mktemp -d)
jobs=$(nproc)
export DEBIAN_FRONTEND=noninteractive

# Source packages from the archive the binary packages come from.
sources=/etc/apt/sources.list.d/debian-src.sources
if [ ! -f "$sources" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$sources"
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64-posix dpkg-dev xz-utils \
  make perl python3 >/dev/null
cd "$work"
apt-get source --download-only qtbase-opensource-src qtsvg-opensource-src >/dev/null
for archive in qtbase-opensource-src_*.orig.tar.xz qtsvg-opensource-src_*.orig.tar.xz; do
  tar -xJf "$archive"
done

mkdir base && cd base
../qtbase-everywhere-src-*/configure -xplatform win32-g++ \
  -device-option CROSS_COMPILE=x86_64-w64-mingw32- -prefix "$prefix" -opensource \
  -confirm-license -release -strip -nomake examples -nomake tests -no-opengl -no-dbus -no-icu \
  -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -no-sql-sqlite \
  -no-sql-odbc -no-widgets -no-feature-network >configure.log
# The windows platform plug-in fails (no wintab.h): keep going, and check the parts we need.
make -k -j"$jobs" >make.log 2>&1 || true
make -k install >install.log 2>&1 || true
make install_mkspecs install_syncqt install_fixqt4headers \
  sub-qmake-qmake-aux-pro-install_subtargets >>install.log 2>&1
cd .. && mkdir svg && cd svg
"$prefix/bin/qmake" ../qtsvg-everywhere-src-*/qtsvg.pro >qmake.log
make -j"$jobs" >make.log 2>&1
make install >install.log 2>&1

for part in bin/Qt5Core.dll bin/Qt5Gui.dll bin/Qt5Test.dll bin/Qt5Svg.dll bin/moc bin/rcc \
            plugins/platforms/qoffscreen.dll lib/cmake/Qt5Core/Qt5CoreConfig.cmake \
            lib/cmake/Qt5Svg/Qt5SvgConfig.cmake; do
  [ -e "$prefix/$part" ] || { echo "missing $prefix/$part (the logs are in $work)"; exit 1; }
done
rm -rf "$work"
echo "Qt for MinGW-w64 in $prefix"
