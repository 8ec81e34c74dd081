#!/bin/sh
# Runs a program on the mocked machine. The mock is preloaded, so a program
# built with AddressSanitizer must not insist on its runtime coming first.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
export ASAN_OPTIONS
exec umockdev-wrapper "$@"
