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

# A mirror in mid-sync serves an index of the wrong size for a while; a later
# try usually gets a consistent one.
refresh_attempts=4
refresh_pause=${KORV_APT_RETRY_PAUSE:-15}
apt_options=(-o Acquire::Retries=3)

missing_packages() {
    local package
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed' \
            || echo "$package"
    done
}

# Refreshes the package indexes, a few times if need be. A refresh that never
# fully succeeds is no reason to stop: the indexes it did get may hold every
# package we need.
refresh_indexes() {
    local attempt
    for ((attempt = 1; attempt <= refresh_attempts; attempt++)); do
        apt-get "${apt_options[@]}" update -qq && return 0
        if [ "$attempt" -lt "$refresh_attempts" ]; then
            echo "refreshing the package indexes failed (try $attempt of $refresh_attempts); trying again in ${refresh_pause} s" >&2
            sleep "$refresh_pause"
        fi
    done
    echo "some package indexes could not be refreshed; installing with those that came" >&2
}

mapfile -t missing < <(missing_packages)
if [ "${#missing[@]}" -gt 0 ]; then
    echo "installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    refresh_indexes
    if ! DEBIAN_FRONTEND=noninteractive apt-get "${apt_options[@]}" install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null; then
        mapfile -t still_missing < <(missing_packages)
        echo "error: could not install: ${still_missing[*]:-${missing[*]}}" >&2
        echo "The package mirror may be in the middle of an update; please try again later." >&2
        exit 1
    fi
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/; s/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    locale-gen >/dev/null
fi

"$(dirname "$0")/enable-i386.sh"
