#!/usr/bin/env bash
# Shows a real uninstall: builds the product, installs a sample application into a
# throwaway Wine prefix as a vendor's installer would, runs dist/uninstall.exe from the
# installation directory and reports what was installed, each box shown and what is left.
#
#   ./scripts/demo.sh                 boxes answered by the box robot on a virtual display;
#                                     a PNG of each box and of the progress window goes to
#                                     docs/screenshots/, at 96 and at 192 DPI
#   ./scripts/demo.sh --interactive   with $DISPLAY set: you answer the boxes yourself
#   --keep                            keep the prefix (build/demo-prefix) afterwards
#   ./scripts/demo.sh --app DIR       tries a vendor's own package instead: DIR holds its files,
#                                     conf.xml and uninstall.exe (ours when it has none)
#
# After the interactive run it installs the application again and removes it as a deployment
# tool would: quietly (/S), with a log, and shows the exit code and the log.
#
# Exit code 0 when nothing of the sample application is left after either run, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

interactive=0 keep=0 package=
while [ $# -gt 0 ]; do
  case $1 in
    --interactive) interactive=1 ;;
    --keep) keep=1 ;;
    --app) [ $# -ge 2 ] && [ -d "$2" ] || { echo "demo: --app needs a folder" >&2; exit 2; }
           package=$(cd "$2" && pwd); shift ;;
    *) echo "usage: $0 [--interactive] [--keep] [--app DIR]" >&2; exit 2 ;;
  esac
  shift
done
if [ $interactive = 1 ] && [ -z "${DISPLAY:-}" ]; then
  echo "demo: --interactive needs \$DISPLAY" >&2; exit 2
fi

./scripts/setup.sh
echo "demo: building the uninstaller and the box robot"
./scripts/build.sh >/dev/null
uninstall_exe=$top/dist/uninstall.exe

. scripts/wine.sh
build_tools
robot=$top/$tools/robot.exe

prefix=$top/build/demo-prefix
run=$top/build/demo-run
wine_env "$prefix"
rm -rf "$prefix" "$run"
mkdir -p "$run"
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ $keep = 0 ]; then rm -rf "$prefix"; fi
}
trap cleanup EXIT
echo "demo: creating the Wine prefix $prefix ..."
tests/support/make-prefix.sh "$prefix"

# ---- A vendor's own package --------------------------------------------------------------
if [ -n "$package" ]; then
  installer=$top/build/tools/demo/demoinstall.exe
  name=$(basename "$package")
  app_win="C:\\Program Files (x86)\\$name"
  stage=$run/package
  cp -r "$package" "$stage"
  [ -f "$stage/uninstall.exe" ] || cp "$uninstall_exe" "$stage/uninstall.exe"
  stage_win=Z:${stage//\//\\}
  install_package() { wine "$installer" "$stage_win" "$app_win" | tr -d '\r'; wineserver -w; }
  left_of_package() {  # prints what is left; true when nothing is
    wine "$installer" --left "$stage_win" "$app_win" | tr -d '\r'
  }
  robot_run() {  # OUT ARGS...: the robot runs the uninstaller on the virtual display
    local out=$1
    shift
    (cd "$prefix/drive_c" &&
     "${wine_locale[@]}" xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
       'wine "$0" -- "$@"; s=$?; wineserver -w; exit $s' "$robot" "$@") > "$out" || true
    tr -d '\r' < "$out" | sed -n 's/^box /  box /p'
    echo "  exit code: $(tr -d '\r' < "$out" | sed -n 's/^exit //p')"
  }
  echo
  echo "== Installed: $package as $app_win =="
  install_package
  echo
  echo "== Uninstall: \"$app_win\\uninstall.exe\", the boxes answered OK =="
  robot_run "$run/boxes.txt" "$app_win\\uninstall.exe"
  status=0
  left_of_package || status=1
  install_package >/dev/null
  log_win=Z:${run//\//\\}\\quiet.log
  echo
  echo "== Quiet uninstall: \"$app_win\\uninstall.exe\" /S /LOG=$log_win =="
  robot_run "$run/quiet.txt" "$app_win\\uninstall.exe" /S "/LOG=$log_win"
  echo "  the log's warnings and errors:"
  grep -a -P '\t(WARN|ERROR)\t' "$run/quiet.log" | sed 's/^/    /' || echo "    none"
  left_of_package || status=1
  exit $status
fi

# ---- Install the sample application, as its installer would -----------------------------
app_win='C:\Program Files (x86)\Sample Vendor\Sample App'
app=$prefix/drive_c/Program\ Files\ \(x86\)/Sample\ Vendor/Sample\ App
programs_win=$(shell_folder Programs)
desktop_win=$(shell_folder Desktop)
group=$(unix_path "$programs_win")/Sample\ App
desktop=$(unix_path "$desktop_win")
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\SampleApp'
user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\SampleAppUser'

add_key() {  # KEY DISPLAYNAME [/reg:32]
  wine reg add "$1" /v DisplayName /d "$2" /f ${3:-} >/dev/null 2>&1
  wine reg add "$1" /v UninstallString /d "\"$app_win\\uninstall.exe\"" /f ${3:-} >/dev/null 2>&1
  wine reg add "$1" /v QuietUninstallString /d "\"$app_win\\uninstall.exe\" /S" /f ${3:-} \
    >/dev/null 2>&1
  wine reg add "$1" /v DisplayVersion /d 1.0 /f ${3:-} >/dev/null 2>&1
  wine reg add "$1" /v Publisher /d 'Sample Vendor' /f ${3:-} >/dev/null 2>&1
}
put() { mkdir -p "$(dirname "$app/$1")"; echo "sample application file $1" > "$app/$1"; }
install_sample() {
  mkdir -p "$app"
  cp "$uninstall_exe" "$app/uninstall.exe"
  cp demo/conf.xml "$app/conf.xml"
  for f in SampleApp.exe SampleHelper.exe readme.txt license.txt; do put "$f"; done
  for i in $(seq -w 1 30); do put "bin/module$i.dll"; done
  for p in 1 2 3 4; do
    for i in $(seq -w 1 15); do put "plugins/plugin$p/part$i.bin"; done
    for i in $(seq -w 1 10); do put "plugins/plugin$p/res/image$i.png"; done
  done
  for m in $(seq -w 1 10); do for i in $(seq -w 1 12); do put "data/maps/m$m/tile$i.dat"; done; done
  put data/cache.db
  put data/index.db
  for i in $(seq -w 1 20); do put "docs/topic$i.html"; put "docs/images/figure$i.png"; done
  put 数据/说明.txt
  put a/b/c/d/e/f/deep.txt
  # A cache of 12,000 files: the removal takes long enough to show its progress.
  for d in $(seq -w 1 120); do
    mkdir -p "$app/cache/c$d"
    for i in $(seq -w 1 100); do echo "cached $i" > "$app/cache/c$d/f$i.tmp"; done
  done
  mkdir -p "$app/logs"
  chmod a-w "$app/license.txt" "$app"/bin/module?[05].dll "$app"/data/maps/*/tile12.dat
  # Wine's attrib takes one attribute per call (+h +s sets only s).
  set_attributes='attrib +h data\cache.db & attrib +s data\cache.db & attrib +s data\index.db'
  set_attributes+=' & attrib +h data\maps\m01\tile12.dat'
  (cd "$app" && wine cmd /c "$set_attributes" >/dev/null 2>&1)

  mkdir -p "$group" "$desktop"
  for s in 'Sample App' 'Uninstall Sample App' 'Readme'; do
    echo "[shortcut to $app_win\\SampleApp.exe]" > "$group/$s.lnk"
  done
  echo "[shortcut to $app_win\\SampleApp.exe]" > "$desktop/Sample App.lnk"

  add_key "$uninstall_key" 'Sample App' /reg:32
  add_key "$user_key" 'Sample App (user)'
  wineserver -w
}
install_sample

key_exists() { wine reg query "$1" ${2:-} >/dev/null 2>&1; }
files=$(find "$app" -type f | wc -l)
folders=$(find "$app" -mindepth 1 -type d | wc -l)
attributes=$( (cd "$app" && wine attrib /s '*' 2>/dev/null) | tr -d '\r' | cut -c1-12)
count() { echo "$attributes" | grep -c "$1" || true; }
echo
echo "== Installed =="
echo "  $app_win\\: $files files in $folders folders, uninstall.exe and conf.xml among them;"
echo "    $(count R) read-only, $(count H) hidden, $(count S) system"
echo "  Start-menu group: $programs_win\\Sample App ($(find "$group" -type f | wc -l) shortcuts)"
echo "  Desktop shortcut: $desktop_win\\Sample App.lnk"
key_exists "$uninstall_key" /reg:32 &&
  echo "  Uninstall key: $uninstall_key (32-bit view), DisplayName and UninstallString"
key_exists "$user_key" && echo "  Uninstall key: $user_key, DisplayName and UninstallString"

# Wine's desktop process lives as long as its server: the one started above without a
# display must end, and nothing may start Wine before the run, so that the uninstaller's
# boxes get a desktop on the display.
wineserver -w

# ---- Uninstall ---------------------------------------------------------------------------
echo
echo "== Uninstall: \"$app_win\\uninstall.exe\" =="
status=0
if [ $interactive = 1 ]; then
  echo "  answer the boxes on your display"
  (cd "$app" && wine "$app_win\\uninstall.exe") || status=$?
  wineserver -w
  echo "  exit code: $status"
else
  robot_shots() {  # DPI: the uninstall through the robot, a screenshot of each box and window
    local dpi=$1 shots=$run/shots-$1 n name
    local shots_win=Z:${shots//\//\\}  # not winepath: any Wine start here would own the desktop
    # The robot starts from C:\ so that it does not hold the installation directory.
    (cd "$prefix/drive_c" &&
     "${wine_locale[@]}" xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
       'wine "$0" --shots "$1" -- "$2"; s=$?; wineserver -w; exit $s' \
       "$robot" "$shots_win" "$app_win\\uninstall.exe") > "$run/boxes-$dpi.txt" || status=$?
    tr -d '\r' < "$run/boxes-$dpi.txt" | sed -n 's/^box /  box /p'
    echo "  exit code: $status"
    mkdir -p docs/screenshots
    rm -f docs/screenshots/box-*.png  # of an earlier run that went wrong
    while IFS= read -r line; do
      n=$(echo "$line" | sed -n 's/^box \([0-9]*\):.*/\1/p')
      [ -n "$n" ] && [ -f "$shots/box-$n.bmp" ] || continue
      case $line in
        *确认卸载*) name=confirm ;;
        *卸载成功*) name=success ;;
        *) name=box-$n ;;
      esac
      convert "$shots/box-$n.bmp" -strip -define png:exclude-chunks=date,time \
        "docs/screenshots/$name-${dpi}dpi.png"
      echo "  screenshot: docs/screenshots/$name-${dpi}dpi.png"
    done < <(tr -d '\r' < "$run/boxes-$dpi.txt")
    if [ -f "$shots/progress.bmp" ]; then
      convert "$shots/progress.bmp" -strip -define png:exclude-chunks=date,time \
        "docs/screenshots/progress-${dpi}dpi.png"
      echo "  screenshot: docs/screenshots/progress-${dpi}dpi.png (the progress window)"
    fi
  }
  robot_shots 96
fi
# ---- What is left ------------------------------------------------------------------------
left=0
report_left() {  # UNIX-PATH WINDOWS-PATH
  [ -e "$1" ] || return 0
  left=1
  echo "  left: $2 ($(find "$1" | wc -l) entries)"
  find "$1" -mindepth 1 -printf '%P\n' | sed -n '1,20s/^/    /p'
}
report_leftovers() {
  echo
  echo "== Left of the sample application =="
  local before=$left
  left=0
  report_left "$app" "$app_win"
  report_left "$group" "$programs_win\\Sample App"
  report_left "$desktop/Sample App.lnk" "$desktop_win\\Sample App.lnk"
  key_exists "$uninstall_key" /reg:32 && { left=1; echo "  left: $uninstall_key (32-bit view)"; }
  key_exists "$user_key" && { left=1; echo "  left: $user_key"; }
  [ -d "$(dirname "$app")" ] &&
    echo "  (the vendor folder ${app_win%\\*} stays: it is not the installation directory)"
  local wc
  wc=$(find "$prefix/drive_c" -iname VORNAuninstall.exe -print -quit)
  [ -n "$wc" ] && echo "  (the working copy $(winepath -w "$wc" 2>/dev/null) stays, as documented)"
  [ $left = 0 ] && echo "  nothing: files, group, shortcut and keys are gone"
  left=$((left | before))
}
report_leftovers

# ---- A quiet uninstall, as a deployment tool runs it --------------------------------------
if [ $interactive = 0 ]; then
  install_sample
  wineserver -w
  log_win=Z:${run//\//\\}\\quiet.log
  echo
  echo "== Quiet uninstall: \"$app_win\\uninstall.exe\" /S /LOG=$log_win =="
  (cd "$prefix/drive_c" &&
   "${wine_locale[@]}" xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
     'wine "$0" -- "$1" /S "$2"; s=$?; wineserver -w; exit $s' \
     "$robot" "$app_win\\uninstall.exe" "/LOG=$log_win") > "$run/quiet.txt" || true
  echo "  boxes shown: $(grep -c '^box' "$run/quiet.txt" || true)"
  echo "  exit code: $(tr -d '\r' < "$run/quiet.txt" | sed -n 's/^exit //p')"
  echo "  the log:"
  sed 's/^/    /' "$run/quiet.log"
  report_leftovers

  # The same uninstall on a screen of 192 DPI (200%), for its screenshots: Wine's LogPixels.
  install_sample
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
  wineserver -w
  echo
  echo "== At 192 DPI =="
  robot_shots 192
  wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
  wineserver -w
  report_leftovers

  # The same uninstall where the system's code page is not 936: one line for all of them.
  line=
  for cp in "${code_pages[@]}"; do
    [ "$cp" = 936 ] && continue
    install_sample
    wineserver -w
    locale=$(code_page_locale "$cp")
    (cd "$prefix/drive_c" &&
     env LANG="$locale" LC_ALL="$locale" xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
       'wine "$0" -- "$1"; s=$?; wineserver -w; exit $s' \
       "$robot" "$app_win\\uninstall.exe") > "$run/cp$cp.txt" || true
    shown=$(tr -d '\r' < "$run/cp$cp.txt" | sed -n 's/^box [0-9]*: [^|]*| \(.*\) | [A-Za-z,]*$/\1/p' |
            paste -sd '>' -)
    if [ -e "$app" ] || [ -e "$group" ] || [ -e "$desktop/Sample App.lnk" ] ||
       key_exists "$uninstall_key" /reg:32 || key_exists "$user_key"; then
      gone="something left" left=1
    else
      gone="nothing left"
    fi
    line+="${line:+; }code page $cp: ${shown//>/ > }, $gone"
  done
  echo
  echo "== On English and Japanese Windows: $line =="
fi
exit $left
