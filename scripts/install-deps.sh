#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on Debian 12.
# Idempotent and non-interactive; runs apt-get update once.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev
    # the run history: Qt SQL's SQLite and PostgreSQL drivers, and the server its tests start
    libqt6sql6-sqlite libqt6sql6-psql postgresql
    clang llvm libclang-rt-14-dev
    fio jq time xvfb xauth
    iproute2 util-linux procps psmisc
    # the test file server of tests/netshare: sshfs, WebDAV (davfs2) and SMB (smbnetfs)
    openssh-server openssh-client sshfs fuse3 apache2 davfs2 samba smbnetfs
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages already installed"
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# Keep apt from starting system-wide sshd, apache2 and smbd: the tests start
# their own servers inside a network namespace.
policy=/usr/sbin/policy-rc.d
made_policy=0
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
    $SUDO chmod 755 "$policy"
    made_policy=1
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
[ "$made_policy" = 1 ] && $SUDO rm -f "$policy"
echo "install-deps: installed ${missing[*]}"
