#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs each of them for a bounded number of executions on a corpus seeded from the
# example files and the test fixtures.
#   scripts/fuzz.sh [RUNS]   (default 20000 executions per target)
# Crashing inputs are written to build-fuzz/crashes/; keep them as regression fixtures.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20000}

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKVD_FUZZ=ON -DKVD_SANITIZE=ON -DKVD_BUILD_TESTS=OFF -DKVD_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$(nproc)" --target fuzz_datafile fuzz_numbertext

work=build-fuzz/corpus
mkdir -p "$work/datafile" "$work/numbertext" build-fuzz/crashes
cp -n examples/* tests/data/* "$work/datafile/" 2>/dev/null || true
cp -n tests/fuzz/numbertext-seeds/* "$work/numbertext/" 2>/dev/null || true

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in datafile numbertext; do
  echo "== fuzz_$target: $runs executions"
  "build-fuzz/tests/fuzz/fuzz_$target" -runs="$runs" -max_len=65536 -rss_limit_mb=2048 -timeout=20 \
    -artifact_prefix=build-fuzz/crashes/ -print_final_stats=1 "$work/$target" 2>&1 | tail -n 14
done
