#!/usr/bin/env bash
# PF4 and PF1 soon after Tastra was brought to the front, when the user has
# clicked into another window since: the keys act on that window, which the
# desktop reports active, not on the dialog asked to the front before.
#   pf_keys_after_focus_moved.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"

typing_into_receiver "$tastra"
start_sink "$SESSION_DIR/sink.bin"
tastra_in_front() { window_is_mapped "$TASTRA_WINDOW" && window_is_active "$TASTRA_WINDOW"; }
receiver_gone() { ! kill -0 "$RECEIVER_PID" 2>/dev/null; }
pf() { printf '\033O%s' "$1" >"$SESSION_DIR/terminal-end"; }
# The user's pause between the click and the key: well within the time an
# activation may take to be applied.
pause() { sleep 0.25; }

click_into "$SINK_WINDOW"
pf P
wait_until 20 "Tastra in front after PF1" tastra_in_front
click_into "$SINK_WINDOW"
pause
pf P
wait_until 20 "Tastra in front after the second PF1" tastra_in_front
check "PF1 after a click elsewhere brings Tastra to the front again" tastra_in_front

click_into "$RECEIVER_WINDOW"
pf P
wait_until 20 "Tastra in front after PF1" tastra_in_front
click_into "$RECEIVER_WINDOW"
pause
pf S
wait_until 20 "the xterm to close" receiver_gone
check "PF4 closes the window clicked into after PF1" receiver_gone
check "Tastra keeps running" tastra_alive
check "the link stays open" sh -c "! grep -qF '$FAREWELL' '$SESSION_DIR/terminal.log'"
finish
