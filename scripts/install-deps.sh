#!/usr/bin/env bash
# Installs what ZEQ Editor needs to build and test on Debian.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
    g++ cmake ninja-build pkg-config \
    libgtest-dev libgmock-dev libbenchmark-dev libinih-dev \
    qt6-base-dev libgl-dev fonts-dejavu-core \
    dpkg-dev file desktop-file-utils libxml2-utils git nlohmann-json3-dev >/dev/null
