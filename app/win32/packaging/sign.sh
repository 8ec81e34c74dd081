#!/usr/bin/env bash
# Signs one Windows file (a program, an installer, an MSI) in place with
# Authenticode (SHA-256) by osslsigncode:
#   sign.sh FILE (--pkcs12 CERT.pfx | --pkcs11 URI --pkcs11-module MODULE)
#                (--timestamp URL | --no-timestamp)
# --pkcs12: the certificate and key of a PKCS#12 file, its password from
# GALT_SIGN_PASSWORD. --pkcs11: a key on a token or HSM, through OpenSSL's
# PKCS#11 engine (libp11) and the token's MODULE; URI (RFC 7512) names the
# token and the object that holds the key and its certificate
# (pkcs11:token=galt;object=signkey), the PIN comes from GALT_SIGN_PIN.
# Password and PIN go through a pipe, so they show on no command line.
# Without a timestamp server the signature holds only as long as the
# certificate does, hence --no-timestamp must be said. The description is
# in ASCII: osslsigncode stores it as such, and Windows would garble UTF-8
# there.
set -euo pipefail
usage() {
  echo "usage: $0 FILE (--pkcs12 CERT.pfx | --pkcs11 URI --pkcs11-module MODULE) (--timestamp URL | --no-timestamp)" >&2
  exit 2
}
[ $# -ge 1 ] || usage
file=$1
shift
pkcs12= uri= module= timestamp= stamped=
while [ $# -gt 0 ]; do
  case $1 in
    --pkcs12) [ $# -ge 2 ] || usage; pkcs12=$2; shift 2 ;;
    --pkcs11) [ $# -ge 2 ] || usage; uri=$2; shift 2 ;;
    --pkcs11-module) [ $# -ge 2 ] || usage; module=$2; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; stamped=yes; shift 2 ;;
    --no-timestamp) stamped=no; shift ;;
    *) usage ;;
  esac
done
[ -n "$stamped" ] || usage
if [ -n "$pkcs12" ] && [ -z "$uri" ]; then
  key=(-pkcs12 "$pkcs12")
  secret=${GALT_SIGN_PASSWORD-}
elif [ -n "$uri" ] && [ -z "$pkcs12" ] && [ -n "$module" ]; then
  case $uri in
    pkcs11:*) ;;
    *) echo "$0: $uri is no pkcs11: URI" >&2; exit 2 ;;
  esac
  case ";${uri#pkcs11:}" in
    *";pin-value="* | *"?pin-value="*) echo "$0: the PIN comes from GALT_SIGN_PIN, not from the URI" >&2; exit 2 ;;
  esac
  engine=$(openssl version -e | sed -n 's/^ENGINESDIR: "\(.*\)"$/\1/p')/pkcs11.so
  [ -f "$engine" ] || { echo "$0: no PKCS#11 engine $engine (Debian: libengine-pkcs11-openssl)" >&2; exit 1; }
  # The key and the certificate are the object's two parts.
  base=$(sed -E 's/;type=[^;?]*//; s/^pkcs11:type=[^;?]*;?/pkcs11:/' <<<"$uri")
  key=(-pkcs11engine "$engine" -pkcs11module "$module" -pkcs11cert "$base;type=cert" -key "$base;type=private")
  secret=${GALT_SIGN_PIN-}
else
  usage
fi
stamp=()
[ "$stamped" = no ] || stamp=(-ts "$timestamp")
osslsigncode sign "${key[@]}" -readpass <(printf '%s' "$secret") -h sha256 \
  -n "GALT-5R firmware loader" "${stamp[@]}" -in "$file" -out "$file.signed" >/dev/null
chmod --reference="$file" "$file.signed"
mv -f "$file.signed" "$file"
