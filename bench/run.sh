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
large=$tmp/zeq-bench-40000.zeq small=$tmp/zeq-bench-1000.zeq # written by zeq_bench
[ -f "$large" ] && [ -f "$small" ] || build-release/bench/zeq_bench \
    --benchmark_filter='BM_LoadPlanFile/(1000|40000)$' >/dev/null
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
if [ -x /usr/bin/time ]; then
    fmt=$(peak build-release/cli/zeq fmt "$large" -o "$work/out.zeq")
    none=$(peak build-release/cli/zeq --version)
    check=$(peak build-release/cli/zeq check "$work"/many/*.zeq)
    one=$(peak build-release/cli/zeq check "$small")
    editor=$(peak build-release/bench/zeq_bench_window --memory "$large")
    bare=$(peak build-release/bench/zeq_bench_window --memory data/samples/ironclad_defence.zeq)
    echo "  zeq fmt of the 40,000-plan file:       peak $(mb "$fmt") MB, $(over "$fmt" "$size")x its $(mb $((size / 1024))) MB" \
        "($(over $((fmt - none)) "$size")x without the program itself)"
    echo "  zeq check of 200 files of 1,000 plans: peak $(mb "$check") MB for $(mb $((manySize / 1024))) MB of files" \
        "(one of them alone: $(mb "$one") MB)"
    echo "  the editor opening and saving it:      $(mb $((editor - bare))) MB more than on a small file," \
        "$(over $((editor - bare)) "$size")x the file"
else
    echo "  (peak memory needs GNU time: apt-get install time)"
fi
