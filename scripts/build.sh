#!/usr/bin/env bash
# Builds the release executable, leaves it at dist/uninstall.exe and prints its size and
# SHA-256 (in the form sha256sum -c reads). CMake's and the compiler's output goes to
# build/release.log and is shown when the build fails or warns.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
echo "build: building the release executable"
mkdir -p build
log=build/release.log
if ! { cmake --preset release && cmake --build --preset release -j "$(nproc)"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "build: failed; the output above is in $log" >&2
  exit 1
fi
if grep -qi warning "$log"; then cat "$log" >&2; fi
mkdir -p dist
cp build/release/uninstall.exe dist/uninstall.exe
echo "dist/uninstall.exe: $(stat -c %s dist/uninstall.exe) bytes"
sha256sum --tag dist/uninstall.exe
