#!/usr/bin/env bash
# The Windows Installer package from galt-loader.wxs (configured by the
# build) with wixl, then what wixl cannot say:
# - the database's code page: wixl writes the tables' strings in none,
#   dropping every Cyrillic one, so the code page is set to 1251 and the
#   product's name, the shortcut's and the refusal's text are written again;
# - the shortcut not advertised (wixl makes no other kind): a plain link to
#   the program, as the installer's;
# - the same version replacing itself (a rebuilt package: a repair);
# - the folder on the machine's PATH: Windows Installer's Environment table
#   adds it at the end and takes it off at the uninstall, leaving the other
#   entries as they are, and tells running programs.
#   make-msi.sh WXS OUT.msi VERSION DISPLAY_VERSION PRODUCT STAGE ICON [SIGN_COMMAND]
# VERSION is Windows Installer's (2.11.0), DISPLAY_VERSION the loader's (0211),
# PRODUCT its name in the Start menu and the list of programs.
set -euo pipefail
wxs=$1 out=$2 version=$3 display=$4 product=$5 stage=$6 icon=$7 sign=${8:-}
tmp=$out.tmp.msi
rm -f "$tmp"
# wixl finds files only by paths relative to the source's folder.
base=$(dirname "$wxs")
stage=$(realpath -m --relative-to="$base" "$stage") icon=$(realpath -m --relative-to="$base" "$icon")
wixl -a x64 -D Version="$version" -D DisplayVersion="$display" -D Stage="$stage" -D Icon="$icon" -o "$tmp" "$wxs"
refusal="Установлена более новая версия загрузчика: [GALT_INSTALLED_VERSION]. Этот пакет ставит версию $display \
и ничего не изменил. Если нужна версия $display, сначала удалите установленную."
upgrade=$(msiinfo export "$tmp" Property | tr -d '\r' | awk -F '\t' '$1 == "UpgradeCode" { print $2 }')
sql() { printf '%s' "${1//\'/\'\'}"; }
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >"$tmp.codepage.idt"
(cd "$(dirname "$tmp")" && msibuild "$(basename "$tmp")" -i "$(basename "$tmp").codepage.idt")
rm -f "$tmp.codepage.idt"
msibuild "$tmp" \
  -q "UPDATE \`Property\` SET \`Value\` = '$(sql "$product")' WHERE \`Property\` = 'ProductName'" \
  -q "UPDATE \`Shortcut\` SET \`Name\` = 'GALT5R|$(sql "$product")', \`Target\` = '[#galt_loader.exe]' WHERE \`Shortcut\` = 'StartMenu'" \
  -q "UPDATE \`LaunchCondition\` SET \`Description\` = '$(sql "$refusal")' WHERE \`Condition\` = 'NOT WIX_DOWNGRADE_DETECTED'" \
  -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade', '$version', 513, 'WIX_UPGRADE_DETECTED')" \
  -q 'CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)' \
  -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) VALUES ('Path', '=-*Path', '[~];[INSTALLDIR]', 'Programs')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"
[ -z "$sign" ] || "$sign" "$tmp"
mv -f "$tmp" "$out"
