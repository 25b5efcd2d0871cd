#!/usr/bin/env bash
# The window manager is replaced by a new one while Tastra is connected, as
# after a crash or a desktop restart. Tastra keeps running, keys reach the
# focused window under the new manager, and the dialog still disconnects.
#   wm_restarts.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"

wm_check_window() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '{print $NF}'; }

typing_into_receiver "$tastra"
printf 'before' >"$SESSION_DIR/terminal-end"
wait_until 30 "keys before the restart" file_contains "$RECEIVER_FILE" "before"

old_wm="$(wm_check_window)"
openbox --replace >"$SESSION_DIR/openbox.log" 2>&1 &
SESSION_PIDS+=("$!")
wait_until 30 "the new window manager" sh -c "w=\$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '{print \$NF}'); [ -n \"\$w\" ] && [ \"\$w\" != '$old_wm' ]"
check "a new window manager took over" test "$(wm_check_window)" != "$old_wm"
check "Tastra survives the restart" tastra_alive
check "CPU stays low under the new manager" cpu_stays_low "$TASTRA_PID" 3 5

# A manager that has just taken over may still be sorting out the focus:
# ask until the server's input focus is in the xterm.
receiver_has_input_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$RECEIVER_WINDOW" ]; }
for _ in 1 2 3; do
  focus_window "$RECEIVER_WINDOW" && wait_until 10 "the input focus in the xterm" receiver_has_input_focus && break
done
check "the xterm gets the input focus under the new manager" receiver_has_input_focus
printf 'after-restart' >"$SESSION_DIR/terminal-end"
wait_until 30 "keys after the restart" file_contains "$RECEIVER_FILE" "after-restart"
check "keys reach the focused window after the restart" file_contains "$RECEIVER_FILE" "beforeafter-restart"
check "the window is still managed and shown" window_is_mapped "$TASTRA_WINDOW"
disconnect
wait_until 30 "the farewell" terminal_received "$FAREWELL"
check "the dialog still disconnects" terminal_received "$FAREWELL"
finish
