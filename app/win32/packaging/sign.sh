#!/usr/bin/env bash
# Signs one Windows program in place with Authenticode (SHA-256), with
# osslsigncode and the certificate and key of a PKCS#12 file:
#   sign.sh FILE CERT.pfx [TIMESTAMP_URL]
# The password comes from GALT_SIGN_PASSWORD, through a pipe, so that it
# shows on no command line. Without a timestamp server the signature holds
# only as long as the certificate does. The description is in ASCII:
# osslsigncode stores it as such, and Windows would garble UTF-8 there.
set -euo pipefail
file=$1 cert=$2 url=${3:-}
timestamp=()
[ -z "$url" ] || timestamp=(-ts "$url")
osslsigncode sign -pkcs12 "$cert" -readpass <(printf '%s' "${GALT_SIGN_PASSWORD-}") -h sha256 \
  -n "GALT-5R firmware loader" "${timestamp[@]}" -in "$file" -out "$file.signed" >/dev/null
chmod --reference="$file" "$file.signed"
mv -f "$file.signed" "$file"
