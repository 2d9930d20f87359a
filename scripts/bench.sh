#!/usr/bin/env bash
# Builds with the benchmarks, runs the stage benchmark and the side-by-side comparison with
# pandas.read_csv on a generated 100 MB export.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" libbenchmark-dev python3-pandas
"$root/scripts/build.sh" -DBUILD_BENCH=ON
"$build/bench/bench_import" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
/usr/bin/python3 "$root/bench/compare.py" --tool "$build/tools/tessel-import/tessel-import" \
  --generator "$build/bench/generate-export"
