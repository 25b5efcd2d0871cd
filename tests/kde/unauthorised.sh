#!/usr/bin/env bash
# KWin without a desktop entry for Tastra: it offers no fake input, Tastra
# says once what would authorise it and runs on X11 through Xwayland. Run
# under tests/kde/with-kwin without KWIN_AUTHORISE.   unauthorised.sh TASTRA_BINARY
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
tastra="$1"

session_init "$(mktemp -d)"
trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT
start_tastra "$tastra"
said() { grep -c "$1" "$SESSION_DIR/tastra.log"; }
wait_until 20 "the fallback told" sh -c "grep -q 'not native Wayland programs' '$SESSION_DIR/tastra.log'"
check "the dialog runs on Xwayland" test -n "$TASTRA_WINDOW"
check "it says once what authorises it, with its own path" \
  test "$(said "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_kwin_keystate")" -eq 1 -a "$(said "Exec=$tastra ")" -eq 1
check "and that native programs are not reached" test "$(said "not native Wayland programs")" -eq 1
finish
