#!/usr/bin/env bash
# Checks what an installation contains: the install tree, the desktop entry,
# the MIME type and the Debian package, which it then installs and runs.
# Expects a configured and built tree in build/.
set -euo pipefail
cd "$(dirname "$0")/.."

expected=$(sort <<'LIST'
bin/zeq
bin/zeq-editor
share/applications/zeq-editor.desktop
share/icons/hicolor/128x128/apps/zeq-editor.png
share/icons/hicolor/16x16/apps/zeq-editor.png
share/icons/hicolor/256x256/apps/zeq-editor.png
share/icons/hicolor/32x32/apps/zeq-editor.png
share/icons/hicolor/48x48/apps/zeq-editor.png
share/icons/hicolor/64x64/apps/zeq-editor.png
share/man/man1/zeq-editor.1
share/man/man1/zeq.1
share/mime/packages/zeq-editor.xml
share/zeq-editor/Plans.dat
share/zeq-editor/Units.dat
share/zeq-editor/docs/checks.md
share/zeq-editor/docs/images/issues.png
share/zeq-editor/docs/images/main-window.png
share/zeq-editor/docs/images/match.png
share/zeq-editor/docs/images/mod.png
share/zeq-editor/docs/images/plan-settings.png
share/zeq-editor/docs/images/rename-units.png
share/zeq-editor/docs/images/source-editor.png
share/zeq-editor/docs/images/start-cheat.png
share/zeq-editor/docs/user-guide.md
share/zeq-editor/git/pre-commit
share/zeq-editor/samples/ironclad_defence.zeq
share/zeq-editor/samples/neutral_outpost.zeq
share/zeq-editor/samples/verdant_rush.zeq
LIST
)

fail() { echo "package check: $*" >&2; exit 1; }

desktop-file-validate resources/zeq-editor.desktop || fail "the desktop entry is not valid"
xmllint --noout resources/zeq-editor-mime.xml || fail "the MIME type file is not valid XML"

tree=build/install-check
rm -rf "$tree"
cmake --install build --prefix "$tree" >/dev/null
actual=$(cd "$tree" && find . -type f | sed 's|^\./||' | sort)
[ "$actual" = "$expected" ] || fail "the install tree differs:
$(diff <(echo "$expected") <(echo "$actual") || true)"
# The installed editor finds the shipped catalogs beside its bin folder.
[ -f "$tree/bin/../share/zeq-editor/Plans.dat" ] || fail "Plans.dat is not where the editor looks"

rm -f build/zeq-editor_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/zeq-editor_*.deb)
in_deb=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./usr/||' | sort)
[ "$in_deb" = "$expected" ] || fail "the package contents differ:
$(diff <(echo "$expected") <(echo "$in_deb") || true)"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "the package does not depend on Qt 6"

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
[ "$(/usr/bin/zeq-editor --version)" = "zeq-editor $version" ] || fail "zeq-editor --version"
[ "$(/usr/bin/zeq --version)" = "zeq $version" ] || fail "zeq --version"
/usr/bin/zeq check /usr/share/zeq-editor/samples/*.zeq \
    --plans /usr/share/zeq-editor/Plans.dat --units /usr/share/zeq-editor/Units.dat \
    || fail "the installed samples do not check clean"
echo "package check: install tree, desktop entry, MIME type and package are as expected"
