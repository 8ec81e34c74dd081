#!/usr/bin/env bash
# The release made afresh in WORK_DIR by make-windows-release.sh --sign with
# a throwaway certificate; osslsigncode verifies the programs in the zip, the
# installer and, installed by wine-installer-check.sh, the uninstaller:
#   check-signing.sh WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(realpath -m "$1")
rm -rf "$work"
mkdir -p "$work/keys" "$work/zip"
export GALT_SIGN_PASSWORD=throwaway
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=GALT-5R test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/keys/key.pem" -out "$work/keys/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/keys/key.pem" -in "$work/keys/cert.pem" -out "$work/keys/cert.pfx" \
  -passout env:GALT_SIGN_PASSWORD
made=$("$here/../make-windows-release.sh" --sign "$work/keys/cert.pfx" "$work/release")
zip=$(grep -- '-win64\.zip$' <<<"$made") setup=$(grep -- '-setup\.exe$' <<<"$made")
(cd "$work/zip" && cmake -E tar xf "$zip")
for f in "$work/zip/galt-loader.exe" "$work/zip/galt-loader-cli.exe" "$setup"; do
  osslsigncode verify -CAfile "$work/keys/cert.pem" -in "$f" >"$work/verify" 2>&1 ||
    { cat "$work/verify"; echo "FAIL: ${f##*/} carries no valid signature"; exit 1; }
  echo "${f##*/}: $(grep -m1 'Signature verification' "$work/verify")"
done
GALT_SIGNED_BY=$work/keys/cert.pem "$here/wine-installer-check.sh" "$setup" "$work"
