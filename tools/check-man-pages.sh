#!/usr/bin/env bash
# Checks the manual pages of the commands: every page carries the same date
# and version, and the pages that go into the default folder are Russian,
# as the users are (a page for another language is named NAME.xx.1).
#   tools/check-man-pages.sh [source tree, default: this one]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

status=0
first=""
while IFS= read -r page; do
  th=$(grep -m1 '^\.TH ' "$page" || true)
  # .TH NAME SECTION "date" "source" "manual": the date and the source.
  stamp=$(printf '%s\n' "$th" | sed -E 's/^\.TH +[^ ]+ +[0-9] +("[^"]*" +"[^"]*").*/\1/')
  if [ -z "$first" ]; then
    first=$stamp
    firstPage=$page
  elif [ "$stamp" != "$first" ]; then
    echo "$page: $stamp; $firstPage has $first"
    status=1
  fi
  case $page in
    *.[a-z][a-z].[1-9]) ;;
    *)
      name=$(sed -n '/^\.SH /{n;p;q}' "$page")
      # Cyrillic letters start with byte D0 or D1 in UTF-8.
      if ! printf '%s' "$name" | LC_ALL=C grep -q $'[\xd0\xd1]'; then
        echo "$page: its name line is not Russian: $name"
        status=1
      fi
      ;;
  esac
done < <(git ls-files '*.[1-9]' 2>/dev/null || find . -name '*.[1-9]' -not -path './build*')
[ $status -eq 0 ] && echo "manual pages agree: $first"
exit $status
