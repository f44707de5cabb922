#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the portable code
# natively under ASan/UBSan, then the product under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh

cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"

ctest --preset native
# The fuzzers, a short while each; ./scripts/fuzz.sh SECONDS runs them longer.
./scripts/fuzz.sh 15

# Wine needs a display for message boxes: a private virtual one unless one is given.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows "$@"
fi
ctest --preset windows "$@"
