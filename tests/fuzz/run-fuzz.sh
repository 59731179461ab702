#!/usr/bin/env bash
# Builds the package fuzzer with clang and runs it: ./run fuzz [SECONDS]
# (default 600); tests/fuzz/run-fuzz.sh --smoke runs it for about a minute
# and prints one summary line. A crash leaves its input in build/fuzz/findings/.
set -uo pipefail
cd "$(dirname "$0")/../.."

seconds=600
mode=long
if [ "${1:-}" = "--smoke" ]; then seconds=${MIVORA_FUZZ_SMOKE_SECONDS:-60}; mode=smoke
elif [ -n "${1:-}" ]; then seconds=$1; fi

log=build/fuzz/fuzz.log
mkdir -p build/fuzz
if [ ! -f build/fuzz/CMakeCache.txt ]; then
  cmake --preset fuzz >build/fuzz/configure.log 2>&1 || { cat build/fuzz/configure.log; echo "0 passed, 1 failed"; exit 1; }
fi
cmake --build --preset fuzz -j"$(nproc)" >build/fuzz/build.log 2>&1 ||
  { grep -E 'error' build/fuzz/build.log | head -20; echo "0 passed, 1 failed"; exit 1; }

corpus=build/fuzz/corpus
findings=build/fuzz/findings
mkdir -p "$corpus" "$findings"
build/host/tests/fuzz_seeds "$corpus" 2>/dev/null || true
cp -n tests/fuzz/regressions/*.pack "$corpus"/ 2>/dev/null || true
for example in examples/*.mivora; do
  [ -f "$example" ] && [ -x build/host/mivora-pack ] &&
    build/host/mivora-pack build "$example" -o "$corpus/$(basename "$example" .mivora).pack" >/dev/null 2>&1
done

# -timeout bounds one input; packages are at most 64 KiB here, so anything
# slower than a second is a hang.
build/fuzz/package_fuzzer "$corpus" -max_total_time="$seconds" -timeout=2 -max_len=65536 -rss_limit_mb=2048 \
  -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
rc=$?
runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')
cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1)
echo "fuzz: ${runs:-0} executions in ${seconds}s, ${cov:-no coverage line}, exit $rc; log $log"
if [ "$rc" -ne 0 ]; then
  grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -10
  echo "0 passed, 1 failed"
  exit 1
fi
echo "1 passed, 0 failed"
