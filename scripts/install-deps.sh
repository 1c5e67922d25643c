#!/usr/bin/env bash
# Installs, on a Debian 12 machine, whatever the builds and tests need and is
# not there yet, and makes sure 32-bit Linux programs can run (the unit tests
# and Wine's 32-bit side are such programs).
set -euo pipefail

packages=(
    cmake g++ make
    g++-multilib lib32asan8 lib32ubsan1
    libgtest-dev:i386 libbenchmark-dev:i386
    g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
    wine wine32:i386 wine32-preloader:i386 wine64 fonts-wine xvfb x11-apps x11-utils imagemagick fonts-ipafont-gothic locales
    qemu-user
    osslsigncode openssl zip unzip tzdata
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed' \
        || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/; s/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    locale-gen >/dev/null
fi

"$(dirname "$0")/enable-i386.sh"
