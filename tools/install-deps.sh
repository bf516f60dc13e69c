#!/bin/sh
# Installs, from Debian's archive, everything the build, the sample run, the tests and the
# release need, or only the packages named.
# Safe to run again: packages already present are left as they are.
# Usage: tools/install-deps.sh [PACKAGE ...]
set -eu

packages="cmake ninja-build pkg-config g++ libgtest-dev clang-format
g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 mingw-w64-tools
libmsi-dev msitools wixl libglib2.0-dev libgsf-1-dev
wine wine64 fonts-wine xvfb xauth xdotool imagemagick python3 python3-pil fonts-dejavu-core time
ghostscript p7zip-full xfsprogs e2fsprogs fonts-wqy-microhei python3-fusepy
git binutils dpkg-dev xz-utils osslsigncode openssl devscripts lintian"
[ $# -eq 0 ] || packages="$*"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
