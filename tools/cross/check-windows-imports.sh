#!/usr/bin/env bash
# Checks that Windows programs import only Windows' own DLLs (no MinGW
# runtime or other DLL of ours to ship beside them), and that the window is
# a GUI program (no console window):
#   check-windows-imports.sh [--gui EXE]... EXE...
set -euo pipefail
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
# DLLs every Windows has in System32.
system="advapi32 cfgmgr32 comctl32 comdlg32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 setupapi shell32 user32
        version winmm ws2_32"

status=0
gui=()
files=()
while [ $# -gt 0 ]; do
  case $1 in
    --gui) gui+=("$2"); files+=("$2"); shift 2 ;;
    *) files+=("$1"); shift ;;
  esac
done

for exe in "${files[@]}"; do
  dump=$("$objdump" -p "$exe")
  imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sed 's/\.dll$//' | sort -u | tr '\n' ' ')
  subsystem=$(sed -n 's/^Subsystem\s*[0-9a-f]*\s*//p' <<<"$dump")
  echo "${exe##*/}: $subsystem; imports ${imports% }"
  for dll in $imports; do
    case " $(echo $system) " in
      *" $dll "*) ;;
      *) echo "  FAIL: $dll.dll is not a DLL of Windows"; status=1 ;;
    esac
  done
  for want in "${gui[@]}"; do
    if [ "$want" = "$exe" ] && [ "$subsystem" != "(Windows GUI)" ]; then
      echo "  FAIL: ${exe##*/} is not a GUI program"
      status=1
    fi
  done
done
exit $status
