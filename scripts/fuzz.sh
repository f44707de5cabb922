#!/usr/bin/env bash
# Builds the libFuzzer targets of the portable parsers natively with clang into build/fuzz,
# replays the kept crash inputs, then fuzzes each target for SECONDS (default 30) on a copy
# of its seed corpus. Exits non-zero when any target crashes, leaks, hangs or runs out of memory.
#   usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
case $seconds in '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;; esac

top=$PWD
out=$top/build/fuzz
# The sources of the portable parsers and TinyXML, as the native build lists them.
cmake --preset native >/dev/null
mapfile -t sources < "$top/build/native/portable-sources.txt"
tx=$(sed -n 's/^TINYXML_DIR=//p' "$top/build/native/portable-sources.txt")

cxx=clang++
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fno-sanitize-recover=all -I"$top/src" -isystem "$tx")
mkdir -p "$out/obj"

# An object is rebuilt when it is older than its source or any header it may include.
newest_header=$(ls -t "$top"/src/*/*.h "$tx"/*.h | head -n 1)
compile() {  # source object [extra flags...]
  local src=$1 obj=$2
  shift 2
  if [ "$obj" -nt "$src" ] && [ "$obj" -nt "$newest_header" ]; then return 0; fi
  "$cxx" "${flags[@]}" "$@" -c "$src" -o "$obj"
}

# Everything is built with coverage so the fuzzer sees into TinyXML's parser too.
instrument=-fsanitize=fuzzer-no-link,address,undefined
objs=()
pids=()
for src in "${sources[@]}" "$top"/tests/fuzz/cmdline_fuzz.cpp "$top"/tests/fuzz/config_fuzz.cpp; do
  case $src in TINYXML_DIR=*) continue ;; esac
  obj=$out/obj/$(basename "${src%.cpp}").o
  case $src in */tests/fuzz/*) ;; *) objs+=("$obj") ;; esac
  extra=()
  case $src in "$tx"/*) extra=(-w) ;; esac
  compile "$src" "$obj" "$instrument" "${extra[@]}" &
  pids+=($!)
  # Two cores: at most two compilers at a time.
  if [ ${#pids[@]} -ge 2 ]; then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
done
for pid in "${pids[@]}"; do wait "$pid"; done

link=(-fsanitize=fuzzer,address,undefined)
for target in cmdline_fuzz config_fuzz; do
  "$cxx" "${link[@]}" "$out/obj/$target.o" "${objs[@]}" -o "$out/$target"
done

status=0
show_error() {  # log: the sanitizer's or libFuzzer's report and the top of its stack
  grep -m 1 -A 16 'ERROR:\|runtime error\|deadly signal\|timeout after' "$1" || tail -n 30 "$1"
}

run_target() {  # target corpus-name dictionary
  local target=$1 seeds=$top/tests/fuzz/corpus/$2 dict=$top/tests/fuzz/$3
  local bin=$out/$target regressions=$top/tests/fuzz/regressions/$target
  local corpus=$out/corpus/$target artifacts=$out/artifacts/$target log=$out/$target.log

  # Inputs that once crashed must stay fixed: replay them before anything new.
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    if ! (ulimit -s 2048 && exec "$bin" "$regressions"/*) >"$out/$target.replay.log" 2>&1; then
      echo "$target: a regression input crashes again (see $out/$target.replay.log)"
      show_error "$out/$target.replay.log"
      status=1
      return
    fi
    echo "$target: $(ls -A "$regressions" | wc -l) regression input(s) pass"
  fi

  # The repository's seeds are only read; new inputs accumulate in the build copy.
  mkdir -p "$corpus" "$artifacts"
  cp "$seeds"/* "$corpus"/
  local rc=0
  # The product's stack (its SizeOfStackReserve, the linker's 2 MB): a parser that recursed
  # past it would crash the product, so it crashes the fuzzer too.
  (ulimit -s 2048 && exec "$bin" "$corpus" -dict="$dict" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/") \
    >"$log" 2>&1 || rc=$?
  local execs rate
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  echo "$target: ${rate:-?} exec/s, ${execs:-?} executions in ${seconds} s," \
       "corpus $(ls -A "$corpus" | wc -l) inputs"
  if [ "$rc" -ne 0 ]; then
    echo "$target: FAILED with exit code $rc; log $log, inputs in $artifacts"
    show_error "$log"
    status=1
  fi
}

run_target cmdline_fuzz cmdline cmdline.dict
run_target config_fuzz config xml.dict
exit $status
