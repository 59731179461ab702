#!/usr/bin/env bash
# The installer stub linked in a second build directory from the same sources
# must equal build/win32/mivora.exe byte for byte: no link time, no build
# path and no other trace of the build may reach the stub, since every
# installer carries it. Run by ./run test after the win32 build.
set -uo pipefail
cd "$(dirname "$0")/../.."
again=build/stub-again
stub=build/win32/mivora.exe

fail() { echo "stub-twice: $*"; echo "0 passed, 1 failed"; exit 1; }

[ -f "$stub" ] || fail "$stub is missing (./run build)"
if [ ! -f "$again/CMakeCache.txt" ]; then
  cmake --preset win32 -B "$again" >"$again.log" 2>&1 || fail "configuring $again failed ($again.log)"
fi
cmake --build "$again" --target mivora -j2 >>"$again.log" 2>&1 || fail "building $again failed ($again.log)"
cmp "$stub" "$again/mivora.exe" || fail "the two builds of the stub differ"
echo "the stub is $(stat -c %s "$stub") bytes in both builds"
echo "1 passed, 0 failed"
