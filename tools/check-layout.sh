#!/usr/bin/env bash
# Checks that the code's includes run one way only: the front ends (app/*)
# on frontend/, frontend/ on the sequences and port discovery, and so on
# down; no front end includes another's files, and none reaches into a
# serial backend (serial/linux/, serial/win32/): what the component offers
# is in serial/ itself, Windows' helpers in winutil/. Tests are not checked.
#   tools/check-layout.sh [source tree, default: this one]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# folder: the folders its includes may name (besides the standard library
# and the system's headers); a folder after "!" it may not, though an
# allowed one holds it.
backends="!serial/linux !serial/win32"
rules=(
  "winutil: winutil"
  "image: image"
  "link: link image"
  "sequences: sequences link image"
  "records: records sequences link image winutil"
  "serial: serial winutil"
  "ports: ports serial winutil"
  "frontend: frontend records sequences link image ports serial $backends"
  "app/qt: app/qt frontend records sequences link image ports serial $backends"
  "app/cli: app/cli frontend records sequences link image ports serial winutil $backends"
  "app/win32: app/win32 frontend records sequences link image ports serial winutil $backends"
  "tools/emulator: tools/emulator"
)

status=0
for rule in "${rules[@]}"; do
  folder=${rule%%:*}
  allowed=${rule#*: }
  [ -d "$folder" ] || continue
  while IFS=: read -r file line include; do
    target=${include#*\"}
    target=${target%%\"*}
    ok=0
    for a in $allowed; do
      case $target in "$a"/*) ok=1 ;; esac
    done
    case $target in */*) ;; *) ok=1 ;; esac  # a file of the same folder
    for a in $allowed; do
      case $a in '!'*) case $target in "${a#!}"/*) ok=0 ;; esac ;; esac
    done
    if [ $ok -eq 0 ]; then
      echo "$file:$line: $folder/ may not include $target"
      status=1
    fi
  done < <(grep -rnE '^#include "' "$folder" --include='*.cpp' --include='*.h' --include='*.c' \
             --exclude-dir=tests || true)
done
[ $status -eq 0 ] && echo "includes run downward"
exit $status
