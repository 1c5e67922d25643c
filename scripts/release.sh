#!/usr/bin/env bash
# Makes what a Windows user downloads: builds a clean clone of HEAD and runs
# the test command there (scripts/test.sh, which builds the executable), signs
# the executable when a certificate and key are given, and writes
# dist/KorvSerial-<version>.zip holding KorvSerial.exe, the guides for
# Windows users in Japanese and English (docs/guide/) and SHA256SUMS:
#   scripts/release.sh [--cert <certificate.pem> --key <key.pem>]
# The certificate and key may be named by KORV_SIGN_CERT and KORV_SIGN_KEY
# instead; scripts/sign.sh says what the certificate file holds and what
# else signing may take (the key's password, a time-stamp server). Without
# them the release is unsigned, and says so.
# The version is the version resource's (cmake/product_version.cmake). The
# files in the zip carry the commit's time, or SOURCE_DATE_EPOCH when set, so
# that an unsigned release of one commit is the same zip byte for byte.
# The clone and its builds stay in build/release/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() { echo "usage: scripts/release.sh [--cert <certificate.pem> --key <key.pem>]" >&2; exit 2; }
certificate=${KORV_SIGN_CERT:-}
key=${KORV_SIGN_KEY:-}
while [ $# -gt 0 ]; do
    case $1 in
        --cert) [ $# -ge 2 ] || usage; certificate=$2; shift 2 ;;
        --key) [ $# -ge 2 ] || usage; key=$2; shift 2 ;;
        *) usage ;;
    esac
done
if [ -n "$certificate" ] || [ -n "$key" ]; then
    if [ ! -f "$certificate" ] || [ ! -f "$key" ]; then
        echo "signing needs both a certificate and a key file" >&2
        exit 2
    fi
    certificate=$(realpath "$certificate")
    key=$(realpath "$key")
fi

revision=$(git -C "$root" rev-parse HEAD)
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "note: uncommitted changes are not released; the release is of $revision"
fi
work=$root/build/release
source=$work/source
rm -rf "$work"
mkdir -p "$work"
git init --quiet "$source"
git -C "$source" fetch --quiet "$root" "$revision"
git -C "$source" checkout --quiet --detach FETCH_HEAD
echo "=== release of $revision: the test command in a clean clone"
(cd "$source" && scripts/test.sh)

version=$(cmake -P "$source/cmake/product_version.cmake")
stage=$work/stage
mkdir -p "$stage"
if [ -n "$certificate" ]; then
    echo "=== signing KorvSerial.exe"
    "$root/scripts/sign.sh" "$source/build/windows/app/KorvSerial.exe" "$stage/KorvSerial.exe" "$certificate" "$key"
    signature="signed with $(openssl x509 -in "$certificate" -noout -subject)"
else
    cp "$source/build/windows/app/KorvSerial.exe" "$stage/KorvSerial.exe"
    signature="UNSIGNED: no certificate given (--cert and --key, or KORV_SIGN_CERT and KORV_SIGN_KEY)"
fi

# Texts for Notepad on every supported Windows: CR LF line ends, and the
# Japanese guide in UTF-8 with a byte-order mark, by which Notepad tells
# UTF-8 from the system's code page.
sed 's/$/\r/' "$source/docs/guide/README-en.txt" > "$stage/README-en.txt"
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' "$source/docs/guide/README-ja.txt"; } > "$stage/README-ja.txt"
files=(KorvSerial.exe README-ja.txt README-en.txt)
(cd "$stage" && sha256sum "${files[@]}" | sed 's/$/\r/' > SHA256SUMS)
files+=(SHA256SUMS)

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct)}
for file in "${files[@]}"; do
    chmod 644 "$stage/$file"
    touch -d "@$epoch" "$stage/$file"
done
zip=$root/dist/KorvSerial-$version.zip
mkdir -p "$root/dist"
rm -f "$zip"
(cd "$stage" && TZ=UTC zip -q -X "$zip" "${files[@]}")

echo "=== release $version"
unzip -l "$zip"
echo "KorvSerial.exe: SHA-256 $(sha256sum < "$stage/KorvSerial.exe" | cut -d' ' -f1), $signature"
if [ -n "$certificate" ]; then
    echo "KorvSerial.exe without its signature, as anyone builds it from $revision:" \
        "SHA-256 $(sha256sum < "$source/build/windows/app/KorvSerial.exe" | cut -d' ' -f1)"
fi
echo "dist/$(basename "$zip"): SHA-256 $(sha256sum < "$zip" | cut -d' ' -f1)"
