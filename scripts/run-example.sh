#!/usr/bin/env bash
# Builds everything and imports the bundled example acquisition with tessel-import.
# Arguments go to tessel-import (default: the bundled example).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/build.sh" >&2
exec "$build/tools/tessel-import/tessel-import" "$@"
