#!/usr/bin/env bash
# Builds ZEQ Editor for 64-bit Windows here, on Debian, and tests it under
# Wine: the static Qt (scripts/build-qt-windows.sh, built once and cached),
# the whole project with MinGW-w64, then
#   - every test suite, the window layer's offscreen;
#   - the zeq smoke set, whose output must match the Linux zeq's byte for byte;
#   - the editor itself under Xvfb with Windows' own platform: its window
#     titled as on Linux, F10 opening the source editor, screenshots kept in
#     build-windows/screenshots/;
#   - the packages: the portable zip's contents, and the installer installed
#     silently, checked (files, Start menu, the .zeq file type), started
#     through a double-click's association, uninstalled, and checked gone.
# Installs what it needs. Leaves nothing outside build-windows and the Qt cache.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)
step() { printf '[windows %4ds] %s\n' "$(($(date +%s) - started))" "$*"; }

source scripts/need.sh
need_packages g++ cmake ninja-build libgtest-dev g++-mingw-w64-x86-64-posix wine wine64 nsis xvfb \
    xdotool imagemagick unzip fonts-wine

bash scripts/build-qt-windows.sh
qt=$(bash scripts/build-qt-windows.sh --prefix)

jobs=$(nproc)
out=$root/build-windows
step "building the project for Windows"
cmake -S . -B "$out/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/scripts/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DZEQ_BUILD_GUI=ON -DZEQ_WERROR=ON -DZEQ_GTEST_SOURCE=/usr/src/googletest >/dev/null
cmake --build "$out/win" --parallel "$jobs"
# The Linux zeq the Windows one is compared with.
cmake -S . -B "$out/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEQ_BUILD_GUI=OFF \
    -DZEQ_BUILD_TESTS=OFF >/dev/null
cmake --build "$out/linux" --parallel "$jobs" --target zeq

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Static programs: nothing beyond the DLLs every Windows has.
system_dlls='^(advapi32|authz|comdlg32|d3d9|d3d11|dwmapi|dwrite|dxgi|gdi32|imm32|kernel32|msvcrt|netapi32|ole32|oleaut32|shcore|shell32|shlwapi|user32|userenv|uxtheme|version|winmm|ws2_32|wtsapi32|api-ms-win-[a-z0-9-]+)\.dll$'
for program in app/zeq-editor.exe cli/zeq.exe; do
    for dll in $(x86_64-w64-mingw32-objdump -p "$out/win/$program" | awk '/DLL Name:/ { print tolower($3) }'); do
        [[ "$dll" =~ $system_dlls ]] || fail "$program needs $dll, which Windows does not have"
    done
done

# A throwaway Wine: its own prefix, quiet, one server for all the runs; a
# UTF-8 locale, so that Windows names beyond ASCII can be Linux names.
export WINEDEBUG=-all WINEPREFIX=$out/wineprefix WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
rm -rf "$WINEPREFIX"
xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# The display first: Wine's own processes, which outlive each program, must
# know it from their start.
exec 3>"$out/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do [ -s "$out/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$out/display")
step "starting Wine"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
# Windows' dialog font, which Wine maps "MS Shell Dlg" to: without it every
# text falls back to whatever face the system has, some not drawn at all.
cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wineserver -p
# Wine's own services start with the first program and outlive it; started
# here, they do not hold ctest's output open.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

step "running every test suite under Wine"
ctest --test-dir "$out/win" --output-on-failure

# --- The zeq smoke set ----------------------------------------------------
step "the zeq smoke set"
win=$out/win/cli/zeq.exe
lin=$out/linux/cli/zeq
work=$out/smoke
rm -rf "$work" && mkdir -p "$work/folder with spaces"

# Runs both programs with the same arguments: the same exit code, the same
# bytes on standard output (binary on Windows too), the same messages on
# standard error (whose lines end the Windows way there).
# A difference is tried once more before it counts, and shown either way: one
# Windows run of "zeq dump" once ended with status 1 and nothing said, on an
# input the Linux run read, and thousands of inputs have not shown it again
# (so a fault that comes back stays a failure, and one that does not stays in
# the log).
same() {
    local a b try
    "$lin" "$@" >"$work/lin.out" 2>"$work/lin.err" && b=0 || b=$?
    for try in 1 2; do
        wine "$win" "$@" >"$work/win.out" 2>"$work/win.err" && a=0 || a=$?
        [ "$a" = "$b" ] && cmp -s "$work/win.out" "$work/lin.out" &&
            tr -d '\r' <"$work/win.err" | cmp -s - "$work/lin.err" && break
        echo "zeq $*: try $try differs: exit $a (Linux $b)," \
            "$(wc -c <"$work/win.out") bytes out (Linux $(wc -c <"$work/lin.out"))," \
            "errors: $(head -c 300 "$work/win.err")"
    done
    [ "$a" = "$b" ] || fail "zeq $* exits $a on Windows, $b on Linux"
    cmp -s "$work/win.out" "$work/lin.out" || fail "zeq $*: standard output differs"
    tr -d '\r' <"$work/win.err" | cmp -s - "$work/lin.err" || fail "zeq $*: standard error differs"
}

inputs=(data/samples/*.zeq fuzz/corpus/plans/*)
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
samples=(data/samples/*.zeq)
same fmt --check "${samples[@]}"
same check --format=json "${samples[@]}" fuzz/corpus/plans/*
same diff --color=never "${samples[0]}" "${samples[1]}"
same diff --json --all "${samples[1]}" "${samples[2]}"
same merge "${samples[0]}" "${samples[1]}" "${samples[2]}"

# The language server: a session through standard input, framed as clients
# frame it; a faulty plan file is diagnosed and the server exits cleanly.
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
{
    frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
    frame '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///C:/a.zeq","languageId":"zeq","version":1,"text":"[Plan1]\r\nplanType = \"Hold\"\r\n"}}}'
    frame '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
    frame '{"jsonrpc":"2.0","method":"exit"}'
} >"$work/lsp.in"
wine "$win" lsp <"$work/lsp.in" >"$work/lsp.out" 2>/dev/null || fail "zeq lsp did not exit cleanly"
grep -q '"code":"plan-not-read"' "$work/lsp.out" || fail "zeq lsp did not diagnose the faulty file"
grep -q '"id":2,"jsonrpc":"2.0","result":null' "$work/lsp.out" || fail "zeq lsp did not answer shutdown"

# fmt into a file in a folder with spaces (named the Windows way, with a
# drive letter and backslashes), then back from it: the same bytes.
for input in data/samples/*.zeq; do
    target="$work/folder with spaces/$(basename "$input")"
    "$lin" fmt "$input" >"$work/expected.zeq" 2>/dev/null
    wine "$win" fmt "$(winepath -w "$root/$input")" -o "$(winepath -w "$target")" 2>/dev/null ||
        fail "fmt -o into a folder with spaces"
    cmp -s "$target" "$work/expected.zeq" || fail "fmt -o $input wrote other bytes"
    wine "$win" fmt "$target" -o "$target" || fail "fmt over an existing file"
    cmp -s "$target" "$work/expected.zeq" || fail "formatting $input twice changed it"
done

# Deeper than Windows' 260 characters, which Windows itself only opens when
# the machine has long names switched on: formatted into a file as deep.
deep="$work/deep"
while [ ${#deep} -lt 300 ]; do deep="$deep/folder $(printf '%040d' 0)"; done
mkdir -p "$deep"
cp data/samples/ironclad_defence.zeq "$deep/ai.zeq"
"$lin" fmt "$deep/ai.zeq" >"$work/expected.zeq" 2>/dev/null
windeep="Z:${deep//\//\\}" # winepath cuts a name at 260 characters
wine "$win" fmt "$windeep\\ai.zeq" -o "$windeep\\tidied.zeq" 2>/dev/null ||
    fail "fmt on a path of ${#deep} characters"
cmp -s "$deep/tidied.zeq" "$work/expected.zeq" || fail "fmt on a long path wrote other bytes"
wine "$win" set "$windeep\\ai.zeq" Start.scrapCount=41 >/dev/null 2>&1 ||
    fail "set on a long path"
grep -q 'scrapCount *= *41' "$deep/ai.zeq" || fail "set on a long path did not write"

# Help is text for a person: Windows' line ends, when sent to a file too.
wine "$win" --help >"$work/help.txt"
[ "$(grep -c $'\r$' "$work/help.txt")" = "$(wc -l <"$work/help.txt")" ] ||
    fail "zeq --help has lines without CR LF"

# A read-only target is refused and left as it was.
readonly_target="$work/folder with spaces/locked.zeq"
echo "keep" >"$readonly_target" && chmod a-w "$readonly_target"
if wine "$win" fmt data/samples/ironclad_defence.zeq -o "$readonly_target" 2>/dev/null; then
    fail "a read-only target was written"
fi
[ "$(cat "$readonly_target")" = "keep" ] || fail "a read-only target changed"
chmod u+w "$readonly_target"

# --- The editor under Windows' own platform --------------------------------
step "the editor under Xvfb"
shots=$out/screenshots
rm -rf "$shots" && mkdir -p "$shots"

# Waits for a window whose title matches; its id, or nothing after 60 s.
window() {
    for _ in $(seq 1 120); do
        xdotool search --name "$1" 2>/dev/null | head -1 && return 0
        sleep 0.5
    done
    return 1
}

editor=$out/win/app
wine "$editor/zeq-editor.exe" "$(winepath -w "$root/data/samples/ironclad_defence.zeq")" \
    >/dev/null 2>&1 &
if main=$(window '^ZEQ Editor - ironclad_defence\.zeq'); then
    sleep 1
    import -window root "$shots/main-window.png"
    xdotool windowfocus "$main" 2>/dev/null || true
    xdotool key --window "$main" F10
    if window '^ZEQ Source Editor' >/dev/null; then
        sleep 1
        import -window root "$shots/source-editor.png"
    else
        fail "F10 did not open the source editor"
    fi
else
    fail "the editor's window did not appear, titled as on Linux"
fi
# Closes the editor as Windows asks a program to, and waits until it is gone.
close_editor() {
    wine taskkill /IM zeq-editor.exe >/dev/null 2>&1 || true
    for _ in $(seq 1 40); do pgrep -f 'zeq-editor\.exe' >/dev/null || return 0; sleep 0.5; done
    wine taskkill /F /IM zeq-editor.exe >/dev/null 2>&1 || true
    fail "the editor did not close when asked"
}
close_editor

# The dialog's values drawn in the fonts of this Windows (and so visible in
# the screenshot), not blank fields.
if ! wine "$out/win/app/zeq-screenshots.exe" "$(winepath -w "$shots")" \
    "$(winepath -w "$root/data/samples/ironclad_defence.zeq")" 2>"$work/screenshots.err"; then
    fail "the dialog's screenshot: $(tr -d '\r' <"$work/screenshots.err")"
fi
[ -s "$shots/plan-settings.png" ] || fail "no screenshot of Plan Settings"
# Again at a display scale of 2, where fields once drew blank (Wine passes
# no QT_ variable on, so the tool is told).
mkdir -p "$shots/scale-2"
if ! wine "$out/win/app/zeq-screenshots.exe" --scale 2 "$(winepath -w "$shots/scale-2")" \
    "$(winepath -w "$root/data/samples/ironclad_defence.zeq")" 2>"$work/screenshots.err"; then
    fail "the dialog's screenshot at scale 2: $(tr -d '\r' <"$work/screenshots.err")"
fi

# --- The packages -----------------------------------------------------------
step "the portable zip and the installer"
(cd "$out/win" && rm -f zeq-editor-*-windows-x64.* && cpack >/dev/null)
zip=$(ls "$out"/win/zeq-editor-*-windows-x64.zip)
installer=$(ls "$out"/win/zeq-editor-*-windows-x64.exe)
folder=$(basename "$zip" .zip)
expected=$(printf '%s\n' LICENSE.txt Plans.dat README.txt Units.dat git/pre-commit \
    samples/ironclad_defence.zeq samples/neutral_outpost.zeq samples/verdant_rush.zeq \
    docs/checks.md docs/user-guide.md $(cd docs && ls images/*.png | sed 's|^|docs/|') \
    zeq-editor.exe zeq.exe | sort)
actual=$(unzip -Z1 "$zip" | grep -v '/$' | sed "s|^$folder/||" | sort)
[ "$actual" = "$expected" ] || fail "the zip holds other files:
$(diff <(echo "$expected") <(echo "$actual") || true)"
for text in README.txt LICENSE.txt; do
    [ "$(unzip -p "$zip" "$folder/$text" | grep -vc $'\r$')" = 0 ] ||
        fail "the zip's $text has lines without CR LF"
done

programs="$WINEPREFIX/drive_c/Program Files/ZEQ Editor"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ZEQ Editor.lnk"
regvalue() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | awk -F'REG_SZ' 'NF > 1 { sub(/^ +/, "", $2); print $2 }'; }
# A named value, of any type.
regnamed() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
environment='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
path_before=$(regnamed "$environment" Path)
wine "$installer" /S /AllUsers /AddToPath
for _ in $(seq 1 60); do [ -f "$programs/Uninstall.exe" ] && break; sleep 0.5; done
installed=$(cd "$programs" 2>/dev/null && find . -type f | sed 's|^\./||' | sort)
[ "$installed" = "$(printf '%s\nUninstall.exe' "$expected" | sort)" ] ||
    fail "the installer put other files in place: $installed"
[ -f "$menu" ] || fail "no Start-menu entry"
[ "$(regvalue 'HKLM\Software\Classes\.zeq')" = "ZeqEditor.PlanFile" ] || fail ".zeq is not associated"
[ "$(regvalue 'HKLM\Software\Classes\ZeqEditor.PlanFile\shell\open')" = "Open with ZEQ Editor" ] ||
    fail "no 'Open with ZEQ Editor'"
[ "$(regvalue 'HKLM\Software\Classes\ZeqEditor.PlanFile\DefaultIcon')" = \
  'C:\Program Files\ZEQ Editor\zeq-editor.exe,0' ] || fail "the file type has not the program's icon"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEQ Editor'
[ "$(($(regnamed "$uninstall_key" EstimatedSize)))" -gt 1000 ] || fail "Settings > Apps shows no size"
[ "$(regnamed "$environment" Path)" = "$path_before;C:\Program Files\ZEQ Editor" ] ||
    fail "zeq is not on the PATH: $(regnamed "$environment" Path)"

# A double-click on a plan file: the installed editor opens it.
wine start 'C:\Program Files\ZEQ Editor\samples\verdant_rush.zeq' >/dev/null 2>&1 || true
if window '^ZEQ Editor - verdant_rush\.zeq' >/dev/null; then
    sleep 1
    import -window root "$shots/installed-editor.png"
else
    fail "opening a .zeq file did not start the installed editor"
fi
# An installed editor keeps its settings in the profile, where an upgrade
# or an uninstall leaves them.
wine_user=$(id -un) # Wine's user is the Linux one
profile_settings="$WINEPREFIX/drive_c/users/$wine_user/AppData/Roaming/zeq-editor/zeq-editor.cfg"
[ -f "$profile_settings" ] || fail "the installed editor made no settings in %APPDATA%"
[ ! -e "$programs/zeq-editor.cfg" ] || fail "the installed editor wrote its settings beside itself"

# Installing over the running editor: refused (a running program cannot be
# replaced), with a non-zero exit and a line in the log, the old files kept.
setup_log="$(winepath -u "$(wine cmd /c echo %TEMP% | tr -d '\r')")/ZEQ Editor setup.log"
rm -f "$setup_log"
touch -d '2000-01-01' "$programs/zeq.exe"
if wine "$installer" /S /AllUsers; then fail "an install over a running editor reported success"; fi
grep -q 'ZEQ Editor is running' "$setup_log" 2>/dev/null || fail "no log line says the editor runs"
[ "$(stat -c %Y "$programs/zeq.exe")" = "$(date -d 2000-01-01 +%s)" ] ||
    fail "an install over a running editor changed files"
close_editor
wine "$installer" /S /AllUsers /AddToPath || fail "the install after closing the editor failed"
[ "$(stat -c %Y "$programs/zeq.exe")" != "$(date -d 2000-01-01 +%s)" ] || fail "the upgrade kept an old file"
[ "$(regnamed "$environment" Path)" = "$path_before;C:\Program Files\ZEQ Editor" ] ||
    fail "an upgrade put zeq on the PATH twice"

wine "$programs/Uninstall.exe" /S
for _ in $(seq 1 60); do [ -d "$programs" ] || break; sleep 0.5; done
[ ! -e "$programs" ] || fail "the uninstaller left $(cd "$programs" && find . | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu entry"
[ -f "$profile_settings" ] || fail "the uninstaller deleted the user's settings"
[ "$(regnamed "$environment" Path)" = "$path_before" ] ||
    fail "the uninstaller left the PATH as $(regnamed "$environment" Path)"
for key in 'HKLM\Software\Classes\.zeq' 'HKLM\Software\Classes\ZeqEditor.PlanFile' \
           'HKLM\Software\ZEQ Editor' \
           'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZEQ Editor'; do
    wine reg query "$key" >/dev/null 2>&1 && fail "the uninstaller left $key"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures Windows check(s) failed" >&2
    exit 1
fi
step "Windows: every suite, ${#inputs[@]} inputs x fmt/dump/check as on Linux, the editor, the zip and the installer: all passed"
echo "packages: $zip $installer; screenshots in $shots"
