#!/usr/bin/env bash
# The user declines the portal's consent (run under tests/gnome/with-mutter
# with WITH_MUTTER_CONSENT=decline): Tastra says so, and runs on X11
# through Xwayland with the message of any compositor that lets no program type.
#   decline.sh TASTRA_BINARY
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
tastra="$1"

session_init "$(mktemp -d)"
trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT
start_tastra "$tastra" LANG=en_US.UTF-8 LC_ALL= LC_MESSAGES=
check "the portal was asked" grep -qx "Start decline" "$WITH_MUTTER_DIR/portal-backend.log"
check "the dialog runs on the X display" test -n "$TASTRA_WINDOW"
said() { grep -c "$1" "$SESSION_DIR/tastra.log"; }
check "it says once that the portal was not allowed" test "$(said "portal was not allowed")" -eq 1
check "and once that native Wayland programs are not reached" test "$(said "not native Wayland programs")" -eq 1
check "Tastra still runs" kill -0 "$TASTRA_PID"
finish
