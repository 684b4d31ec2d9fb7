#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each (or the TARGETs named
# after SECONDS) for SECONDS (default 60),
# seeded from the shipped data and the test inputs. Fails on any finding.
# Findings are kept in fuzz/findings/ to be turned into regression tests.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=("${@:2}")
[ ${#targets[@]} -gt 0 ] || targets=(parsetext script roundtrip colouring keptlayout merge lsp)

if ! command -v clang++ >/dev/null || [ ! -e /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEQ_FUZZ=ON -DZEQ_BUILD_GUI=OFF -DZEQ_BUILD_TESTS=OFF >/dev/null
# Quiet unless it fails: then what the compiler said is shown.
if ! cmake --build build-fuzz --parallel "$(nproc)" \
    --target fuzz_parsetext fuzz_script fuzz_roundtrip fuzz_colouring fuzz_keptlayout fuzz_merge fuzz_lsp \
    >build-fuzz/build.log 2>&1; then
    cat build-fuzz/build.log >&2
    exit 1
fi

seeds=build-fuzz/seeds
rm -rf "$seeds" && mkdir -p "$seeds/plans" "$seeds/scripts"
cp data/samples/*.zeq fuzz/corpus/plans/* "$seeds/plans/" 2>/dev/null || true
cp data/*.dat fuzz/corpus/scripts/* "$seeds/scripts/" 2>/dev/null || true
# Three plan files in one input for the merge: base, ours, theirs.
mkdir -p "$seeds/merge"
cp fuzz/corpus/merge/* "$seeds/merge/"
samples=(data/samples/*.zeq)
for i in "${!samples[@]}"; do
    a=${samples[$i]} b=${samples[$(( (i + 1) % ${#samples[@]} ))]}
    { cat "$a"; printf '\0'; cat "$a"; printf '\0'; cat "$b"; } > "$seeds/merge/$i-theirs"
    { cat "$a"; printf '\0'; sed 's/planPriority = 4/planPriority = 7/' "$a"; printf '\0'
      sed -e 's/= 3$/= 9/' -e 's/= 3\r$/= 9\r/' "$a"; } > "$seeds/merge/$i-both"
done
mkdir -p fuzz/findings

status=0
for target in "${targets[@]}"; do
    corpus="build-fuzz/corpus-$target"
    mkdir -p "$corpus"
    case $target in
    script) seed="$seeds/scripts"; dict=() ;;
    merge) seed="$seeds/merge"; dict=(-dict=fuzz/plans.dict) ;;
    *) seed="$seeds/plans"; dict=(-dict=fuzz/plans.dict) ;;
    esac
    echo "fuzzing $target for ${seconds}s"
    if ! ASAN_OPTIONS=detect_leaks=1 "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=0 "${dict[@]}" \
        -artifact_prefix="fuzz/findings/$target-" "$corpus" "$seed" >"build-fuzz/$target.log" 2>&1; then
        echo "fuzz target $target found a problem:" >&2
        tail -40 "build-fuzz/$target.log" >&2
        status=1
    fi
done
exit $status
