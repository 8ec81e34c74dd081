# Sourced by the checks that install into a Wine prefix of their own, once
# they have set `here` (this folder):
#   . "$here/wine-scratch-prefix.sh" NAME [WORK_DIR]
# makes WORK_DIR/NAME.XXXXXX (WORK_DIR: $TMPDIR or /tmp) with `prefix` in it,
# and removes both when the check ends, the prefix's Wine server stopped
# first. Gives the check run (a program in the prefix), value (a registry
# string) and fail.
work=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/$1.XXXXXX")
prefix=$work/prefix
cleanup() {
  "$here/wine-end.sh" "$prefix" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

run() { "$here/wine-run.sh" "$prefix" "$@"; }
fail() { echo "FAIL: $*"; exit 1; }
# A string value of the registry ("" when there is none), from reg export:
# reg query prints in the console's code page, which has no Cyrillic.
value() { "$here/wine-reg-value.sh" "$prefix" "$@"; }
