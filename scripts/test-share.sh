#!/usr/bin/env bash
# The tests' share of the code: non-blank lines of the sources (C++, C and Python) in tests/ and
# fuzz/ against those of src/, tools/, bench/, python/, tests/ and fuzz/ together.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() {
  git ls-files -- "${@/%//*.cpp}" "${@/%//*.h}" "${@/%//*.c}" "${@/%//*.py}" |
    xargs cat | grep -cv '^[[:space:]]*$'
}
tests=$(lines tests fuzz)
all=$(lines src tools bench python tests fuzz)
awk -v t="$tests" -v a="$all" 'BEGIN { printf "tests %d of %d non-blank lines: %.1f %%\n", t, a, 100 * t / a }'
