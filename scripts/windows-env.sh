# Sourced by the Windows scripts: installs the cross compiler and Wine when missing, gets Qt 5.15
# for MinGW-w64 into a cache outside the tree, and exports what a cross-build and Wine need.
#   TESSEL_WINDOWS_CACHE  the cache (default: ~/.cache/tessel-windows)
#   TESSEL_QT_ARCHIVE     a ready Qt archive (default: ../shared/toolchains/qt-5.15.8-mingw-w64.tar.xz)

windows_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
windows_cache=${TESSEL_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tessel-windows}
windows_qt=$windows_cache/qt5-mingw64
qt_archive=${TESSEL_QT_ARCHIVE:-$windows_root/../shared/toolchains/qt-5.15.8-mingw-w64.tar.xz}

"$windows_root/scripts/setup.sh" g++-mingw-w64-x86-64-posix wine xz-utils zip unzip
mkdir -p "$windows_cache"

if [ ! -f "$windows_qt/lib/cmake/Qt5Core/Qt5CoreConfig.cmake" ]; then
  if [ -f "$qt_archive" ]; then
    echo "Unpacking $qt_archive into $windows_cache"
    tar -xJf "$qt_archive" -C "$windows_cache"
  else
    echo "No Qt archive at $qt_archive: building Qt for MinGW-w64 from Debian's sources"
    "$windows_root/scripts/build-qt-mingw.sh" "$windows_qt"
  fi
fi

# Armadillo and fast_float are header-only for us: their folders alone, never all of
# /usr/include, whose C library headers would shadow MinGW's.
windows_headers=$windows_cache/headers
mkdir -p "$windows_headers"
for header in armadillo armadillo_bits fast_float; do
  ln -sfn "/usr/include/$header" "$windows_headers/$header"
done

# The compiler's run-time DLLs.
gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
pthread_runtime=/usr/x86_64-w64-mingw32/lib

# Wine's 64-bit loader itself: the wine launcher asks for the 32-bit one on every start.
export TESSEL_WINE=/usr/lib/wine/wine64
[ -x "$TESSEL_WINE" ] || TESSEL_WINE=$(command -v wine)
export WINEPREFIX=$windows_cache/wine
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making a Wine prefix in $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver -w # the prefix's registry is written when its server ends
fi
# One Wine server for all the programs of a run, gone a minute after the last (unless one runs).
wineserver -p60 2>/dev/null || true
export WINEPATH="$(winepath -w "$windows_qt/bin");$(winepath -w "$gcc_runtime");$(winepath -w "$pthread_runtime")"
# Wine hands no QT_ variable of the caller to a Windows program: Qt's plug-ins, its platform
# and the fonts of the off-screen pictures go into the prefix's own environment instead.
qt_environment=$windows_cache/qt-environment.reg
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Environment]\r\n'
  for setting in "QT_PLUGIN_PATH=$windows_qt/plugins" \
                 "QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu"; do
    value=$(winepath -w "${setting#*=}")
    printf '"%s"="%s"\r\n' "${setting%%=*}" "${value//\\/\\\\}"
  done
  printf '"QT_QPA_PLATFORM"="offscreen"\r\n'
} >"$qt_environment"
"$TESSEL_WINE" regedit /S "$(winepath -w "$qt_environment")"

windows_cmake_options=(
  -DCMAKE_TOOLCHAIN_FILE="$windows_root/cmake/mingw-w64-x86_64.cmake"
  -DCMAKE_PREFIX_PATH="$windows_qt"
  -DARMADILLO_INCLUDE_DIRS="$windows_headers"
  -DFAST_FLOAT_INCLUDE_DIR="$windows_headers"
  -DCMAKE_BUILD_TYPE=Release)
