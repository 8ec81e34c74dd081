#!/usr/bin/env bash
# Checks a built package the way Debian and software centres look at it:
# lintian at its default level, and the desktop entry and AppStream metadata
# the package ships. Any error, warning or note fails.
#   tools/check-package.sh PACKAGE.deb
set -euo pipefail
deb=${1:?usage: tools/check-package.sh PACKAGE.deb}
status=0

echo "lintian $(basename "$deb")"
lintian --fail-on error,warning "$deb" 2> >(grep -v '^running with root privileges' >&2) || status=1

shipped=$(mktemp -d)
trap 'rm -rf "$shipped"' EXIT
dpkg-deb -x "$deb" "$shipped"

# Both validators exit 0 on some findings, so anything they report counts.
check() {
  local out
  out=$("$@" 2>&1) || { printf '%s\n' "$out"; status=1; return; }
  if grep -qE '^[EWIP]: |: (error|warning|hint)[: ]' <<<"$out"; then printf '%s\n' "$out"; status=1; fi
}
for f in "$shipped"/usr/share/applications/*.desktop; do
  echo "desktop-file-validate ${f#"$shipped"}"
  check desktop-file-validate "$f"
done
for f in "$shipped"/usr/share/metainfo/*.xml; do
  echo "appstreamcli validate ${f#"$shipped"}"
  check appstreamcli validate --no-net "$f"
  # Software centres find the entry by the id the file is named after.
  id=$(basename "$f" .metainfo.xml)
  grep -qF "<id>$id</id>" "$f" || { echo "E: ${f#"$shipped"} does not have the id its name says"; status=1; }
  [ -f "$shipped/usr/share/applications/$id.desktop" ] ||
    { echo "E: no desktop entry $id.desktop for ${f#"$shipped"}"; status=1; }
done

[ "$status" -eq 0 ] && echo "package checks: clean"
exit "$status"
