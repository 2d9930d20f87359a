#!/usr/bin/env bash
# Builds everything and imports the bundled example acquisition with tessel-import.
# Arguments go to tessel-import; without a path among them the bundled example is imported (the
# tool itself wants a path).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

# A path is an argument that is neither an option nor an option's value (the options of
# tessel-import --help that take one), or anything after "--"; the modes that import nothing
# take no path.
example=("$root/examples/GlassStd_01.d")
value_next=no paths_only=no
for argument in "$@"; do
  if [[ $value_next == yes ]]; then
    value_next=no
    continue
  fi
  case $paths_only/$argument in
    no/--plugin-dir | no/--export | no/--timezone | no/--settings | no/--set | no/--jobs | \
      no/--plot | no/--plot-size | no/--plot-format | no/--channels) value_next=yes ;;
    no/-h | no/--help | no/--version | no/--list-importers | no/--detect | no/--show-settings)
      example=() ;;
    no/--) paths_only=yes ;;
    no/-*) ;;
    *) example=() ;;
  esac
done

"$root/scripts/build.sh" >&2
exec "$build/tools/tessel-import/tessel-import" "$@" "${example[@]}"
