#!/usr/bin/env bash
# The Wine environment of the scripts and the tests, in one place: a private prefix, code
# page 936, no debugging chatter, no offers to install Mono or Gecko.
#
#   . scripts/wine.sh; wine_env PREFIX     later wine, wineboot, winepath and wineserver
#                                          calls of the sourcing script use PREFIX
#   scripts/wine.sh PREFIX COMMAND...      runs COMMAND (wine PROGRAM, ...) there (CTest)
#
# Code page 936 (LANG and LC_ALL zh_CN.UTF-8) is set for Wine's processes only: a shell that
# started before setup.sh generated the locale would warn, and glibc does not look again.
# Sourcing also gives shell_folder, unix_path and build_tools.

cp936=(env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8)

wine_env() {  # PREFIX
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
}
wine() { "${cp936[@]}" wine "$@"; }
wineboot() { "${cp936[@]}" wineboot "$@"; }
winepath() { "${cp936[@]}" winepath "$@"; }

shell_folder() {  # NAME: the Windows path of one of the user's Shell Folders values
  timeout 60 wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
    /v "$1" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"
}

unix_path() {  # C:\a\b gives $WINEPREFIX/drive_c/a/b, without starting Wine
  local rest=${1:3}
  [[ ${1:0:3} == [Cc]:\\ ]] || { echo "not on drive C: $1" >&2; return 1; }
  echo "$WINEPREFIX/drive_c/${rest//\\//}"
}

build_tools() {  # the box robot and the stand-in programs of the tests, in build/tools
  local top log
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  log=$top/build/tools.log
  mkdir -p "$top/build"
  if ! { cmake -S "$top" -B "$top/build/tools" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
           -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" &&
         cmake --build "$top/build/tools" -j "$(nproc)" --target robot sleeper sleeper64; } \
       >"$log" 2>&1; then
    cat "$log" >&2
    echo "building the box robot failed; the output above is in $log" >&2
    return 1
  fi
}
tools=build/tools/tests/support  # where build_tools leaves them, below the checkout

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  wine_env "$1"
  shift
  exec "${cp936[@]}" "$@"
fi
