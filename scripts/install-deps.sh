#!/usr/bin/env bash
# Installs, on a Debian 12 machine, whatever the builds and tests need and is
# not there yet, and makes sure 32-bit Linux programs can run (the unit tests
# and Wine's 32-bit side are such programs).
set -euo pipefail

packages=(
    cmake g++ make python3
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
os_release=${KORV_OS_RELEASE:-/etc/os-release}

missing_packages() {
    local package
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed' \
            || echo "$package"
    done
}

# Refreshes the package indexes, a few times if need be; fails when the last
# try still left an index out. Such a refresh is no reason to stop: the
# indexes it did get may hold every package we need. apt itself keeps out
# any index whose size or hash differs from its signed Release file.
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
    return 1
}

# install_missing [apt-get option...]: installs the missing packages quietly.
install_missing() {
    DEBIAN_FRONTEND=noninteractive apt-get "${apt_options[@]}" install -y -qq --no-install-recommends \
        "$@" "${missing[@]}" >/dev/null
}

# The release's own codename (bookworm), from the system's release file.
release_codename() { (. "$os_release" && echo "${VERSION_CODENAME:-}"); }

# When the security suite's index for one architecture could not be had, the
# libraries already installed for the other may be at security versions
# whose twins, which multi-arch packages need at the very same version, are
# only in that index. The release's own suite has both architectures at one
# version: installing from it as the target release resolves them together.
install_from_release() {
    local codename
    codename=$(release_codename)
    [ -n "$codename" ] || return 1
    echo "the install failed with an incomplete package index; trying once more from the release's own suite ($codename)" >&2
    install_missing -t "$codename"
}

# Refreshes the indexes and installs the missing packages; after an
# incomplete refresh a failed install is tried once more from the release's
# own suite.
install_packages() {
    if refresh_indexes; then
        install_missing
    else
        install_missing || install_from_release
    fi
}

mapfile -t missing < <(missing_packages)
if [ "${#missing[@]}" -gt 0 ]; then
    echo "installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    if ! install_packages; then
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
