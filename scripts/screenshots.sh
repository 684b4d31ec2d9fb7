#!/usr/bin/env bash
# Draws the editor offscreen at scale 1 and 2, with the light and a dark
# palette, into build/screenshots/ (after the build of scripts/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
tool=build/app/zeq-screenshots
sample=data/samples/ironclad_defence.zeq
for scale in 1 2; do
    for look in light dark; do
        dir=build/screenshots/scale$scale-$look
        mkdir -p "$dir"
        flag=(); [ "$look" = dark ] && flag=(--dark)
        QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts QT_SCALE_FACTOR=$scale \
            "$tool" "$dir" "${flag[@]}" "$sample"
    done
done
echo "screenshots in build/screenshots/"
