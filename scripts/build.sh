#!/usr/bin/env bash
# Builds the release executable, leaves it at dist/uninstall.exe and prints its size and
# SHA-256 (in the form sha256sum -c reads).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
mkdir -p dist
cp build/release/uninstall.exe dist/uninstall.exe
echo "dist/uninstall.exe: $(stat -c %s dist/uninstall.exe) bytes"
sha256sum --tag dist/uninstall.exe
