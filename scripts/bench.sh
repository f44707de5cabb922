#!/usr/bin/env bash
# Side-by-side timing, in one warm Wine prefix, of dist/uninstall.exe (as a user runs it, with
# its boxes and its progress window, and quiet with /S) against an NSIS uninstaller (/S),
# two floors (bench/bareloop.cpp, the bare Win32 delete loop; bench/safeloop.cpp, the least a
# link-safe removal does under Wine), the product's walk alone as it runs on Windows
# (bench/walk.cpp), `cmd /c rd /s /q` and `rm -rf` on the same fresh application tree; then the
# cost of the running-program check with 1 and with 20 names while 50 programs run.
#
# Usage: scripts/bench.sh [RUNS]          RUNS per tool, default 5
#   BENCH_FILES=N  files in the tree (default 20000), BENCH_DIRS=N  leaf folders (default 1000)
#   BENCH_TMPFS=1  put the tree on a tmpfs mounted at C:\BenchFast (needs root): takes the
#                  disk, whose delete times vary widely on a busy machine, out of the race
#
# Every Wine tool runs through the box robot of the tests (tests/support/robot_main.cpp), which
# presses OK on the boxes, waits for the started process and every process it started (our
# working copy, NSIS's copy of itself in the temp folder) and reports the time from the start
# to the end of the last one. rm -rf is timed by the shell.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
runs=${1:-5}
files=${BENCH_FILES:-20000}
dirs=${BENCH_DIRS:-1000}
out=$top/build/bench
prefix=$out/prefix

die() { echo "bench: $*" >&2; exit 1; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || die "RUNS must be a positive number, not '$runs'"
[[ $files =~ ^[1-9][0-9]*$ && $dirs =~ ^[1-9][0-9]*$ && $dirs -le $files ]] ||
  die "need 1 <= BENCH_DIRS ($dirs) <= BENCH_FILES ($files)"

# Message boxes need a display: rerun ourselves on a private virtual one.
if [ -z "${DISPLAY:-}" ]; then
  ./scripts/setup.sh
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# ---- Build --------------------------------------------------------------------------------
./scripts/build.sh
. scripts/wine.sh
build_tools
robot=$top/$tools/robot.exe sleeper=$top/$tools/sleeper.exe walk=$top/build/tools/bench/walkbench.exe
mkdir -p "$out/nsis"
g++ -O2 -o "$out/tree" bench/tree.cpp
i686-w64-mingw32-g++ -O2 -static -municode -o "$out/bareloop.exe" bench/bareloop.cpp
i686-w64-mingw32-g++ -O2 -static -municode -o "$out/safeloop.exe" bench/safeloop.cpp -lntdll
makensis -V1 "-DMAKER=$out/nsis/maker.exe" '-DUNINSTALLER=$EXEDIR\nsis-uninstall.exe' \
  bench/uninstaller.nsi
tests/support/make-prefix.sh "$prefix"
wine_env "$prefix"

sleepers=()
keeper=
mounted=
cleanup() {
  for pid in "${sleepers[@]}" $keeper; do kill "$pid" 2>/dev/null || true; done
  rm -rf "${app_unix:-/nonexistent}" "${run_unix:-/nonexistent}"
  wineserver -k 2>/dev/null || true  # the persistent server started below, and our prefix's processes
  if [ -n "$mounted" ]; then umount -l "$mounted" 2>/dev/null || true; rmdir "$mounted" 2>/dev/null || true; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

wineserver -k 2>/dev/null || true
wineserver -p
# Starts the prefix's own services now, with no pipe for them to inherit.
timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || die "Wine does not start in $prefix"
# Keeps Wine's desktop process alive, so that no timed tool pays for starting it again.
wine "$sleeper" --window 7200000 </dev/null >/dev/null 2>&1 &
keeper=$!

timeout 60 wine "$out/nsis/maker.exe" </dev/null >/dev/null 2>&1 || true
nsis_exe=$out/nsis/nsis-uninstall.exe
[ -f "$nsis_exe" ] || die "the NSIS installer did not write $nsis_exe"

# ---- Places in the prefix -----------------------------------------------------------------
if [ -d "$prefix/drive_c/Program Files (x86)" ]; then pf='C:\Program Files (x86)'; else pf='C:\Program Files'; fi
if [ "${BENCH_TMPFS:-0}" = 1 ]; then
  pf='C:\BenchFast'
  fast=$(unix_path "$pf")
  mkdir -p "$fast"
  mountpoint -q "$fast" || mount -t tmpfs -o size=1g bench-tmpfs "$fast" ||
    die "cannot mount a tmpfs at $fast (BENCH_TMPFS=1 needs root)"
  mounted=$fast
fi
app_win="$pf\\BenchApp"
app_unix=$(unix_path "$app_win")
programs_win=$(shell_folder Programs)
desktop_win=$(shell_folder Desktop)
local_win=$(shell_folder 'Local AppData')
[ -n "$programs_win" ] && [ -n "$desktop_win" ] || die "cannot read the Shell Folders of $prefix"
group_unix=$(unix_path "$programs_win")/BenchApp
desktop_unix=$(unix_path "$desktop_win")
mkdir -p "$desktop_unix" "$(dirname "$group_unix")"
# The product's temp folder: "Local AppData"\Temp when it exists, else C:\Windows\Temp.
if [ -n "$local_win" ] && [ -d "$(unix_path "$local_win")/Temp" ]; then
  temp_win="$local_win\\Temp"
else
  temp_win='C:\Windows\Temp'
fi
temp_unix=$(unix_path "$temp_win")
[ -d "$temp_unix" ] || temp_unix=$prefix/drive_c/windows/temp
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'

# ---- Helpers ------------------------------------------------------------------------------
make_tree() {  # a fresh application tree with its shortcuts and uninstall keys
  local n=$1 d=$2
  rm -rf "$app_unix" "$group_unix" "$desktop_unix/BenchApp.lnk"
  "$out/tree" "$app_unix" "$n" "$d"
  cp dist/uninstall.exe "$app_unix/uninstall.exe"
  cp "$nsis_exe" "$app_unix/nsis-uninstall.exe"
  printf '%s' '<config><global><executable>benchapp.exe</executable></global><unist><regFolderName>BenchApp,BenchAppUpdater</regFolderName><scFolderName>BenchApp</scFolderName><scDesktopName>BenchApp.lnk</scDesktopName></unist></config>' \
    > "$app_unix/conf.xml"
  mkdir -p "$group_unix"
  echo shortcut > "$group_unix/BenchApp.lnk"
  echo shortcut > "$group_unix/Uninstall BenchApp.lnk"
  echo shortcut > "$desktop_unix/BenchApp.lnk"
  local key
  for key in BenchApp BenchAppUpdater; do
    timeout 60 wine reg add "$uninstall_key\\$key" /v DisplayName /d "$key" /f /reg:32 \
      </dev/null >/dev/null 2>&1 || die "cannot write the key $key"
  done
  sync  # no tool should pay for (or skip) writing the new tree back
}

leftovers() {  # what a removal left behind; "full" also checks shortcuts and keys
  local left=() key
  [ -e "$app_unix" ] && left+=("$(find "$app_unix" | wc -l) entries of the install dir")
  if [ "$1" = full ]; then
    [ -e "$group_unix" ] && left+=("the Start-menu group")
    [ -e "$desktop_unix/BenchApp.lnk" ] && left+=("the desktop shortcut")
    for key in BenchApp BenchAppUpdater; do
      timeout 60 wine reg query "$uninstall_key\\$key" /reg:32 </dev/null >/dev/null 2>&1 &&
        left+=("the key $key")
    done
  fi
  local IFS=,
  echo "${left[*]}"
}

# Runs one command (a program and its arguments) through the box robot; sets $elapsed,
# $boxes (the box texts, one per line) and $processes (how many processes it waited for).
launch() {
  local report=$out/launch.txt
  timeout 400 wine "$robot" --timeout 300 -- "$@" </dev/null >"$report" 2>&1 || true
  elapsed=$(tr -d '\r' <"$report" | sed -n 's/^elapsed //p')
  boxes=$(tr -d '\r' <"$report" | sed -n 's/^box [0-9]*: [^|]*| \(.*\) |[^|]*$/\1/p')
  processes=$(tr -d '\r' <"$report" | sed -n 's/^processes //p')
  exit_code=$(tr -d '\r' <"$report" | sed -n 's/^exit //p')
  if [ -z "$elapsed" ] || grep -q '^robot: timed out' "$report"; then
    die "the box robot failed for $*: $(tr -d '\r' <"$report")"
  fi
}

expect_boxes() {  # our uninstaller must have shown the confirm box and the success box
  [ "$boxes" = $'确认卸载？\n卸载成功!' ] && return 0
  echo "  $1: unexpected boxes: ${boxes:-none} (exit code ${exit_code:-none})" >&2
  problems+=("$1: unexpected boxes")
}

expect_no_boxes() {  # a quiet run shows none
  [ -z "$boxes" ] && return 0
  echo "  $1: unexpected boxes: $boxes" >&2
  problems+=("$1: unexpected boxes")
}

expect_copy() {  # both uninstallers relaunch a copy of themselves: it must have been waited for
  [ "${processes:-0}" -ge 2 ] && return 0
  echo "  $1: the launcher saw no relaunched copy" >&2
  problems+=("$1: no relaunched copy seen")
}

stats() {  # median min max of the numbers given
  printf '%s\n' "$@" | sort -g | LC_ALL=C awk '{v[NR] = $1}
    END {m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
         printf "%.3f %.3f %.3f\n", m, v[1], v[NR]}'
}
ratio() { LC_ALL=C awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }
at_most() { LC_ALL=C awk -v a="$1" -v b="$2" 'BEGIN {exit !(a <= b)}'; }

# ---- Removal of the whole application -----------------------------------------------------
declare -A times=([ours]="" [quiet]="" [nsis]="" [bare]="" [safe]="" [win]="" [rd]="" [rm]="")
problems=()

run_tool() {  # one timed removal of a fresh tree by tool $1
  local tool=$1 left
  make_tree "$files" "$dirs"
  case $tool in
    ours) launch "$app_win\\uninstall.exe"; expect_boxes ours; expect_copy ours ;;
    quiet) launch "$app_win\\uninstall.exe" /S; expect_no_boxes quiet; expect_copy quiet ;;
    nsis) launch "$app_win\\nsis-uninstall.exe" /S; expect_copy nsis ;;
    bare) launch "$(winepath -w "$out/bareloop.exe")" "$app_win" ;;
    safe) launch "$(winepath -w "$out/safeloop.exe")" "$app_win" ;;
    win)  launch "$(winepath -w "$walk")" "$app_win" ;;
    rd)   launch 'C:\windows\system32\cmd.exe' /c rd /s /q "$app_win" ;;
    rm)   local t0=$EPOCHREALTIME
          rm -rf "$app_unix"
          elapsed=$(LC_ALL=C awk -v a="$t0" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.6f", b - a}') ;;
  esac
  case $tool in ours|quiet|nsis) left=$(leftovers full) ;; *) left=$(leftovers dir) ;; esac
  # On the tmpfs the tree lies on another volume than the temp directory: the uninstall.exe
  # that a quiet run started, still waiting, cannot move there and goes at the next restart.
  if [ "$tool" = quiet ] && [ -n "$mounted" ] && [ "$left" = "2 entries of the install dir" ] &&
     [ -f "$app_unix/uninstall.exe" ]; then
    echo "  quiet: uninstall.exe and its folder go at the next restart (another volume)"
    left=
    rm -rf "$app_unix"
  fi
  if [ -n "$left" ]; then
    echo "  $tool left: $left" >&2
    problems+=("$tool left: $left")
  fi
  times[$tool]+=" $elapsed"
  printf '  %-5s %8.3f s\n' "$tool" "$elapsed"
}

tools=(ours quiet nsis bare safe win rd rm)
where=disk; [ -n "$mounted" ] && where=tmpfs
echo "Tree: $files files of 100 bytes in $dirs leaf folders under $app_win ($where)"
echo "Warm-up (small tree, not timed)..."
for tool in ours nsis rd; do
  make_tree 100 5
  case $tool in
    ours) launch "$app_win\\uninstall.exe" ;;
    nsis) launch "$app_win\\nsis-uninstall.exe" /S ;;
    rd)   launch 'C:\windows\system32\cmd.exe' /c rd /s /q "$app_win" ;;
  esac
done
for ((round = 0; round < runs; round++)); do
  echo "Round $((round + 1))/$runs"
  for ((i = 0; i < ${#tools[@]}; i++)); do
    run_tool "${tools[(round + i) % ${#tools[@]}]}"  # a different tool goes first each round
  done
done

declare -A median
echo
echo "Removing $files files in $dirs folders on $where ($runs runs each), seconds:"
printf '%-34s %8s %8s %8s\n' tool median min max
for tool in "${tools[@]}"; do
  read -r med lo hi < <(stats ${times[$tool]})
  median[$tool]=$med
  case $tool in
    ours) name='ours (uninstall.exe, both phases)' ;;
    quiet) name='ours quiet (uninstall.exe /S)' ;;
    nsis) name='NSIS uninstaller /S' ;;
    bare) name='bare Win32 delete loop' ;;
    safe) name='link-safe loop under Wine' ;;
    win)  name='our walk as on Windows' ;;
    rd)   name='wine cmd /c rd /s /q' ;;
    rm)   name='rm -rf (Unix side)' ;;
  esac
  printf '%-34s %8s %8s %8s\n' "$name" "$med" "$lo" "$hi"
done
echo "ours/bare $(ratio "${median[ours]}" "${median[bare]}")   quiet/bare $(ratio "${median[quiet]}" "${median[bare]}")   (bare: find, delete, remove directory, nothing else)"
echo "ours/rd $(ratio "${median[ours]}" "${median[rd]}")   ours/rm $(ratio "${median[ours]}" "${median[rm]}")"
goal() {  # NAME A B LIMIT: the ratio A/B against its goal
  local r
  r=$(ratio "$2" "$3")
  if at_most "$r" "$4"; then echo "$1 $r (goal <= $4: met)"; else echo "$1 $r (goal <= $4: not met)"; fi
}
goal "quiet/safe" "${median[quiet]}" "${median[safe]}" 1.10
goal "quiet/NSIS" "${median[quiet]}" "${median[nsis]}" 0.60
goal "ours/safe " "${median[ours]}" "${median[safe]}" 1.10
goal "ours/NSIS " "${median[ours]}" "${median[nsis]}" 0.65
goal "walk as on Windows/bare" "${median[win]}" "${median[bare]}" 1.05
echo "(safe: open each file relative to its folder, check its name, delete through the handle)"
echo "Sizes: dist/uninstall.exe $(stat -c %s dist/uninstall.exe) bytes, NSIS uninstaller $(stat -c %s "$nsis_exe") bytes"

# ---- The running-program check ------------------------------------------------------------
run_win='C:\BenchRun'
run_unix=$(unix_path "$run_win")
rm -rf "$run_unix" && mkdir -p "$run_unix"
for i in $(seq -w 0 49); do
  cp "$sleeper" "$run_unix/bench$i.exe"
  wine "$run_win\\bench$i.exe" 1800000 </dev/null >/dev/null 2>&1 &
  sleepers+=($!)
done
running=0
for ((wait_s = 0; wait_s < 120; wait_s++)); do
  # Wine shows a program's Windows command line as its process's.
  running=$(grep -las 'BenchRun.bench[0-9][0-9]\.exe' /proc/[0-9]*/cmdline | wc -l)
  [ "$running" -ge 50 ] && break
  sleep 1
done
[ "$running" -ge 50 ] || die "only $running of the 50 stand-in programs are running"

cp dist/uninstall.exe "$temp_unix/VORNAuninstall.exe"
one=absent00.exe
twenty=$(printf 'absent%02d.exe,' $(seq 0 19))
twenty=${twenty%,}
declare -A check=([1]="" [20]="")
echo
echo "Phase two with 50 programs running (bench00.exe..bench49.exe)..."
for ((round = 0; round < runs; round++)); do
  for n in $( ((round % 2)) && echo "20 1" || echo "1 20"); do
    if [ "$n" = 1 ]; then list=$one; else list=$twenty; fi
    launch "$temp_win\\VORNAuninstall.exe" -p 'C:\nonexistent\dir\' -e "$list"
    expect_boxes "phase two, $n names"
    check[$n]+=" $elapsed"
    printf '  %2s names %8.3f s\n' "$n" "$elapsed"
  done
done
for pid in "${sleepers[@]}"; do kill "$pid" 2>/dev/null || true; done
sleepers=()

echo
echo "Phase two (confirm, check, success box) with 50 programs running, $runs runs each, seconds:"
printf '%-34s %8s %8s %8s\n' names median min max
for n in 1 20; do
  read -r med lo hi < <(stats ${check[$n]})
  median[check$n]=$med
  printf '%-34s %8s %8s %8s\n' "$n not running" "$med" "$lo" "$hi"
done
r_check=$(ratio "${median[check20]}" "${median[check1]}")
if at_most "$r_check" 1.2; then verdict=met; else verdict="not met"; fi
echo "20 names / 1 name: $r_check   (goal <= 1.2: $verdict)"

if [ ${#problems[@]} -gt 0 ]; then
  echo
  echo "Problems:"
  printf '  %s\n' "${problems[@]}"
  exit 1
fi
