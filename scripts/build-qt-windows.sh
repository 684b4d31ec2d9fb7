#!/usr/bin/env bash
# Builds the Qt that the Windows editor is linked with: Debian's own qt6-base
# source, of exactly the version of the host Qt installed here, configured as
# a small static release Qt for 64-bit Windows (MinGW-w64, posix threads) and
# installed into a cache folder outside the checkout:
#
#   ${ZEQ_QT_WINDOWS:-/var/cache/zeq-editor/qt-VERSION-mingw-static}
#
# (--prefix prints that folder and does nothing else.)
# A stamp there records the version and the options; when it matches, the
# run does nothing. The build goes into a folder beside the cache and is
# moved into place only once installed, so a failed or killed run never
# leaves a cache that a later run would trust.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)
step() { printf '[qt-windows %4ds] %s\n' "$(($(date +%s) - started))" "$*"; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
need=(g++-mingw-w64-x86-64-posix mingw-w64-tools ninja-build cmake qt6-base-dev
      qt6-base-dev-tools qt6-base-private-dev dpkg-dev)
missing=()
for p in "${need[@]}"; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    step "installing ${missing[*]}"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
upstream=${version%%+*}
prefix=${ZEQ_QT_WINDOWS:-/var/cache/zeq-editor/qt-$upstream-mingw-static}
if [ "${1:-}" = "--prefix" ]; then
    echo "$prefix"
    exit 0
fi

# What the Qt is built from and with: a change to any of it builds anew.
options=(
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    # The host's pkg-config would hand Linux libraries to the cross build.
    -DFEATURE_pkg_config=OFF
    # Without INPUT_opengl=no, dynamicgl stays on and the windows plugin
    # does not compile. direct2d stays at its default: without it the
    # windows plugin lacks the DirectWrite font database it links.
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF
    -DFEATURE_glib=OFF -DFEATURE_jpeg=OFF
    # The offscreen platform (the tests) needs the bundled FreeType.
    -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_libb2=OFF
)
# The cross compiler is the project's own (scripts/mingw-w64.cmake).
stamp_text="qt6-base $version for x86_64-w64-mingw32 (posix), static
$(x86_64-w64-mingw32-g++-posix --version | head -1)
$(grep -v '^#' scripts/mingw-w64.cmake)
${options[*]}"

ready() {
    if [ -f "$prefix/zeq-qt.stamp" ] && [ "$(cat "$prefix/zeq-qt.stamp")" = "$stamp_text" ]; then
        step "Qt $upstream for Windows is ready in $prefix"
        exit 0
    fi
}
ready

cache_parent=$(dirname "$prefix")
$SUDO mkdir -p "$cache_parent"
[ -w "$cache_parent" ] || $SUDO chown "$(id -u):$(id -g)" "$cache_parent"
# One build at a time into one cache (two checkouts on one machine): the
# second waits for the first, then finds its Qt ready.
exec 9>"$prefix.lock"
if ! flock -n 9; then
    step "another build of this Qt is running; waiting for it to end"
    flock 9
fi
ready
work="$prefix.build"
rm -rf "$work"
mkdir -p "$work"
trap 'step "failed; nothing was installed (the build stays in $work for a look)"' ERR

# The source package through apt, with a deb-src list written from this
# machine's own sources into a private folder: the system's apt state is not
# touched. apt checks the files against the archive's signed index, and
# dpkg-source checks them against the checksums of the .dsc.
step "getting Debian's qt6-base $version source"
apt="$work/apt"
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/src"
list="$apt/deb-src.sources"
: >"$list"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*$/Types: deb-src/' "$f" >>"$list" && echo >>"$list"
done
if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list >"$apt/deb-src.list"
fi
apt_opts=(-o "Dir::Etc::SourceParts=$apt" -o Dir::Etc::SourceList=/dev/null
          -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
          -o APT::Sandbox::User=root)
[ -f "$apt/deb-src.list" ] && apt_opts[3]="Dir::Etc::SourceList=$apt/deb-src.list"
apt-get "${apt_opts[@]}" update -qq
(cd "$apt/src" && apt-get "${apt_opts[@]}" source --download-only -qq "qt6-base=$version")
step "unpacking"
(cd "$apt/src" && dpkg-source -x qt6-base_*.dsc "$work/qtbase" >"$work/unpack.log" 2>&1) ||
    { tail -20 "$work/unpack.log" >&2; false; }
rm -rf "$apt"

step "configuring a static Qt for x86_64-w64-mingw32"
# Installed under a staging root first (DESTDIR), then moved into place.
staging="$work/staging"
cmake -S "$work/qtbase" -B "$work/build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/scripts/mingw-w64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${options[@]}" >"$work/configure.log" 2>&1 ||
    { tail -30 "$work/configure.log" >&2; false; }

step "building (about 40 minutes on two cores)"
# Ninja's progress, a line a minute or so, not a line per file.
cmake --build "$work/build" --parallel "$(nproc)" 2>&1 |
    awk -v start="$started" '/^\[[0-9]+\/[0-9]+\]/ { n++; now = systime();
            if (now - last >= 60) { last = now; split($1, p, "[/\\[\\]]");
                printf "[qt-windows %4ds] %s of %s steps\n", now - start, p[2], p[3]; fflush() } }
        /error|Error/ && !/^\[/ { print; fflush() }'
[ "${PIPESTATUS[0]}" -eq 0 ]

step "installing"
DESTDIR="$staging" cmake --install "$work/build" >/dev/null
printf '%s\n' "$stamp_text" >"$staging$prefix/zeq-qt.stamp"
rm -rf "$prefix"
mv "$staging$prefix" "$prefix"
rm -rf "$work"
trap - ERR
step "Qt $upstream for Windows installed in $prefix ($(du -sh "$prefix" | cut -f1))"
