#!/usr/bin/env bash
# Builds the core, zeq and the core tests for 64-bit Windows with MinGW-w64
# and runs them under Wine: the test suites, then a smoke set of zeq on the
# shipped samples and test inputs, whose output must match the Linux zeq's
# byte for byte. Installs what it needs. Leaves nothing outside build-windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null ||
    [ ! -d /usr/src/googletest ] || ! command -v ninja >/dev/null; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        g++ cmake ninja-build libgtest-dev g++-mingw-w64-x86-64-posix wine wine64 >/dev/null
fi

jobs=$(nproc)
out=$root/build-windows
cmake -S . -B "$out/win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/scripts/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZEQ_BUILD_GUI=OFF -DZEQ_WERROR=ON \
    -DZEQ_GTEST_SOURCE=/usr/src/googletest >/dev/null
cmake --build "$out/win" --parallel "$jobs"
# The Linux zeq the Windows one is compared with.
cmake -S . -B "$out/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEQ_BUILD_GUI=OFF \
    -DZEQ_BUILD_TESTS=OFF >/dev/null
cmake --build "$out/linux" --parallel "$jobs" --target zeq

# A throwaway Wine: its own prefix, quiet, one server for all the runs; a
# UTF-8 locale, so that Windows names beyond ASCII can be Linux names.
export WINEDEBUG=-all WINEPREFIX=$out/wineprefix WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
rm -rf "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1 || true
wineserver -w
wineserver -p
# Wine's own services start with the first program and outlive it; started
# here, they do not hold ctest's output open.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

ctest --test-dir "$out/win" --output-on-failure

# --- The zeq smoke set ----------------------------------------------------
win=$out/win/cli/zeq.exe
lin=$out/linux/cli/zeq
work=$out/smoke
rm -rf "$work" && mkdir -p "$work/folder with spaces"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Runs both programs with the same arguments: the same exit code, the same
# bytes on standard output (binary on Windows too), the same messages on
# standard error (whose lines end the Windows way there).
same() {
    local a b
    wine "$win" "$@" >"$work/win.out" 2>"$work/win.err" && a=0 || a=$?
    "$lin" "$@" >"$work/lin.out" 2>"$work/lin.err" && b=0 || b=$?
    [ "$a" = "$b" ] || fail "zeq $* exits $a on Windows, $b on Linux"
    cmp -s "$work/win.out" "$work/lin.out" || fail "zeq $*: standard output differs"
    tr -d '\r' <"$work/win.err" | cmp -s - "$work/lin.err" || fail "zeq $*: standard error differs"
}

inputs=(data/samples/*.zeq tests/data/findings/* fuzz/corpus/plans/*)
# After a fuzzing run, a share of what the fuzzers found interesting too.
if [ -d build-fuzz/corpus-roundtrip ]; then
    mapfile -t found < <(find build-fuzz/corpus-roundtrip -type f | sort | head -n 300)
    inputs+=("${found[@]}")
fi
for input in "${inputs[@]}"; do
    same fmt "$input"
    grep -q $'\r\r' "$work/win.out" && fail "fmt $input doubled a line end"
    same dump "$input"
    same check "$input"
done
same --version
same fmt no-such-file.zeq
same catalog --plans data/Plans.dat --units data/Units.dat

# fmt into a file in a folder with spaces (named the Windows way, with a
# drive letter and backslashes), then back from it: the same bytes.
for input in data/samples/*.zeq; do
    target="$work/folder with spaces/$(basename "$input")"
    "$lin" fmt "$input" >"$work/expected.zeq"
    wine "$win" fmt "$(winepath -w "$root/$input")" -o "$(winepath -w "$target")" ||
        fail "fmt -o into a folder with spaces"
    cmp -s "$target" "$work/expected.zeq" || fail "fmt -o $input wrote other bytes"
    wine "$win" fmt "$target" -o "$target" || fail "fmt over an existing file"
    cmp -s "$target" "$work/expected.zeq" || fail "formatting $input twice changed it"
done

# A read-only target is refused and left as it was.
readonly_target="$work/folder with spaces/locked.zeq"
echo "keep" >"$readonly_target" && chmod a-w "$readonly_target"
if wine "$win" fmt data/samples/ironclad_defence.zeq -o "$readonly_target" 2>/dev/null; then
    fail "a read-only target was written"
fi
[ "$(cat "$readonly_target")" = "keep" ] || fail "a read-only target changed"
chmod u+w "$readonly_target"

if [ "$failures" -ne 0 ]; then
    echo "$failures Windows smoke check(s) failed" >&2
    exit 1
fi
echo "Windows: core tests and ${#inputs[@]} inputs x fmt/dump/check match Linux byte for byte"
