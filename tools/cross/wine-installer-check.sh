#!/usr/bin/env bash
# The Windows installer under Wine, in a scratch prefix made for this run:
#   wine-installer-check.sh SETUP.EXE [WORK_DIR]
# It installs silently (/S) for the current user, without administrator
# rights; the installed galt-loader-cli.exe --list lists a port; the Start-menu
# shortcut and the uninstaller's entry are there; with the installed window
# running, a second silent install fails and changes nothing; the
# uninstaller, run as its QuietUninstallString says, has removed what the
# installer put there when it returns. With GALT_SIGNED_BY=CERT.pem the
# installed programs and the uninstaller must carry signatures by that
# certificate (tools/cross/check-signing.sh). The prefix is removed at the end.
set -euo pipefail
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/galt-installer.XXXXXX")
prefix=$work/prefix
cleanup() {
  "$here/wine-end.sh" "$prefix" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\GALT-5R Loader'
run() { "$here/wine-run.sh" "$prefix" "$@"; }
fail() { echo "FAIL: $*"; exit 1; }

echo "--- making a scratch Wine prefix"
run
echo "--- $(basename "$setup") /S"
run "$setup" /S || fail "the installer exited $?"
programs=$(echo "$prefix"/drive_c/users/*/AppData/Local/Programs/GALT-5R)
menu=$(echo "$prefix"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)
for f in galt-loader.exe galt-loader-cli.exe readme.txt uninstall.exe; do
  [ -f "$programs/$f" ] || fail "$programs/$f was not installed"
done
[ -f "$menu/Загрузчик ПО GALT-5R.lnk" ] || fail "no Start-menu shortcut in $menu"
entry=$(run reg query "$key" 2>/dev/null | tr -d '\r') || fail "no uninstaller entry $key"
echo "$entry" | grep -E 'DisplayName|DisplayVersion|UninstallString' | sed 's/^ */  /'
echo "$entry" | grep -q 'DisplayVersion.*0211' || fail "the entry does not name version 0211"
quiet=$(echo "$entry" | sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
[ -n "$quiet" ] || fail "the entry has no QuietUninstallString"

echo "--- the installed galt-loader-cli.exe --list"
# Wine's runs see none of the machine's ports, so the scratch prefix has
# none: COM7 is named in the registry, as a port driver does (the listing
# opens no port, so nothing needs to be behind it).
run reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\GaltCheck7' /d COM7 /f >/dev/null 2>&1 ||
  fail "cannot name COM7 in SERIALCOMM"
listed=$(run "$programs/galt-loader-cli.exe" --list) || fail "galt-loader-cli.exe --list exited $?"
echo "$listed"
echo "$listed" | tr -d '\r' | grep -qE '^COM7( |$)' || fail "COM7 is not listed"

if [ -n "${GALT_SIGNED_BY:-}" ]; then
  echo "--- the installed programs' signatures"
  for f in galt-loader.exe galt-loader-cli.exe uninstall.exe; do
    osslsigncode verify -CAfile "$GALT_SIGNED_BY" -in "$programs/$f" >"$work/verify" 2>&1 ||
      fail "$f: $(grep -iE 'fail|error|mismatch' "$work/verify" | head -n 3)"
    echo "$f: $(grep -m1 'Signature verification' "$work/verify")"
  done
fi

echo "--- $(basename "$setup") /S with the installed galt-loader.exe running"
echo changed >>"$programs/readme.txt"
run "$programs/galt-loader.exe" >/dev/null 2>&1 &
# Running once Wine has mapped the program (its files are held open then).
for _ in $(seq 100); do
  pid=$(pgrep -f 'GALT-5R\\galt-loader\.exe' | head -n 1) && grep -q 'GALT-5R/galt-loader\.exe' "/proc/$pid/maps" 2>/dev/null && break
  sleep 0.1
done
status=0; run "$setup" /S || status=$?
"$here/wine-end.sh" "$prefix" >/dev/null; wait || true
echo "exit code $status"
[ "$status" -eq 2 ] || fail "the installer exited $status, not 2"
tail -n 1 "$programs/readme.txt" | grep -qx changed || fail "the installer wrote readme.txt"

echo "--- $quiet"
# As Windows runs it, but split into words by spaces: the scratch prefix's
# paths have none. When it returns, nothing of the installation is left.
read -ra words <<<"${quiet//\"/}"
run "${words[@]}" || fail "the uninstaller exited $?"
[ ! -e "$programs" ] || fail "$programs is still there: $(ls "$programs")"
[ ! -e "$menu/Загрузчик ПО GALT-5R.lnk" ] || fail "the Start-menu shortcut is still there"
if run reg query "$key" >/dev/null 2>&1; then fail "the uninstaller's entry is still there"; fi
echo PASS
