#!/usr/bin/env bash
# The Wine environment of the scripts and the tests, in one place: a private prefix, the
# code page, no debugging chatter, no offers to install Mono or Gecko.
#
#   . scripts/wine.sh; wine_env PREFIX     later wine, wineboot, winepath and wineserver
#                                          calls of the sourcing script use PREFIX
#   scripts/wine.sh PREFIX COMMAND...      runs COMMAND (wine PROGRAM, ...) there (CTest)
#
# Wine takes a process's ANSI code page from its locale (LANG and LC_ALL), which is set for
# Wine's processes only: a shell that started before setup.sh generated the locale would
# warn, and glibc does not look again. UNINSTALL_CODE_PAGE picks the code page: 936 (Chinese,
# the default), 1252 (English) or 932 (Japanese). The tests that run the whole uninstaller
# run under each of code_pages. Sourcing also gives shell_folder, unix_path and build_tools.

code_pages=(936 1252 932)
code_page_locale() {  # CODE_PAGE
  case $1 in
    936) echo zh_CN.UTF-8 ;;
    1252) echo en_US.UTF-8 ;;
    932) echo ja_JP.UTF-8 ;;
    *) echo "unknown code page: $1" >&2; return 1 ;;
  esac
}
wine_locale=(env LANG="$(code_page_locale "${UNINSTALL_CODE_PAGE:-936}")"
             LC_ALL="$(code_page_locale "${UNINSTALL_CODE_PAGE:-936}")")

wine_env() {  # PREFIX
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
}
wine() { "${wine_locale[@]}" wine "$@"; }
wineboot() { "${wine_locale[@]}" wineboot "$@"; }
winepath() { "${wine_locale[@]}" winepath "$@"; }

shell_folder() {  # NAME: the Windows path of one of the user's Shell Folders values
  timeout 60 wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
    /v "$1" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"
}

unix_path() {  # C:\a\b gives $WINEPREFIX/drive_c/a/b, without starting Wine
  local rest=${1:3}
  [[ ${1:0:3} == [Cc]:\\ ]] || { echo "not on drive C: $1" >&2; return 1; }
  echo "$WINEPREFIX/drive_c/${rest//\\//}"
}

build_tools() {  # the box robot, the tests' stand-ins, the walk alone, the demo's installer
  local top log
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  log=$top/build/tools.log
  mkdir -p "$top/build"
  if ! { cmake -S "$top" -B "$top/build/tools" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
           -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" &&
         cmake --build "$top/build/tools" -j "$(nproc)" --target robot sleeper sleeper64 walkbench demoinstall; } \
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
  exec "${wine_locale[@]}" "$@"
fi
