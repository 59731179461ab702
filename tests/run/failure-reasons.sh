#!/usr/bin/env bash
# ./run says why a step failed: a suite or a build that fails in its own
# words (a missing program, a crash), not in a line its patterns know, still
# shows those words and the exit code. Run by ./run test.
set -uo pipefail
source "$(dirname "$0")/../../run"

passed=0
failed=0
expect_shown() {
  local what=$1 shown=$2 text=$3
  if [[ "$shown" == *"$text"* ]]; then
    passed=$((passed + 1))
  else
    echo "failure-reasons: $what does not show '$text':"
    printf '%s\n' "$shown"
    failed=$((failed + 1))
  fi
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf '#!/bin/sh\necho "wine: could not load kernel32.dll, status c0000135" >&2\nexit 127\n' >"$scratch/crash"
chmod +x "$scratch/crash"

shown=$( (PASSED=0 FAILED=0; run_suite failure-reasons-probe "$scratch/crash") 2>&1)
rm -f build/logs/failure-reasons-probe.log
expect_shown "a suite that crashes" "$shown" "could not load kernel32.dll"
expect_shown "a suite that crashes" "$shown" "exit code 127"

printf 'gzip: docs/x.1: No such file or directory\nmake[2]: *** [Makefile:9: x.1.gz] Error 1\n' >"$scratch/build.log"
shown=$(show_failure "$scratch/build.log" 'error|Error' 2>&1)
expect_shown "a build step that fails" "$shown" "gzip: docs/x.1: No such file or directory"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
