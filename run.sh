#!/usr/bin/env bash
# Builds the system and starts the program Kivora (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
exec build/bin/Kivora "$@"
