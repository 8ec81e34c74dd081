#!/usr/bin/env bash
# The Windows installer under Wine, in a scratch prefix made for this run:
#   wine-installer-check.sh SETUP.EXE OLDER_SETUP.EXE [WORK_DIR]
# For one user, with the account's local application data under a folder
# named "R&D ^%x% Тест" (&, ^, % and Cyrillic, legal in a user's name): it
# installs silently (/S) without administrator rights; the installed
# galt-loader-cli --list lists a port when started by name in a new console
# (the folder is on the user's PATH); the Start-menu shortcut and the
# uninstaller's entry are there; with the installed window running, a second
# silent install fails and changes nothing; an older installer refuses and
# changes nothing; the same version installed again puts back a lost file.
# The registered quiet uninstall, run through cmd and as CreateProcess runs
# it, leaves nothing of the installation, and the PATH as it was. For every
# user (/S /ALLUSERS): Program Files, HKLM's entry, the shortcut for all, the
# machine's PATH; its quiet uninstall removes them, the uninstaller and its
# folder going at the next start of Windows. The user's journal stays as it
# was throughout. With GALT_SIGNED_BY=CERT.pem
# only a signed release's files are checked: the installed programs and
# uninstaller must carry signatures by that certificate
# (tools/cross/check-signing.sh). The prefix is removed at the end.
set -euo pipefail
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
older=${2:+$(cd "$(dirname "$2")" && pwd)/$(basename "$2")}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-scratch-prefix.sh" galt-installer "${3:-}"

key='Software\Microsoft\Windows\CurrentVersion\Uninstall\GALT-5R Loader'
machine_environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
# Wine gives a Windows program's exit code to Linux modulo 256.
code_of() { echo $(($1 % 256)); }
# Waits (at most 5 s) until the path has gone.
gone() { for _ in $(seq 50); do [ -e "$1" ] || return 0; sleep 0.1; done; return 1; }

echo "--- making a scratch Wine prefix"
run
profile='C:\users\R&D ^%x% Тест'
run reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' /v 'Local AppData' \
  /t REG_SZ /d "$profile\\AppData\\Local" /f >/dev/null
path_before='C:\Tools;%USERPROFILE%\bin'
run reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$path_before" /f >/dev/null
programs="$prefix/drive_c/users/R&D ^%x% Тест/AppData/Local/Programs/GALT-5R"
# The user's install journal, which no install or uninstall touches.
journal="$prefix/drive_c/users/R&D ^%x% Тест/AppData/Local/GALT-5R/journal.csv"
mkdir -p "$(dirname "$journal")" && echo "the user's" >"$journal"
dir="$profile\\AppData\\Local\\Programs\\GALT-5R"
menu=$(echo "$prefix"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs)
shortcut="$menu/Загрузчик ПО GALT-5R.lnk"
# Wine's null driver makes no desktop windows; COM7 is named in the
# registry, as a port driver does (the listing opens no port).
run reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\GaltCheck7' /d COM7 /f >/dev/null 2>&1 ||
  fail "cannot name COM7 in SERIALCOMM"

install() {
  echo "--- $(basename "$1") ${*:2}"
  run "$@" || fail "the installer exited $(code_of $?)"
}
install "$setup" /S
for f in galt-loader.exe galt-loader-cli.exe readme.txt uninstall.exe; do
  [ -f "$programs/$f" ] || fail "$programs/$f was not installed"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut in $menu"
[ "$(value "HKCU\\$key" DisplayVersion)" = 0211 ] || fail "the entry does not name version 0211"
quiet=$(value "HKCU\\$key" QuietUninstallString)
echo "QuietUninstallString: $quiet"
[ "$quiet" = "\"$dir\\uninstall.exe\" /S" ] || fail "the quiet uninstall is not the program in quotes with /S"
[ "$(value 'HKCU\Environment' Path)" = "$path_before;$dir" ] || fail "PATH: $(value 'HKCU\Environment' Path)"

if [ -n "${GALT_SIGNED_BY:-}" ]; then
  echo "--- the installed programs' signatures"
  for f in galt-loader.exe galt-loader-cli.exe uninstall.exe; do
    osslsigncode verify -CAfile "$GALT_SIGNED_BY" -in "$programs/$f" >"$work/verify" 2>&1 ||
      fail "$f: $(grep -iE 'fail|error|mismatch' "$work/verify" | head -n 3)"
    echo "$f: $(grep -m1 'Signature verification' "$work/verify")"
  done
  echo PASS
  exit 0
fi

echo "--- galt-loader-cli --list in a new console"
listed=$(run cmd /c 'galt-loader-cli --list') || fail "galt-loader-cli --list exited $(code_of $?)"
echo "$listed"
echo "$listed" | tr -d '\r' | grep -qE '^COM7( |$)' || fail "COM7 is not listed"

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
[ "$status" -eq 2 ] || fail "the installer exited $status, not 2"
tail -n 1 "$programs/readme.txt" | grep -qx changed || fail "the installer wrote readme.txt"

echo "--- $(basename "$older") /S over 0211"
status=0; run "$older" /S || status=$?
[ "$status" -eq "$(code_of 1638)" ] || fail "the older installer exited $status, not 1638"
tail -n 1 "$programs/readme.txt" | grep -qx changed || fail "the older installer wrote readme.txt"
[ "$(value "HKCU\\$key" DisplayVersion)" = 0211 ] || fail "the older installer changed the entry"

rm "$programs/readme.txt"
install "$setup" /S
[ -f "$programs/readme.txt" ] || fail "the same version again did not repair readme.txt"

# Nothing of the installation is left when the uninstall has ended; its
# own program and folder go as it ends (Windows deletes no running program).
left_nothing() {
  gone "$programs" || fail "$programs is still there: $(ls -A "$programs")"
  [ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
  if run reg query "HKCU\\$key" >/dev/null 2>&1; then fail "the uninstaller's entry is still there"; fi
  [ "$(value 'HKCU\Environment' Path)" = "$path_before" ] || fail "PATH after: $(value 'HKCU\Environment' Path)"
}
echo "--- $quiet, through cmd"
# As typed at cmd's prompt: the string comes in whole from the environment,
# as Wine would quote an argument of its own.
GALT_QUIET=$quiet run cmd /c %GALT_QUIET% || fail "the uninstaller exited $(code_of $?) through cmd"
left_nothing
install "$setup" /S
echo "--- $quiet, as CreateProcess runs it"
run "$dir\\uninstall.exe" /S || fail "the uninstaller exited $(code_of $?)"
left_nothing

echo "--- $(basename "$setup") /S /ALLUSERS"
machine_path=$(value "$machine_environment" Path)
install "$setup" /S /ALLUSERS
all="$prefix/drive_c/Program Files/GALT-5R"
common_shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Загрузчик ПО GALT-5R.lnk"
for f in galt-loader.exe galt-loader-cli.exe readme.txt uninstall.exe; do
  [ -f "$all/$f" ] || fail "$all/$f was not installed"
done
[ -f "$common_shortcut" ] || fail "no Start-menu shortcut for all users"
[ "$(value "HKLM\\$key" InstallLocation)" = 'C:\Program Files\GALT-5R' ] || fail "no entry under HKLM"
[ "$(value "$machine_environment" Path)" = "$machine_path;C:\\Program Files\\GALT-5R" ] ||
  fail "the machine's PATH: $(value "$machine_environment" Path)"
quiet=$(value "HKLM\\$key" QuietUninstallString)
echo "--- $quiet"
run 'C:\Program Files\GALT-5R\uninstall.exe' /S || fail "the uninstaller exited $(code_of $?)"
for f in galt-loader.exe galt-loader-cli.exe readme.txt; do
  [ ! -e "$all/$f" ] || fail "$f is still there"
done
[ ! -e "$common_shortcut" ] || fail "the Start-menu shortcut for all users is still there"
if run reg query "HKLM\\$key" >/dev/null 2>&1; then fail "the entry under HKLM is still there"; fi
[ "$(value "$machine_environment" Path)" = "$machine_path" ] || fail "the machine's PATH after: $(value "$machine_environment" Path)"
run reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null |
  tr -d '\r' | grep -qF 'GALT-5R\uninstall.exe' || fail "uninstall.exe is not to go at the next start"
[ "$(cat "$journal")" = "the user's" ] || fail "the user's journal was touched"
echo PASS
