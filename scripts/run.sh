#!/usr/bin/env bash
# Installs the dependencies, builds ZEQ Editor and shows what was built.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"
echo "Built:"
find build -maxdepth 2 -type f \( -name '*.a' -o -perm -u+x \) ! -name '*.sh' ! -path '*CMakeFiles*' | sort
