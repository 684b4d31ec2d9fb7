#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test: once as
# shipped, once more with AddressSanitizer and UndefinedBehaviorSanitizer.
# ZEQ_CMAKE_ARGS adds configure options (CI: -DZEQ_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${ZEQ_CMAKE_ARGS:-} >/dev/null
cmake --build build --parallel "$jobs"
ctest --test-dir build --output-on-failure --parallel "$jobs"
bash scripts/package-test.sh

# The sanitizer run covers everything, the window layer included.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEQ_SANITIZE=ON ${ZEQ_CMAKE_ARGS:-} >/dev/null
cmake --build build-asan --parallel "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure --parallel "$jobs"
