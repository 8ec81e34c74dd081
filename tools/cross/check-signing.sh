#!/usr/bin/env bash
# The signed Windows release, made afresh in WORK_DIR (emptied first):
#   check-signing.sh WORK_DIR
# Makes a throwaway code-signing certificate, runs
# tools/make-windows-release.sh --sign with it, and checks with osslsigncode
# that both programs in the zip and the installer carry valid signatures by
# it; then the installer's check under Wine (wine-installer-check.sh) checks
# the installed programs and the uninstaller the same way.
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
