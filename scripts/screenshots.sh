#!/usr/bin/env bash
# Draws the editor offscreen at scale 1 and 2, with the light and a dark
# palette, into build/screenshots/ (after the build of scripts/run.sh).
# With --guide, the pictures of docs/user-guide.md instead, into
# docs/images/: run it after a change to what they show, and commit them.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=build/app/zeq-screenshots
sample=data/samples/ironclad_defence.zeq
export QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts
if [ "${1:-}" = --guide ]; then
    # The sample with what the Issues panel shows: a plan the game drops, a
    # unit class the catalog lacks, a number with a letter.
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cp "$sample" "$work/ironclad_defence.zeq"
    printf '[Plan6]\r\nplanType = "Hold"\r\nplanPriority = 0\r\n[Plan7]\r\nplanType = "Hold"\r\nplanPriority = 150\r\nholdType1 = "iu_bulwrk"\r\nholdCount1 = 2x\r\n' \
        >>"$work/ironclad_defence.zeq"
    mkdir -p docs/images
    (cd data && QT_SCALE_FACTOR=1 "../$tool" --guide ../docs/images "../$sample" "$work/ironclad_defence.zeq")
    echo "pictures in docs/images/"
    exit 0
fi
for scale in 1 2; do
    for look in light dark; do
        dir=build/screenshots/scale$scale-$look
        mkdir -p "$dir"
        flag=(); [ "$look" = dark ] && flag=(--dark)
        QT_SCALE_FACTOR=$scale "$tool" "$dir" "${flag[@]}" "$sample"
    done
done
echo "screenshots in build/screenshots/"
