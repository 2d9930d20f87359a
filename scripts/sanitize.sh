#!/usr/bin/env bash
# The sanitizer builds, with clang: the whole test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, where CTest also replays every fuzz target's seeds and
# regression inputs; each fuzz target fuzzing for a while (FUZZ_SECONDS, default 60); and the
# concurrency stress test, the fast-path tests (tables read on several threads) and the tool's
# tests (batches imported and tables exported on several threads) under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
asan_build=${ASAN_BUILD_DIR:-$root/build-asan}
tsan_build=${TSAN_BUILD_DIR:-$root/build-tsan}
fuzz_seconds=${FUZZ_SECONDS:-60}

"$root/scripts/setup.sh" clang libclang-rt-14-dev
export CC=clang CXX=clang++
export ASAN_OPTIONS=detect_leaks=1
# Only leaks inside Qt itself are suppressed (see the file).
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Qt is not instrumented: its own memory accesses (through memcpy and the like) are not judged.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON)

echo "== AddressSanitizer and UndefinedBehaviorSanitizer: the test suite and the fuzz replays"
cmake -S "$root" -B "$asan_build" "${flags[@]}" -DBUILD_FUZZERS=ON \
  "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
  "-DCMAKE_C_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake --build "$asan_build" --parallel "$(nproc)"
(cd "$asan_build" && ctest --output-on-failure --parallel "$(nproc)")

echo "== Fuzzing each target for $fuzz_seconds s"
for fuzzer in fuzz_text fuzz_xml_reader fuzz_import_csv fuzz_import_folder; do
  case $fuzzer in
    fuzz_text) max_len=65536 ;;
    *) max_len=262144 ;;
  esac
  corpus=$(mktemp -d)
  artifacts=$asan_build/fuzz/artifacts/$fuzzer
  mkdir -p "$artifacts"
  # New inputs go to a scratch corpus; the seeds (regression inputs among them) are only read.
  (cd "$asan_build/fuzz" && TZ=Europe/Berlin "./$fuzzer" -max_total_time="$fuzz_seconds" \
    -rss_limit_mb=2048 -timeout=10 -max_len="$max_len" -dict="$root/fuzz/agilent.dict" \
    -artifact_prefix="$artifacts/" -print_final_stats=1 \
    "$corpus" "seeds/$fuzzer")
  rm -rf "$corpus"
done

echo "== ThreadSanitizer: the concurrency stress test, the reading on several threads, the tool"
cmake -S "$root" -B "$tsan_build" "${flags[@]}" \
  "-DCMAKE_CXX_FLAGS=-fsanitize=thread -fno-omit-frame-pointer"
cmake --build "$tsan_build" --parallel "$(nproc)" --target tst_concurrency tst_fastpaths \
  tst_tesselimport
(cd "$tsan_build" && ctest --output-on-failure --repeat until-fail:5 -R '^tst_concurrency@')
(cd "$tsan_build" && ctest --output-on-failure -R '^tst_fastpaths@|^tst_tesselimport@Europe')
