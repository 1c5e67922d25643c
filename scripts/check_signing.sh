#!/usr/bin/env bash
# Checks the release's signing path with a throwaway self-signed code-signing
# certificate made on the spot: the executable is signed with SHA-256 and the
# signature verifies (scripts/sign.sh), and removing the signature gives back
# the executable's own bytes. The signed copy stays as
# <windows-build-dir>/signing/KorvSerial.exe, for the end-to-end suite to start:
#   scripts/check_signing.sh <windows-build-dir>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?windows build directory}" && pwd)
exe=$build/app/KorvSerial.exe
work=$build/signing
rm -rf "$work"
mkdir -p "$work"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=KorvSerial throwaway test signer" \
    -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
    -keyout "$work/key.pem" -out "$work/certificate.pem" 2> "$work/openssl.log"

if "$root/scripts/sign.sh" "$exe" "$work/KorvSerial.exe" "$work/certificate.pem" "$work/key.pem" \
    > "$work/verify.txt" 2>&1 && grep -Eq '^Message digest algorithm *: SHA256' "$work/verify.txt"; then
    echo "PASS signing: signed with SHA-256, the signature verifies (report in $work/verify.txt)"
else
    echo "FAIL signing: no verified SHA-256 signature"
    cat "$work/verify.txt"
    exit 1
fi

osslsigncode remove-signature -in "$work/KorvSerial.exe" -out "$work/unsigned.exe" > /dev/null
if cmp "$exe" "$work/unsigned.exe"; then
    echo "PASS signing: removing the signature gives back the executable's bytes"
else
    echo "FAIL signing: the executable without its signature is not the one that was signed"
    exit 1
fi
