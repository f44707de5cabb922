#!/usr/bin/env bash
# Builds the release executable with scripts/build.sh in two fresh clones of the checkout's
# commit, in folders of different names and depths, the second with the clock three days
# ahead, and fails unless both builds printed the SHA-256 of their dist/uninstall.exe and
# the two files are the same bytes.
# Usage: two-clones.sh CHECKOUT WORKDIR
set -euo pipefail
src=$1 work=$2
commit=$(git -C "$src" rev-parse --verify HEAD)
rm -rf "$work"
mkdir -p "$work"

hashes=()
build() {  # DIR [COMMAND...]: a clone in DIR, built by scripts/build.sh run through COMMAND
  local dir=$1 printed actual
  shift
  git clone -q --no-checkout "$src" "$dir"
  git -C "$dir" checkout -q --detach "$commit"
  # The unpacked TinyXML source that scripts/setup.sh would fetch, so that no network is needed.
  cp -a "$src/third_party" "$dir/third_party"
  if ! (cd "$dir" && "$@" ./scripts/build.sh) >"$dir.log" 2>&1; then
    cat "$dir.log"
    echo "FAIL: the build in $dir failed"
    exit 1
  fi
  printed=$(sed -n 's/^SHA256 (dist\/uninstall.exe) = \([0-9a-f]\{64\}\)$/\1/p' "$dir.log")
  actual=$(sha256sum "$dir/dist/uninstall.exe" | cut -d ' ' -f 1)
  if [ "$printed" != "$actual" ]; then
    cat "$dir.log"
    echo "FAIL: the build in $dir printed '$printed' as the SHA-256 of a file whose hash is $actual"
    exit 1
  fi
  echo "$actual  $dir/dist/uninstall.exe"
  hashes+=("$actual")
}

echo "commit $commit"
build "$work/a"
build "$work/second/a-clone-with-a-longer-name" faketime -f +3d
if [ "${hashes[0]}" != "${hashes[1]}" ]; then
  { cmp -l "$work/a/dist/uninstall.exe" "$work/second/a-clone-with-a-longer-name/dist/uninstall.exe" ||
    true; } | head -n 10
  echo "FAIL: the two builds differ (offsets and octal bytes of the first differences above)"
  exit 1
fi
rm -rf "$work"
echo "1 passed, 0 failed"
