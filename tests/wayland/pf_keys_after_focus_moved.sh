#!/usr/bin/env bash
# On sway: PF1 and PF4 soon after Tastra was brought to the front, when the
# user has moved the focus to another window since (a native foot, an xterm
# on Xwayland): the keys act on that window, which the compositor reports
# activated, not on the dialog asked to the front before. Run under
# tests/wayland/with-sway.
#   pf_keys_after_focus_moved.sh TASTRA_BINARY
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/tests/faults/lib.sh"
source "$here/tests/wayland/sway.sh"
tastra="$1"

fault_session
new_line
start_tastra "$tastra"
press_connect_button
wait_until 20 "the greeting" terminal_received "$GREETING" || { echo "not ok - Tastra connects"; finish; }
start_foot_receiver "$SESSION_DIR/foot.bin" foot-receiver
FOOT_PID="$RECEIVER_PID"
start_receiver "$SESSION_DIR/xterm.bin"

pf() { printf '\033O%s' "$1" >"$SESSION_DIR/terminal-end"; }
gone() { ! kill -0 "$1" 2>/dev/null; }
# The user's pause between moving the focus and the key: well within the
# time an activation may take to be applied.
pause() { sleep 0.25; }

for other in foot-receiver receiver; do
  sway_focus "$other"
  pf P
  wait_until 20 "Tastra in front after PF1" sway_focused_is "$TASTRA_TITLE"
  sway_focus "$other"
  pause
  pf P
  wait_until 20 "Tastra in front after the second PF1" sway_focused_is "$TASTRA_TITLE"
  check "PF1 after the focus moved to $other brings Tastra to the front again" sway_focused_is "$TASTRA_TITLE"
done

for other in foot-receiver receiver; do
  pid="$FOOT_PID"; [ "$other" = receiver ] && pid="$RECEIVER_PID"
  sway_focused_is "$TASTRA_TITLE" || { pf P; wait_until 20 "Tastra in front after PF1" sway_focused_is "$TASTRA_TITLE"; }
  sway_focus "$other"
  pause
  pf S
  wait_until 20 "$other to close" gone "$pid"
  check "PF4 closes $other, focused after PF1" gone "$pid"
  check "Tastra keeps running" tastra_alive
done
check "the link stays open" sh -c "! grep -qF '$FAREWELL' '$SESSION_DIR/terminal.log'"
finish
