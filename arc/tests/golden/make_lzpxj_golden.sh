#!/usr/bin/env bash
# Writes arc/tests/LzpxjGolden.inc, the frozen Lzpxj corpus, from the
# encoder of the build in build/ (made on request only; the tests never
# regenerate it). Usage: arc/tests/golden/make_lzpxj_golden.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/../../.."
build=${1:-build}
cmake --build "$build" --target lzpxj_golden
"$build/bin/lzpxj_golden" arc/tests/LzpxjGolden.inc
