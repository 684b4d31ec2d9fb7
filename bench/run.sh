#!/usr/bin/env bash
# Builds optimised and runs the benchmarks, then sums up the ratios that
# matter, all from this one run (see bench/README.md for recorded figures).
# Arguments go to both benchmark programs (e.g. --benchmark_repetitions=3).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEQ_BUILD_TESTS=OFF >/dev/null
cmake --build build-release --parallel "$(nproc)" --target zeq zeq_bench zeq_bench_window
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build-release/bench/zeq_bench --benchmark_out="$work/core.json" --benchmark_out_format=json "$@"
build-release/bench/zeq_bench_window --benchmark_out="$work/window.json" --benchmark_out_format=json "$@"

# Mean real time of each benchmark in the JSON (the first entry of each name).
awk '/"name":/ { gsub(/[",]/, "", $2); name = $2 }
     /"real_time":/ { gsub(/,/, "", $2); if (!(name in t)) { t[name] = $2; print name, $2 } }' \
    "$work/core.json" "$work/window.json" >"$work/times"
ratio() { # ratio NAME_A NAME_B: time of A over time of B
    awk -v a="$1" -v b="$2" '$1 == a { x = $2 } $1 == b { y = $2 }
        END { if (x && y) printf "%.2f", x / y; else printf "n/a" }' "$work/times"
}

# Peak resident kilobytes of a command (GNU time's %M).
peak() { /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>&1 || true; cat "$work/rss"; }
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f", kb / 1024 }'; }
over() { awk -v kb="$1" -v bytes="$2" 'BEGIN { printf "%.1f", kb * 1024 / bytes }'; }

tmp=${TMPDIR:-/tmp}
large=$tmp/zeq-bench-40000.zeq medium=$tmp/zeq-bench-10000.zeq small=$tmp/zeq-bench-1000.zeq
[ -f "$large" ] && [ -f "$medium" ] && [ -f "$small" ] || build-release/bench/zeq_bench \
    --benchmark_filter='BM_LoadPlanFile/(1000|10000|40000)$' >/dev/null
size=$(stat -c %s "$large")
mkdir -p "$work/many"
for i in $(seq 1 200); do cp "$small" "$work/many/plans$i.zeq"; done
manySize=$(du -cb "$work"/many/*.zeq | tail -1 | cut -f1)

echo
echo "Summary (this run; targets in bench/README.md)"
echo "  ParseText over inih, 50 KB:            $(ratio BM_InihParse/51200 BM_ParseText/51200)x faster"
echo "  ParseText over inih, 10 MB:            $(ratio BM_InihParse/10485760 BM_ParseText/10485760)x faster"
echo "  open+save, 40,000 over 10,000 plans:   $(ratio BM_OpenAndSave/40000 BM_OpenAndSave/10000)x the time"
# A mod of 200 files of 100 plans (bench/mod_bench.cpp); budgets 2 s, 0.5 s, 1 s.
ms() { awk -v n="$1" '$1 ~ "^" n { printf "%.0f ms", $2; exit }' "$work/times"; }
echo "  a mod of 200 files: Mod panel counts   $(ms BM_ModPanelCounts), Find in Files $(ms BM_FindInFiles)," \
    "rename preview $(ms BM_RenamePreview)"
seconds() { local start; start=$(date +%s%N); "$@" >/dev/null 2>&1 || true; echo $(( $(date +%s%N) - start )); }
mkdir -p "$work/half"
for i in $(seq 1 100); do cp "$small" "$work/half/plans$i.zeq"; done
half=$(seconds build-release/cli/zeq check "$work/half")
whole=$(seconds build-release/cli/zeq check "$work/many")
echo "  zeq check DIR, 200 over 100 files:     $(awk -v a="$whole" -v b="$half" 'BEGIN { printf "%.2f", a / b }')x the time (2 is linear)"
echo "  layout-keeping save over the canonical save, 10,000 plans: $(ratio BM_KeptSave/10000 BM_SavePlanFile/10000)x (budget 1.5x)"
# The editor started on a file: its peak and the seconds until its window was shown filled.
read -r editor shown opened < <(build-release/bench/zeq_bench_window --memory "$large" 2>/dev/null)
read -r _ shownMedium _ < <(build-release/bench/zeq_bench_window --memory "$medium" 2>/dev/null)
read -r bare _ bareOpened < <(build-release/bench/zeq_bench_window --memory data/samples/ironclad_defence.zeq 2>/dev/null)
times() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "  the window shown, panes and Issues filled: $shown s on 40,000 plans (budget 0.6 s)," \
    "$(times "$shown" "$shownMedium")x the 10,000-plan figure"
# zeq lsp: the file opened, two keystrokes and the outline (bench/lsp_session.py).
read -r diagnostics lsp < <(python3 bench/lsp_session.py build-release/cli/zeq "$large")
read -r diagnosticsMedium _ < <(python3 bench/lsp_session.py build-release/cli/zeq "$medium")
echo "  diagnostics after a change:            $diagnostics s on 40,000 plans (budget 0.3 s)," \
    "$(times "$diagnostics" "$diagnosticsMedium")x the 10,000-plan figure"
echo "Memory on the 40,000-plan file ($(mb $((size / 1024))) MB), peak resident against its size:"
echo "  the editor opening and saving it:      $(mb $((editor - bare))) MB more than on a small file," \
    "$(over $((editor - bare)) "$size")x (budget 6x)"
echo "  the editor opening it, window shown:   $(mb $((opened - bareOpened))) MB more than on a small file," \
    "$(over $((opened - bareOpened)) "$size")x"
echo "  zeq lsp with it open, edited, outlined: $(mb "$lsp") MB, $(over "$lsp" "$size")x (budget 8x)"
if [ -x /usr/bin/time ]; then
    fmt=$(peak build-release/cli/zeq fmt "$large" -o "$work/out.zeq")
    set=$(peak build-release/cli/zeq set "$large" Plan20000.planPriority=7 -o "$work/set.zeq")
    none=$(peak build-release/cli/zeq --version)
    check=$(peak build-release/cli/zeq check "$work"/many/*.zeq)
    one=$(peak build-release/cli/zeq check "$small")
    echo "  zeq fmt:                               $(mb "$fmt") MB, $(over "$fmt" "$size")x (budget 3x;" \
        "$(over $((fmt - none)) "$size")x without the program's own $(mb "$none") MB)"
    echo "  zeq set of one value:                  $(mb "$set") MB, $(over "$set" "$size")x (budget 3x;" \
        "$(over $((set - none)) "$size")x without the program)"
    echo "  zeq check of 200 files of 1,000 plans: $(mb "$check") MB for $(mb $((manySize / 1024))) MB of files" \
        "(one of them alone: $(mb "$one") MB)"
else
    echo "  (the command-line tools' peaks need GNU time: apt-get install time)"
fi
