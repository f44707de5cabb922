#!/usr/bin/env bash
# Runs scripts/demo.sh --app PACKAGE and checks what it says: both uninstalls leave nothing,
# the quiet one ends with 0, and the misspelled element is named.
set -uo pipefail
top=$1 package=$2
out=$("$top/scripts/demo.sh" --app "$package" 2>&1)
status=$?
echo "$out"
fail() { echo "demo_app: $*" >&2; exit 1; }
[ $status = 0 ] || fail "demo.sh --app exited with $status"
[ "$(grep -c 'nothing: files, groups, shortcuts and keys are gone' <<<"$out")" = 2 ] ||
  fail "something of the package was left"
grep -q 'installed: program group .*Acme Tools\\Acme Tool$' <<<"$out" || fail "no group installed"
grep -q 'box 1: .*确认卸载' <<<"$out" || fail "no confirmation box"
grep -q '^  exit code: 0$' <<<"$out" || fail "the quiet run did not end with 0"
grep -q 'did you mean <scDesktopName>' <<<"$out" || fail "the misspelled element was not named"
