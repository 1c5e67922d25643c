#!/usr/bin/env bash
# Authenticode-signs a Windows executable with SHA-256 and verifies the
# signature against the certificate file, which therefore holds the signing
# certificate and its chain up to the root (PEM; a self-signed certificate is
# its own root):
#   scripts/sign.sh <unsigned.exe> <signed.exe> <certificate.pem> <key.pem>
# Environment (optional):
#   KORV_SIGN_PASS_FILE   a file holding the key's password
#   KORV_SIGN_TIMESTAMP   URL of an RFC 3161 time-stamp server: a time-stamped
#                         signature stays valid after the certificate expires
# Prints the verification report; fails when signing or verification fails.
set -euo pipefail
unsigned=${1:?unsigned executable}
signed=${2:?signed executable}
certificate=${3:?certificate file}
key=${4:?key file}

options=(-h sha256 -n KorvSerial -certs "$certificate" -key "$key")
[ -z "${KORV_SIGN_PASS_FILE:-}" ] || options+=(-readpass "$KORV_SIGN_PASS_FILE")
[ -z "${KORV_SIGN_TIMESTAMP:-}" ] || options+=(-ts "$KORV_SIGN_TIMESTAMP")

rm -f "$signed"
osslsigncode sign "${options[@]}" -in "$unsigned" -out "$signed" > /dev/null
osslsigncode verify -in "$signed" -CAfile "$certificate"
