#!/usr/bin/env bash
# Builds with the benchmarks, runs the stage benchmark and the side-by-side comparison with
# pandas.read_csv and numpy.loadtxt on generated exports (see bench/compare.py).
# BENCH_ARGS passes options to compare.py, e.g. BENCH_ARGS="--rounds 3 --skip-numpy"; then the
# Python package against pandas (bench/compare_python.py, options in BENCH_PYTHON_ARGS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh" libbenchmark-dev python3-pandas python3-numpy
"$root/scripts/build.sh" -DBUILD_BENCH=ON
"$build/bench/bench_import" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
# shellcheck disable=SC2086
/usr/bin/python3 "$root/bench/compare.py" --tool "$build/tools/tessel-import/tessel-import" \
  --generator "$build/bench/generate-export" --floor "$build/bench/floor" ${BENCH_ARGS:-}
# shellcheck disable=SC2086
/usr/bin/python3 "$root/bench/compare_python.py" \
  --reader-library "$build/src/reader/libtessel_reader.so" \
  --generator "$build/bench/generate-export" ${BENCH_PYTHON_ARGS:-}
