#!/usr/bin/env bash
# Benchmarks, each a ratio against a reference measured in the same run:
#   extraction by the real installer under Wine against the floor (bench/floor:
#   the least Win32 program that writes the same files with the same calls,
#   with and without the same display updates), `cp -r` and Wine's xcopy,
#   `mivora-pack build`, `check` and `dump --extract` of a 1 GiB tree against
#   `cp -r`, with the peak resident memory of each,
#   the installer's peak anonymous memory for a 16 MiB and a 256 MiB package
#   and for a tree of 20,000 files, whose file table fills 80 KiB of it,
#   the stub's size.
# Called by ./run bench (which builds, starts Xvfb, prepares WINEPREFIX and
# chooses the Windows build: MIVORA_WINDOWS_BUILD, build/win32 or, where this
# machine cannot run 32-bit code, the x86-64 twin in build/win64, run by
# MIVORA_WINE). The floor is built for the same target as the installer.
# MIVORA_BENCH_RUNS (default 3) runs per figure; the median is reported.
# MIVORA_BENCH_POLL (default 20): how often, in ms, the probe looks for the
# end of a copy; its looks are messages the window's thread must answer.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
RUNS=${MIVORA_BENCH_RUNS:-3}
WORK=${MIVORA_BENCH_DIR:-/tmp/mivora-bench}
PACK=$ROOT/build/host/mivora-pack
WINDOWS_BUILD=${MIVORA_WINDOWS_BUILD:-$ROOT/build/win32}
WINE=${MIVORA_WINE:-wine}
STUB=$WINDOWS_BUILD/mivora.exe
PROBE=$WINDOWS_BUILD/tests/probe.exe
FLOOR=$WINDOWS_BUILD/bench/floor.exe
POLL=${MIVORA_BENCH_POLL:-20}
for f in "$PACK" "$STUB" "$PROBE" "$FLOOR"; do [ -x "$f" ] || [ -f "$f" ] || { echo "bench: $f is missing (./run build)"; exit 1; }; done

rm -rf "$WORK"
mkdir -p "$WORK"
# An installer left from an earlier run would answer the probe instead.
wineserver -k >/dev/null 2>&1
wineserver -p >/dev/null 2>&1
trap 'rm -rf "$WORK"' EXIT
# MIVORA_BENCH_ONLY=extraction|memory|pack runs one group of figures.
ONLY=${MIVORA_BENCH_ONLY:-}
wants() { [ -z "$ONLY" ] || [ "$ONLY" = "$1" ]; }
RESULTS=()
EXTRACTION_RSS=

now_ns() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {if (NR % 2) print a[(NR+1)/2]; else print (a[NR/2]+a[NR/2+1])/2}'; }
seconds() { awk -v ns="$1" 'BEGIN {printf "%.3f", ns / 1e9}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
warm() { find "$@" -type f -exec cat {} + >/dev/null; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# A text as a quoted script string: backslashes doubled.
script_string() { printf '%s' "${1//\\/\\\\}"; }

# A tree of COUNT files of SIZE bytes spread over LISTS folders, and the
# script that installs it into $WORK/dest.
make_case() {
  local name=$1 count=$2 size=$3 lists=$4
  local src=$WORK/$name/src per=$((count / lists)) l i
  mkdir -p "$src"
  {
    printf 'name "Bench %s"\n' "$name"
    printf 'dest "%s" fixed\n' "$(script_string "$(winpath "$WORK/dest")")"
    printf 'page no-back\n'
    for l in $(seq 1 "$lists"); do
      mkdir -p "$src/d$l"
      printf 'list "d%s"\n' "$l"
      for i in $(seq 1 "$per"); do
        head -c "$size" /dev/urandom >"$src/d$l/f$i.bin"
        printf 'file "f%s.bin" from "src/d%s/f%s.bin"\n' "$i" "$l" "$i"
      done
    done
    printf 'copy "Copying"\ndone "Done"\n'
  } >"$WORK/$name/setup.mivora"
  "$PACK" build "$WORK/$name/setup.mivora" -o "$WORK/$name/setup.exe" --stub "$STUB" >/dev/null ||
    { echo "bench: mivora-pack build failed for $name"; exit 1; }
  "$PACK" build "$WORK/$name/setup.mivora" -o "$WORK/$name/package.bin" >/dev/null ||
    { echo "bench: mivora-pack build of the bare package failed for $name"; exit 1; }
}

# A tree of FOLDERS folders of PER files of SIZE bytes each, written by the
# shell itself (a process per file would take minutes), and the script that
# installs it with one `files` line into $WORK/dest.
make_tree_case() {
  local name=$1 folders=$2 per=$3 size=$4
  local src=$WORK/$name/src d f
  local contents
  contents=$(head -c "$size" /dev/urandom | base64 -w0 | head -c "$size")
  for d in $(seq 1 "$folders"); do
    mkdir -p "$src/d$d"
    for f in $(seq 1 "$per"); do printf '%s' "$contents" >"$src/d$d/f$f.txt"; done
  done
  printf 'name "Bench %s"\ndest "%s" fixed\npage no-back\nfiles "" from "src"\ncopy "Copying"\ndone "Done"\n' \
    "$name" "$(script_string "$(winpath "$WORK/dest")")" >"$WORK/$name/setup.mivora"
  "$PACK" build "$WORK/$name/setup.mivora" -o "$WORK/$name/setup.exe" --stub "$STUB" >/dev/null ||
    { echo "bench: mivora-pack build failed for $name"; exit 1; }
  "$PACK" build "$WORK/$name/setup.mivora" -o "$WORK/$name/package.bin" >/dev/null ||
    { echo "bench: mivora-pack build of the bare package failed for $name"; exit 1; }
}

# The probe, one process per installer run, fed through two FIFOs.
PROBE_PID=
probe_start() {
  rm -f "$WORK/probe.in" "$WORK/probe.out"
  mkfifo "$WORK/probe.in" "$WORK/probe.out"
  "$WINE" "$PROBE" <"$WORK/probe.in" >"$WORK/probe.out" 2>/dev/null &
  PROBE_PID=$!
  exec 7>"$WORK/probe.in" 8<"$WORK/probe.out"
}
probe() {
  echo "$*" >&7
  local line=
  read -r line <&8
  line=${line%$'\r'}  # the Windows console ends lines with CR LF
  echo "$* -> $line" >>"$WORK/probe.log"
  echo "$line"
}
# Clicks made before a page waits are dropped, so wait until the page answers:
# "Decline" (203) disables Next only while a page waits, "Accept" (202)
# enables it again.
probe_settle_page() {
  local try
  for try in $(seq 1 100); do
    probe post 203 >/dev/null
    if [ "$(probe waitstate 101 disabled)" = ok ]; then
      probe post 202 >/dev/null
      probe waitstate 101 enabled >/dev/null
      return 0
    fi
  done
  return 1
}
probe_stop() {
  echo quit >&7
  exec 7>&- 8<&-
  wait "$PROBE_PID" 2>/dev/null
}

# Peak RssAnon (kB) over the installer's processes, polled until FLAG exists.
watch_rss() {
  local flag=$1 peak=0 v pid
  while [ ! -e "$flag" ]; do
    for pid in $(pgrep -f 'setup\.exe'); do
      v=$(awk '/^RssAnon:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
      [ -n "$v" ] && [ "$v" -gt "$peak" ] && peak=$v
    done
    sleep 0.05
  done
  echo "$peak"
}

# With the probe on the window: clicks 101, waits for it to read "Finish",
# clicks it again and waits for the window to go. Prints the nanoseconds
# from the first click to "Finish"; fails when "Finish" never comes.
time_to_finish() {
  local start end ok=0
  probe timeout 900000 >/dev/null
  start=$(now_ns)
  probe click 101 >/dev/null
  probe waittext 101 Finish | grep -q '^ok' && ok=1
  end=$(now_ns)
  probe timeout 20000 >/dev/null
  probe click 101 >/dev/null
  probe gone 20000 >/dev/null
  [ "$ok" = 1 ] && echo "$((end - start))"
}

# Runs one install and appends "NANOSECONDS PEAK_RSS_KB" to $WORK/install.out:
# the time from the Next that starts the copy to the Finish state, and the
# installer's peak anonymous memory meanwhile.
install_once() {
  local name=$1
  rm -rf "$WORK/dest"
  warm "$WORK/$name/setup.exe"
  local flag=$WORK/rss.done rssfile=$WORK/rss.out
  rm -f "$flag"
  (cd "$WORK/$name" && exec "$WINE" setup.exe >/dev/null 2>&1 </dev/null) &
  local wine_pid=$!
  watch_rss "$flag" >"$rssfile" 2>/dev/null </dev/null &
  local watcher=$!
  probe_start
  local took= ok=0
  if [ "$(probe find 20000)" = ok ]; then
    probe interval "$POLL" >/dev/null
    probe timeout 100 >/dev/null
    probe_settle_page && took=$(time_to_finish) && ok=1
  fi
  touch "$flag"
  wait "$watcher"
  probe_stop
  [ "$ok" = 1 ] || { pkill -f 'setup\.exe'; echo "bench: $name did not install" >&2; tail -5 "$WORK/probe.log" >&2; exit 1; }
  wait "$wine_pid"
  echo "$took $(cat "$rssfile")" >>"$WORK/install.out"
}

# Runs the floor once (MODE "" or --display) and appends the nanoseconds from
# the click that starts it to its "Finish" to $WORK/floor.out.
floor_once() {
  local name=$1 mode=$2
  rm -rf "$WORK/dest"
  warm "$WORK/$name/package.bin"
  (cd "$WORK/$name" && exec "$WINE" "$FLOOR" package.bin $mode >/dev/null 2>&1 </dev/null) &
  local wine_pid=$!
  probe_start
  local took= ok=0
  if [ "$(probe find 20000 MivoraFloor)" = ok ]; then
    probe interval "$POLL" >/dev/null
    took=$(time_to_finish) && ok=1
  fi
  probe_stop
  [ "$ok" = 1 ] || { pkill -f 'floor\.exe'; echo "bench: the floor did not install $name" >&2; exit 1; }
  wait "$wine_pid"
  echo "$took" >>"$WORK/floor.out"
}

time_command() {
  local start end
  start=$(now_ns)
  "$@" >/dev/null 2>&1
  end=$(now_ns)
  echo $((end - start))
}

bench_extraction() {
  local name=$1 label=$2 i mivora=() cp=() xcopy=() bare=() shown=()
  rm -f "$WORK/install.out" "$WORK/floor.out"
  for i in $(seq 1 "$RUNS"); do
    install_once "$name"
    mivora+=("$(tail -1 "$WORK/install.out" | cut -d' ' -f1)")
    floor_once "$name" ""
    bare+=("$(tail -1 "$WORK/floor.out")")
    floor_once "$name" --display
    shown+=("$(tail -1 "$WORK/floor.out")")
    rm -rf "$WORK/cp-dest"
    warm "$WORK/$name/src"
    cp+=("$(time_command cp -r "$WORK/$name/src" "$WORK/cp-dest")")
    rm -rf "$WORK/xcopy-dest"
    warm "$WORK/$name/src"
    xcopy+=("$(time_command "$WINE" xcopy /E /I /Q /Y "$(winpath "$WORK/$name/src")" "$(winpath "$WORK/xcopy-dest")")")
  done
  rm -rf "$WORK/cp-dest" "$WORK/xcopy-dest" "$WORK/dest"
  local m c x fb fd
  m=$(printf '%s\n' "${mivora[@]}" | median)
  c=$(printf '%s\n' "${cp[@]}" | median)
  x=$(printf '%s\n' "${xcopy[@]}" | median)
  fb=$(printf '%s\n' "${bare[@]}" | median)
  fd=$(printf '%s\n' "${shown[@]}" | median)
  printf '%-34s mivora %8ss   floor %8ss   floor+display %8ss   cp -r %8ss   wine xcopy %8ss\n' "$label" \
    "$(seconds "$m")" "$(seconds "$fb")" "$(seconds "$fd")" "$(seconds "$c")" "$(seconds "$x")"
  # Speeds against the floor: the floor's time over the installer's, so 1.00
  # is as fast as the least program can be and the goal is 0.95 or more.
  RESULTS+=("extraction $label: speed of mivora against the floor with display = $(ratio "$fd" "$m"), without = $(ratio "$fb" "$m"); mivora/cp = $(ratio "$m" "$c"), mivora/xcopy = $(ratio "$m" "$x")")
  # The installer's peak anonymous memory over these installs.
  EXTRACTION_RSS=$(cut -d' ' -f2 "$WORK/install.out" | median)
}

bench_memory() {
  local name=$1 label=$2 i peaks=()
  rm -f "$WORK/install.out"
  for i in $(seq 1 "$RUNS"); do
    install_once "$name"
    peaks+=("$(tail -1 "$WORK/install.out" | cut -d' ' -f2)")
  done
  local p
  p=$(printf '%s\n' "${peaks[@]}" | median)
  printf '%-34s peak RssAnon %8s KiB\n' "$label" "$p" >&2
  echo "$p"
}

# Peak resident memory (KiB) of one run of a command.
peak_rss() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'; }

# mivora-pack on a 1 GiB tree (64 files of 16 MiB): build an installer, check
# it and dump it with --extract, each against `cp -r` of the tree, and each
# one's peak resident memory.
bench_pack() {
  local gib=$WORK/gib src=$WORK/gib/src i builds=() checks=() dumps=() copies=()
  mkdir -p "$src"
  for i in $(seq 1 64); do head -c $((16 << 20)) /dev/urandom >"$src/f$i.bin"; done
  printf 'dest "C:\\\\Bench" fixed\npage no-back\nfiles "tree" from "src"\ncopy "Copying"\ndone "Done"\n' >"$gib/setup.mivora"
  local build=("$PACK" build "$gib/setup.mivora" -o "$gib/setup.exe" --stub "$STUB")
  local check=("$PACK" check "$gib/setup.exe")
  local dump=("$PACK" dump "$gib/setup.exe" --extract "$gib/dumped")
  for i in $(seq 1 "$RUNS"); do
    rm -f "$gib/setup.exe"
    warm "$src"
    builds+=("$(time_command "${build[@]}")")
    [ -s "$gib/setup.exe" ] || { echo "bench: mivora-pack build of the 1 GiB tree failed"; exit 1; }
    warm "$gib/setup.exe"
    checks+=("$(time_command "${check[@]}")")
    rm -rf "$gib/dumped"
    warm "$gib/setup.exe"
    dumps+=("$(time_command "${dump[@]}")")
    [ -f "$gib/dumped/package.mivora" ] || { echo "bench: mivora-pack dump of the 1 GiB installer failed"; exit 1; }
    rm -rf "$gib/copy"
    warm "$src"
    copies+=("$(time_command cp -r "$src" "$gib/copy")")
  done
  local build_peak check_peak dump_peak
  build_peak=$(peak_rss "${build[@]}")
  check_peak=$(peak_rss "${check[@]}")
  rm -rf "$gib/dumped"
  dump_peak=$(peak_rss "${dump[@]}")
  local b k d c
  b=$(printf '%s\n' "${builds[@]}" | median)
  k=$(printf '%s\n' "${checks[@]}" | median)
  d=$(printf '%s\n' "${dumps[@]}" | median)
  c=$(printf '%s\n' "${copies[@]}" | median)
  printf '%-34s %8ss   peak RSS %8s KiB\n' "cp -r of the 1 GiB tree" "$(seconds "$c")" "-" \
    "mivora-pack build, 1 GiB installer" "$(seconds "$b")" "$build_peak" \
    "mivora-pack check of it" "$(seconds "$k")" "$check_peak" \
    "mivora-pack dump --extract of it" "$(seconds "$d")" "$dump_peak"
  RESULTS+=("mivora-pack build 1 GiB: build/cp = $(ratio "$b" "$c"), peak RSS ${build_peak} KiB")
  RESULTS+=("mivora-pack check 1 GiB: check/cp = $(ratio "$k" "$c"), peak RSS ${check_peak} KiB")
  RESULTS+=("mivora-pack dump --extract 1 GiB: dump/cp = $(ratio "$d" "$c"), peak RSS ${dump_peak} KiB")
  rm -rf "$gib"
}

echo "Mivora benchmarks: $RUNS runs each, medians; probe looks every ${POLL} ms; $(nproc) cores, $(uname -r)"
echo "measured build: ${WINDOWS_BUILD#"$ROOT"/} (installer, floor and probe), run by $WINE"
stub_size=$(stat -c %s "$STUB")
printf '%-34s %s bytes\n' "stub size (${STUB#"$ROOT"/})" "$stub_size"

if wants extraction; then
  make_case one-256m 1 $((256 << 20)) 1
  bench_extraction one-256m "1 file of 256 MiB"
  rm -rf "$WORK/one-256m"
  make_case many-2m 128 $((2 << 20)) 4
  bench_extraction many-2m "128 files of 2 MiB in 4 lists"
  rm -rf "$WORK/many-2m"
  make_case many-4k 128 4096 4
  bench_extraction many-4k "128 files of 4 KiB"
  rm -rf "$WORK/many-4k"
  # Past the 128 files and 32 lists a group held before the tables grew: one copy.
  make_tree_case tree-20k 500 40 1024
  bench_extraction tree-20k "20,000 files of 1 KiB in 500 dirs"
  RESULTS+=("installer peak RssAnon, 20,000 files of 1 KiB in 500 dirs: $EXTRACTION_RSS KiB")
  rm -rf "$WORK/tree-20k"
fi

if wants memory; then
  make_case mem-16m 1 $((16 << 20)) 1
  small=$(bench_memory mem-16m "installer, 16 MiB package")
  make_case mem-256m 1 $((256 << 20)) 1
  large=$(bench_memory mem-256m "installer, 256 MiB package")
  RESULTS+=("installer peak RssAnon: 256 MiB package / 16 MiB package = $(ratio "$large" "$small") (${large} KiB / ${small} KiB)")
  rm -rf "$WORK/mem-16m" "$WORK/mem-256m"
fi

wants pack && bench_pack

echo
for line in "${RESULTS[@]}"; do echo "$line"; done
echo "stub size: $stub_size bytes; build measured: ${WINDOWS_BUILD#"$ROOT"/}"
