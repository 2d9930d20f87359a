#!/usr/bin/env bash
# Checks that every C++ source of the project is formatted as .clang-format says; lists the files
# that are not. With --fix, formats them instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh" clang-format-14
cd "$root"
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format-14 -i "${sources[@]}"
  exit 0
fi
unformatted=()
for file in "${sources[@]}"; do
  if ! clang-format-14 --dry-run -Werror "$file" >/dev/null 2>&1; then
    unformatted+=("$file")
  fi
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (scripts/check-format.sh --fix formats them):"
  printf '  %s\n' "${unformatted[@]}"
  exit 1
fi
echo "All ${#sources[@]} C++ sources are formatted."
