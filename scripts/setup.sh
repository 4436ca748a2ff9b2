#!/bin/sh
# Installs the Debian 12 packages Talvex needs to build, test and run.
# Idempotent: only missing packages are installed, and nothing when all are present.
set -eu

packages="
build-essential cmake ninja-build pkg-config clang-format
libicu-dev libcurl4-openssl-dev libpcre2-dev libssl-dev
qt6-base-dev libgl-dev
libgtest-dev libgmock-dev libbenchmark-dev
libcpp-httplib-dev
clang libclang-rt-14-dev
xvfb xauth xdotool x11-apps imagemagick
xdg-utils fonts-wqy-zenhei
python3
"

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done

if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    $sudo apt-get install -y -qq --no-install-recommends $missing
fi
