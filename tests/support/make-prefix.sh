#!/usr/bin/env bash
# Creates (or reuses) a private Wine prefix for the tests and the demo: code page 936,
# Chinese glyphs that render, no window manager delays, no Mono or Gecko offers.
# Usage: make-prefix.sh DIR
set -euo pipefail
prefix=$1
. "$(dirname "$0")/../../scripts/wine.sh"
wine_env "$prefix"
if [ -f "$prefix/.ready" ]; then exit 0; fi
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
wineboot -i >/dev/null 2>&1
# Wine links the user's Desktop, Documents, ... to the Unix home: give the prefix folders of
# its own, so that nothing a test or the demo writes lands in $HOME.
for link in "$prefix"/drive_c/users/*/*; do
  if [ -L "$link" ]; then
    case $(readlink -f "$link") in
      "$(readlink -f "$prefix")"/*) ;;
      *) rm -- "$link" && mkdir -- "$link" ;;
    esac
  fi
done
font='WenQuanYi Micro Hei'
{
  echo 'REGEDIT4'
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
  for f in SimSun NSimSun 'MS Shell Dlg' Tahoma 'Microsoft YaHei'; do echo "\"$f\"=\"$font\""; done
  echo
  echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]'
  for f in SimSun NSimSun 'MS Shell Dlg' Tahoma 'Microsoft YaHei'; do echo "\"$f\"=\"$font\""; done
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
  echo '"Managed"="N"'
} > "$prefix/setup.reg"
wine regedit /S "$(winepath -w "$prefix/setup.reg" 2>/dev/null)" >/dev/null 2>&1
wineserver -w
touch "$prefix/.ready"
