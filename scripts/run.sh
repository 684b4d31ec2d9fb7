#!/usr/bin/env bash
# Installs the dependencies, builds ZEQ Editor and starts it on a bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"
# The shipped Plans.dat and Units.dat sit beside the program in the build tree.
exec build/app/zeq-editor data/samples/ironclad_defence.zeq
