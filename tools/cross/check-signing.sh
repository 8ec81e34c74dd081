#!/usr/bin/env bash
# The release made afresh in WORK_DIR by make-windows-release.sh, signed with
# a throwaway certificate twice: from a .pfx file (--sign), then with the key
# and certificate on a SoftHSM2 token made here (--sign-pkcs11), the PIN
# given as GALT_SIGN_PIN. Each time osslsigncode verifies the programs in the
# zip, the installer and the MSI; the token's release is installed by
# wine-installer-check.sh, which verifies the installed programs and the
# uninstaller. A signature with no word on timestamps is refused:
#   check-signing.sh WORK_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
release=$here/../make-windows-release.sh
work=$(realpath -m "$1")
rm -rf "$work"
mkdir -p "$work/keys" "$work/tokens"
fail() { echo "FAIL: $*"; exit 1; }
export GALT_SIGN_PASSWORD=throwaway GALT_SIGN_PIN=20261208
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=GALT-5R test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/keys/key.pem" -out "$work/keys/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/keys/key.pem" -in "$work/keys/cert.pem" -out "$work/keys/cert.pfx" \
  -passout env:GALT_SIGN_PASSWORD

if "$release" --sign "$work/keys/cert.pfx" "$work/release" >/dev/null 2>&1; then
  fail "a release was signed with no word on timestamps"
fi

verify() {
  local made=$1 zip setup msi
  zip=$(grep -- '-win64\.zip$' <<<"$made") setup=$(grep -- '-setup\.exe$' <<<"$made") msi=$(grep -- '-x64\.msi$' <<<"$made")
  rm -rf "$work/zip" && mkdir "$work/zip"
  (cd "$work/zip" && cmake -E tar xf "$zip")
  for f in "$work/zip/galt-loader.exe" "$work/zip/galt-loader-cli.exe" "$setup" "$msi"; do
    osslsigncode verify -CAfile "$work/keys/cert.pem" -in "$f" >"$work/verify" 2>&1 ||
      { cat "$work/verify"; fail "${f##*/} carries no valid signature"; }
    echo "${f##*/}: $(grep -m1 'Signature verification' "$work/verify")"
  done
}
echo "--- signed from a .pfx file"
verify "$("$release" --sign "$work/keys/cert.pfx" --no-timestamp "$work/release")"

echo "--- signed on a SoftHSM2 token"
export SOFTHSM2_CONF=$work/softhsm2.conf
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' "$work/tokens" >"$SOFTHSM2_CONF"
module=/usr/lib/softhsm/libsofthsm2.so
softhsm2-util --init-token --free --label galt --so-pin "$GALT_SIGN_PIN" --pin "$GALT_SIGN_PIN" >/dev/null
softhsm2-util --import "$work/keys/key.pem" --token galt --label signkey --id 01 --pin "$GALT_SIGN_PIN" >/dev/null
GNUTLS_PIN=$GALT_SIGN_PIN p11tool --provider "$module" --login --write --load-certificate "$work/keys/cert.pem" \
  --label signkey --id 01 'pkcs11:token=galt' >/dev/null
made=$("$release" --sign-pkcs11 'pkcs11:token=galt;object=signkey' --pkcs11-module "$module" --no-timestamp \
  "$work/release")
verify "$made"
GALT_SIGNED_BY=$work/keys/cert.pem "$here/wine-installer-check.sh" "$(grep -- '-setup\.exe$' <<<"$made")" "" "$work"
