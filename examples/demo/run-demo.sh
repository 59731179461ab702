#!/usr/bin/env bash
# Compiles examples/demo into build/demo/setup.exe and runs it under Wine.
# With a display the wizard opens for a person to click through. Without one
# (or with MIVORA_DEMO_HEADLESS=1) it runs under Xvfb, clicks through every
# page with the UI probe, prints each page's texts and the installed tree,
# and saves a PNG of each page in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
PACK=${MIVORA_PACK:-$ROOT/build/host/mivora-pack}
# ./run chooses the Windows build and its Wine: the x86 stub, or its x86-64
# twin where this machine cannot run 32-bit code.
WINDOWS_BUILD=${MIVORA_WINDOWS_BUILD:-$ROOT/build/win32}
WINE=${MIVORA_WINE:-wine}
STUB=${MIVORA_STUB:-$WINDOWS_BUILD/mivora.exe}
PROBE=${MIVORA_PROBE:-$WINDOWS_BUILD/tests/probe.exe}
OUT=$ROOT/build/demo

say() { printf '%s\n' "$*" >&2; }
die() { say "demo: $*"; exit 1; }

[ -x "$PACK" ] || die "no $PACK: run ./run build first"
[ -f "$STUB" ] || die "no $STUB: run ./run build first"
mkdir -p "$OUT"
"$PACK" build examples/demo/setup.mivora -o "$OUT/setup.exe" --stub "$STUB" || die "could not build the installer"

export WINEDEBUG=-all WINEARCH=${WINEARCH:-win32}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wine}
if [ ! -f "$WINEPREFIX/.mivora-ready" ]; then
  rm -rf "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1 || die "wineboot failed"
  # Without a window manager Wine waits 2 s whenever a top-level window hides.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.mivora-ready"
fi

# The installer runs from C:\mivora-demo, so its drive prefix makes the
# destination C:\Mivora Demo inside the Wine prefix, not on the host's root.
RUN_DIR="$WINEPREFIX/drive_c/mivora-demo"
INSTALLED="$WINEPREFIX/drive_c/Mivora Demo"
mkdir -p "$RUN_DIR"
cp "$OUT/setup.exe" "$RUN_DIR/setup.exe"

if [ -n "${DISPLAY:-}" ] && [ -z "${MIVORA_DEMO_HEADLESS:-}" ]; then
  say "demo: the wizard opens now; it installs into C:\\Mivora Demo ($INSTALLED)"
  (cd "$RUN_DIR" && "$WINE" setup.exe)
  exit 0
fi

[ -f "$PROBE" ] || die "no $PROBE: run ./run build first"
XVFB_PID=
for n in $(seq 91 140); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  sleep 0.5
  if kill -0 "$XVFB_PID" 2>/dev/null; then export DISPLAY=":$n"; break; fi
  XVFB_PID=
done
[ -n "$XVFB_PID" ] || die "could not start Xvfb"
SETUP_PID=
cleanup() {
  [ -n "$SETUP_PID" ] && kill "$SETUP_PID" 2>/dev/null
  wineserver -k >/dev/null 2>&1 || true
  kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

rm -rf "$INSTALLED"
(cd "$RUN_DIR" && exec "$WINE" setup.exe) &
SETUP_PID=$!
coproc PROBE_IO { "$WINE" "$PROBE"; }

# The probe's fds exist only in this shell, so answers come back in ANSWER,
# never through a command substitution's subshell.
ANSWER=
ask() {
  printf '%s\n' "$1" >&"${PROBE_IO[1]}"
  IFS= read -r -t 60 ANSWER <&"${PROBE_IO[0]}" || die "the probe did not answer '$1'"
  ANSWER=${ANSWER%$'\r'}  # Wine's console ends lines with CR LF
}
must() {
  ask "$1"
  [[ $ANSWER == ok* ]] || die "'$1' failed: $ANSWER"
  ANSWER=${ANSWER#ok}
  ANSWER=${ANSWER# }
}
# Prints a control's text with its line breaks.
show() {
  must "text $2"
  printf '  %-8s %b\n' "$1:" "${ANSWER//%/%%}" >&2
}
snapshot() {
  must 'text 0'
  local window
  window=$(xdotool search --name "$ANSWER" 2>/dev/null | head -1 || true)
  import -window "${window:-root}" "$OUT/$1.png" 2>/dev/null || import -window root "$OUT/$1.png"
  say "  saved build/demo/$1.png"
}
# A click on a radio button changes Next only on a waiting page (clicks
# made while a page is built are dropped): $1 is clicked until Next is $2,
# then $3 brings Next back to $4.
click_until_page_waits() {
  local i
  must "timeout 300"
  for i in $(seq 1 30); do
    must "post $1"
    ask "waitstate 101 $2"
    [[ $ANSWER == ok* ]] && break
  done
  must "timeout 10000"
  must "post $3"
  must "waitstate 101 $4"
}
# Returns once the page waits: "Decline" (203) disables Next only then, and
# "Accept" (202) enables it again.
settle_page() { click_until_page_waits 203 disabled 202 enabled; }
# Waits until static 210 shows something other than $1.
wait_new_text() {
  local i
  for i in $(seq 1 100); do
    must 'text 210'
    [ "$ANSWER" != "$1" ] && return 0
    sleep 0.1
  done
  die "the page did not change"
}

# The license page starts declined with Next greyed: "Accept" (202) enables
# Next only once the page waits, and "Decline" (203) greys it again.
settle_license_page() {
  must "waitstate 201 visible"
  must "waitstate 101 disabled"
  click_until_page_waits 202 enabled 203 disabled
}
page_texts() {
  show text 210
  if must "visible 211" && [ "$ANSWER" = 1 ]; then show text2 211; fi
  if must "visible 221" && [ "$ANSWER" = 1 ]; then show folder 221; fi
}

must "find 30000"
settle_page
must 'text 0'
say "Caption: $ANSWER"
say "Page 1 (welcome):"
page_texts
snapshot "page-1-welcome"
must 'text 210'
welcome=$ANSWER
must "click 101"
settle_license_page
say "Page 2 (license):"
must "text 201"
printf '%b' "${ANSWER//%/%%}" | tr -d '\r' | head -4 | sed 's/^/  license: /' >&2
must "checked 203"
[ "$ANSWER" = 1 ] || die "\"Decline\" is not checked"
say "  \"Decline\" checked, \"Next >>\" greyed"
snapshot "page-2-license"
must "press 202"
must "waitstate 101 enabled"
say "  \"Accept\" clicked: \"Next >>\" enabled"
must "click 101"
wait_new_text "$welcome"
settle_page
say "Page 3 (destination):"
page_texts
snapshot "page-3-destination"
must 'text 210'
before=$ANSWER
must "click 101"
wait_new_text "$before"
must "waittext 101 Finish"
say "Page 4 (finish):"
show text 210
snapshot "page-4-finish"
must "click 101"
must "gone 20000"
ask quit || true
wait "$SETUP_PID" 2>/dev/null || true
SETUP_PID=

say "Installed into C:\\Mivora Demo:"
(cd "$INSTALLED" && find . -mindepth 1 | sort | while read -r p; do
  if [ -d "$p" ]; then printf '  %s/\n' "${p#./}"; else printf '  %-40s %8s bytes  %s\n' "${p#./}" "$(stat -c %s "$p")" "$(date -u -r "$p" '+%Y-%m-%d %H:%M:%S UTC')"; fi
done) >&2
