#!/usr/bin/env bash
# The language server in real editors' hands, after scripts/test.sh built zeq:
#   - Neovim's own LSP client (headless) on a faulty plan file and on the
#     shipped samples: the expected diagnostic, and none on the samples;
#   - the VS Code extension: its grammar tests, and its .vsix built
#     (editors/vscode/zeq-plan-files-VERSION.vsix).
# Installs what it needs (neovim; Node.js and npm when there is none).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
zeq=${ZEQ:-$root/build/cli/zeq}
[ -x "$zeq" ] || { echo "no zeq at $zeq: run scripts/test.sh first" >&2; exit 1; }

source scripts/need.sh
need=(neovim)
command -v node >/dev/null && command -v npm >/dev/null || need+=(nodejs npm)
need_packages "${need[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "neovim: diagnostics through its LSP client"
printf '[Start]\r\nconsClass = "iu_builder"\r\nscavClass = "iu_gatherer"\r\n[Plan1]\r\nplanType = "Hold"\r\nplanPriority = 0\r\n' \
    >"$work/faulty.zeq"
files="$work/faulty.zeq"
for sample in data/samples/*.zeq; do files+=$'\n'"$root/$sample"; done
(cd "$root/data" && ZEQ="$zeq" ZEQ_FILES="$files" ZEQ_OUT="$work/found.txt" \
    timeout 120 nvim --headless -u NONE -i NONE -c "luafile $root/tests/neovim/diagnostics.lua") \
    >"$work/nvim.log" 2>&1 || { cat "$work/nvim.log" >&2; exit 1; }
expected="$work/faulty.zeq:6: plan-not-read"
if [ "$(cat "$work/found.txt")" != "$expected" ]; then
    echo "neovim reported:" >&2; cat "$work/found.txt" >&2
    echo "expected only: $expected" >&2
    exit 1
fi

echo "VS Code extension: grammar tests and package"
cmp -s LICENSE.txt editors/vscode/LICENSE.txt || { echo "editors/vscode/LICENSE.txt differs" >&2; exit 1; }
# Packaged from a copy of the extension's folder alone, as a contributor
# would check it out.
copy=$work/copy
mkdir -p "$copy"
git ls-files -z editors/vscode | xargs -0 cp --parents -t "$copy"
cd "$copy/editors/vscode"
node --check extension.js
npm ci --no-audit --no-fund --loglevel=error
npm test
npm run --silent package >/dev/null
cp zeq-plan-files-*.vsix "$root/editors/vscode/"
ls "$root"/editors/vscode/zeq-plan-files-*.vsix
