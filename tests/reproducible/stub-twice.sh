#!/usr/bin/env bash
# Each installer stub linked in a second build directory from the same
# sources must equal the first byte for byte: no link time, no build path
# and no other trace of the build may reach a stub, since every installer
# carries one. Run by ./run test after the Windows builds.
set -uo pipefail
cd "$(dirname "$0")/../.."

passed=0
failed=0
check_stub() {
  local preset=$1 stub=build/$1/mivora.exe again=build/stub-again-$1
  if [ ! -f "$stub" ]; then
    echo "stub-twice: $stub is missing (./run build)"
    failed=$((failed + 1))
    return
  fi
  if [ ! -f "$again/CMakeCache.txt" ] && ! cmake --preset "$preset" -B "$again" >"$again.log" 2>&1; then
    echo "stub-twice: configuring $again failed ($again.log)"
    failed=$((failed + 1))
    return
  fi
  if ! cmake --build "$again" --target mivora -j2 >>"$again.log" 2>&1; then
    echo "stub-twice: building $again failed ($again.log)"
    failed=$((failed + 1))
  elif ! cmp "$stub" "$again/mivora.exe"; then
    echo "stub-twice: the two builds of $stub differ"
    failed=$((failed + 1))
  else
    echo "$stub is $(stat -c %s "$stub") bytes in both builds"
    passed=$((passed + 1))
  fi
}

check_stub win32
check_stub win64
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
