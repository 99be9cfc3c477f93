#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of
# every libFuzzer target. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
jobs=$(nproc)
fuzz_seconds=${KIV_FUZZ_SECONDS:-15}

echo "== build and test (build/)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 600

echo "== Kivora under Xvfb (build/screenshots/)"
./scripts/screenshot.sh build

echo "== build and test under ASan+UBSan (build-asan/)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIV_SANITIZE=ON -DKIV_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure --timeout 1200

echo "== fuzz targets (build-fuzz/, ${fuzz_seconds}s each)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKIV_FUZZ=ON -DKIV_TESTS=OFF -DKIV_BENCH=OFF
cmake --build build-fuzz -j "$jobs"
shopt -s nullglob
for f in build-fuzz/bin/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] || continue  # the targets only, not stray files
  name=$(basename "$f")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  echo "-- $name"
  "$f" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 "$corpus" "${seeds[@]}" \
    > "build-fuzz/$name.log" 2>&1 || { tail -50 "build-fuzz/$name.log"; exit 1; }
done
echo "all tests and fuzz runs passed"
