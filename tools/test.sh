#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, a bounded fuzz
# run of the record decoder, and the benchmarks (which print metric lines).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash tools/install-deps.sh

echo "== build and test"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/release -j"$jobs"
ctest --test-dir build/release --output-on-failure -j"$jobs" -LE bench

echo "== sanitizers"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DORBEK_SANITIZE=ON
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build/sanitize --output-on-failure -j"$jobs" -L unit

echo "== fuzz the record decoder"
CXX=clang++ cmake -S . -B build/fuzz -DORBEK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/fuzz -j"$jobs"
mkdir -p build/fuzz/corpus
build/fuzz/tests/fuzz/fuzz_decoder -max_total_time="${ORBEK_FUZZ_SECONDS:-30}" \
  -max_len=12 build/fuzz/corpus

echo "== benchmarks"
for bench in build/release/tests/bench_*; do
  [ -x "$bench" ] && "$bench"
done
echo "== all tests passed"
