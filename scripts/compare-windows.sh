#!/usr/bin/env bash
# Checks the Windows package against the Linux build: the zip unpacked into a fresh Wine prefix,
# with nothing else set up, must write the same JSON report (paths aside) and the same exported
# CSV bytes as the Linux tessel-import, for every real export in ../shared/realdata (or the
# bundled examples when it is missing), under several time zones. Run after scripts/test.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linux_tool=${BUILD_DIR:-$root/build}/tools/tessel-import/tessel-import
source "$root/scripts/windows-env.sh"
zip=$("$root/scripts/package-windows.sh" | tail -n 1)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
windows_tool=$(echo "$work"/tessel-import-*/bin/tessel-import.exe)
# A prefix of its own, and none of the build's run-time paths: the package must carry its DLLs.
export WINEPREFIX=$work/wine
unset WINEPATH
"$TESSEL_WINE" wineboot --init >/dev/null 2>&1

inputs=$root/../shared/realdata
[ -d "$inputs" ] || inputs=$root/examples
cd "$inputs"
mapfile -t exports < <(find . -name '*.csv' | sort)
: >"$work/empty.ini"
failures=0
for zone in UTC Europe/Berlin Australia/Sydney; do
  for system in linux windows; do
    out=$work/$system/${zone//\//_}
    mkdir -p "$out"
    if [ $system = linux ]; then
      tool=("$linux_tool")
    else
      tool=("$TESSEL_WINE" "$windows_tool")
    fi
    # Failing exports count too: both systems must fail the same way.
    "${tool[@]}" --settings "$work/empty.ini" --timezone "$zone" --json --export "$out/tables" \
      "${exports[@]}" >"$out/report.json" 2>"$out/stderr" || true
    # Paths aside: Wine's drive letter for the root folder, the inputs' folder as either system
    # writes it (one resolves links, the other not), and the package's own place.
    sed -e 's#Z:/#/#g' -e "s#$(pwd -P)/#<inputs>/#g" -e "s#$(pwd -L)/#<inputs>/#g" \
      -e "s#$work/windows#$work/linux#g" "$out/report.json" >"$out/paths-aside.json"
  done
  linux=$work/linux/${zone//\//_}
  windows=$work/windows/${zone//\//_}
  tables=$(find "$linux/tables" -name '*.csv' 2>/dev/null | wc -l)
  if [ "$tables" -gt 0 ] && cmp -s "$linux/paths-aside.json" "$windows/paths-aside.json" &&
     diff -r "$linux/tables" "$windows/tables" >/dev/null; then
    echo "$zone: ${#exports[@]} exports, $tables tables: the same JSON and CSV bytes on Linux and Windows"
  else
    echo "$zone: Linux and Windows differ"
    diff "$linux/paths-aside.json" "$windows/paths-aside.json" | head -n 20 || true
    diff -rq "$linux/tables" "$windows/tables" | head -n 20 || true
    failures=$((failures + 1))
  fi
done
echo "Linux and Windows agree under $((3 - failures)) of 3 zones"
[ $failures -eq 0 ]
