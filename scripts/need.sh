# Sourced by the test scripts: need_packages PACKAGE... installs, quietly,
# those of the Debian packages named that are not installed yet.
need_packages() {
    local missing=() p sudo=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    echo "installing ${missing[*]}"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}
