#!/usr/bin/env bash
# Every include points down the floors of docs/architecture.md:
#   formats -> model -> ground -> dialogs, editor, mod -> app
# (lsp stands on model and the editor's core, which has no widgets; cli on
# model and lsp). Fails, naming the line, when a folder includes a
# header of a folder it may not use.
set -euo pipefail
cd "$(dirname "$0")/.."

# What each folder may include besides itself.
declare -A below=(
    [formats]=""
    [model]="formats"
    [lsp]="formats model editor"
    [cli]="formats model lsp"
    [ground]="formats model"
    [dialogs]="formats model ground"
    [mod]="formats model ground"
    [editor]="formats model ground"
    [app]="formats model ground dialogs editor mod"
)
folders="formats model lsp cli ground dialogs editor mod app"

# The folder each project header lives in.
declare -A home=()
for folder in $folders; do
    for header in $(git ls-files "$folder/*.h" | xargs -r -n1 basename); do
        home[$header]=$folder
    done
done

status=0
for folder in $folders; do
    allowed=" $folder ${below[$folder]} "
    while IFS=: read -r file line text; do
        header=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$text")
        header=${header##*/}
        owner=${home[$header]:-}
        [ -z "$owner" ] && continue # generated, or not the project's
        if [[ "$allowed" != *" $owner "* ]]; then
            echo "$file:$line: $folder/ includes $owner/$header, a floor above it" >&2
            status=1
        fi
    done < <(git grep -n -E '^\s*#\s*include\s+"' -- "$folder/" || true)
done
[ "$status" -eq 0 ] && echo "includes: every one points down"
exit "$status"
