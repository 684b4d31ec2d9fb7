#!/usr/bin/env bash
# Builds optimised and runs the benchmarks (see bench/README.md for figures).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEQ_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --parallel "$(nproc)" --target zeq_bench zeq_bench_window
build-release/bench/zeq_bench "$@"
build-release/bench/zeq_bench_window "$@"
