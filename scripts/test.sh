#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the portable code
# natively under ASan/UBSan, then the product under Wine on a virtual display. Each build
# prints one line; its output goes to build/PRESET.log and is shown when it fails or warns.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh

build() {  # PRESET WHAT
  local log=build/$1.log
  echo "test: building $2"
  if ! { cmake --preset "$1" && cmake --build --preset "$1" -j "$(nproc)"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "test: building $2 failed; the output above is in $log" >&2
    exit 1
  fi
  if grep -qi warning "$log"; then cat "$log" >&2; fi
}
build native "the native tests"
build windows "the Windows tests"

ctest --preset native
# The fuzzers, a short while each; ./scripts/fuzz.sh SECONDS runs them longer.
./scripts/fuzz.sh 15

# Wine needs a display for message boxes: a private virtual one unless one is given.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows "$@"
fi
ctest --preset windows "$@"
