#!/usr/bin/env bash
# The Windows Installer package under Wine's msiexec, in a scratch prefix
# made for this run, silently (/qn) as a deployment tool runs it:
#   wine-msi-check.sh MSI OLDER_MSI [WORK_DIR]
# It installs into Program Files with the Start-menu shortcut and the folder
# on the machine's PATH; an older package refuses and changes nothing; the
# same package again puts back a lost file; it uninstalls leaving nothing and
# the PATH's other entries as they were. Then the older package installed and
# the package over it: one product left, the newer, and its uninstall again
# leaves nothing. The prefix is removed at the end.
set -euo pipefail
msi=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
older=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-scratch-prefix.sh" galt-msi "${3:-}"

environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
products='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# The PATH's entries, one a line; Wine's msi leaves an empty one behind.
entries() { value "$environment" Path | tr ';' '\n' | sed '/^$/d'; }
msiexec() {
  echo "--- msiexec $*"
  status=0
  run msiexec "$@" || status=$?
}
folder="$prefix/drive_c/Program Files/GALT-5R"
# Wine's msi puts a per-machine package's shortcut in the installing user's
# menu; Windows in every user's.
shortcut() {
  ls "$prefix"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/"Загрузчик ПО GALT-5R.lnk" \
    "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Загрузчик ПО GALT-5R.lnk" 2>/dev/null | head -n 1
}
installed() { value 'HKLM\Software\GALT-5R Loader' DisplayVersion; }
product_count() { run reg query "$products" 2>/dev/null | tr -d '\r' | grep -c '\\{' || true; }

echo "--- making a scratch Wine prefix"
run
cp "$msi" "$prefix/drive_c/galt.msi"
cp "$older" "$prefix/drive_c/galt-older.msi"
path_before=$(entries)

msiexec /i 'C:\galt.msi' /qn
[ "$status" -eq 0 ] || fail "the install exited $status"
for f in galt-loader.exe galt-loader-cli.exe readme.txt; do
  [ -f "$folder/$f" ] || fail "$folder/$f was not installed"
done
[ -n "$(shortcut)" ] || fail "no Start-menu shortcut"
[ "$(installed)" = 0211 ] || fail "version $(installed) installed"
[ "$(entries)" = "$path_before"$'\n''C:\Program Files\GALT-5R\' ] || fail "PATH: $(entries | paste -sd';')"

msiexec /i 'C:\galt-older.msi' /qn
[ "$status" -ne 0 ] || fail "the older package installed over the newer"
[ "$(installed)" = 0211 ] && [ "$(product_count)" -eq 1 ] || fail "the older package changed the installation"

rm "$folder/readme.txt"
msiexec /i 'C:\galt.msi' /qn
[ "$status" -eq 0 ] && [ -f "$folder/readme.txt" ] || fail "the same package again did not repair readme.txt"

left_nothing() {
  [ ! -e "$folder" ] || fail "$folder is still there: $(ls -A "$folder")"
  [ -z "$(shortcut)" ] || fail "the Start-menu shortcut is still there"
  [ -z "$(installed)" ] || fail "the version is still registered"
  [ "$(product_count)" -eq 0 ] || fail "a product is still registered"
  [ "$(entries)" = "$path_before" ] || fail "PATH after: $(entries | paste -sd';')"
}
msiexec /x 'C:\galt.msi' /qn
[ "$status" -eq 0 ] || fail "the uninstall exited $status"
left_nothing

msiexec /i 'C:\galt-older.msi' /qn
[ "$status" -eq 0 ] && [ "$(installed)" != 0211 ] || fail "the older package did not install"
msiexec /i 'C:\galt.msi' /qn
[ "$status" -eq 0 ] || fail "the upgrade exited $status"
[ "$(installed)" = 0211 ] && [ "$(product_count)" -eq 1 ] || fail "after the upgrade: $(installed), $(product_count) products"
msiexec /x 'C:\galt.msi' /qn
[ "$status" -eq 0 ] || fail "the uninstall after the upgrade exited $status"
left_nothing
echo PASS
