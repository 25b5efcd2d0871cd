#!/usr/bin/env bash
# A compositor that lets no client type (weston) beside an X display: Tastra
# says once that native Wayland programs are not reached, and runs on X11.
# Run under tests/x11/with-x.   fallback.sh TASTRA_BINARY
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
tastra="$1"
if ! command -v weston >/dev/null; then
  echo "SKIP: weston is not installed"
  exit 77
fi

session_init "$(mktemp -d)"
runtime="$SESSION_DIR/runtime"
mkdir -m 700 "$runtime"
trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=compositor --idle-time=0 \
  >"$SESSION_DIR/weston.log" 2>&1 &
SESSION_PIDS+=($!)
wait_until 30 "weston" test -S "$runtime/compositor"

start_tastra "$tastra" WAYLAND_DISPLAY="$runtime/compositor"
check "the dialog runs on the X display" test -n "$TASTRA_WINDOW"
check "Tastra still runs" kill -0 "$TASTRA_PID"
said() { grep -c "not native Wayland programs" "$SESSION_DIR/tastra.log"; }
check "it says once that native Wayland programs are not reached" test "$(said)" -eq 1
echo "# $(cat "$SESSION_DIR/tastra.log")"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
