#!/usr/bin/env bash
# Builds the release executable and leaves it at dist/uninstall.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
mkdir -p dist
cp build/release/uninstall.exe dist/uninstall.exe
echo "dist/uninstall.exe: $(stat -c %s dist/uninstall.exe) bytes"
