#!/usr/bin/env bash
# The terminal end of the pseudo-terminal closes while connected: Tastra keeps
# running without spinning, Disconnect brings the dialog back to idle, and a
# new line connects as before.
#   far_end_closes.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"

fault_session
: >"$SESSION_DIR/terminal.log"
python3 "$(dirname "$0")/far_end.py" "$SESSION_DIR/tastra-end" "$SESSION_DIR/terminal.log" &
far_end_pid=$!
SESSION_PIDS+=("$far_end_pid")
wait_until 20 "the far end's pseudo-terminal" test -e "$SESSION_DIR/tastra-end"
ln -sf "$SESSION_DIR/tastra-end" "$XDG_CONFIG_HOME/tastra/devices/com0"
start_tastra "$tastra"
connect || { echo "not ok - Tastra connects"; finish; }

device="$(readlink -f "$XDG_CONFIG_HOME/tastra/devices/com0")"
check "Tastra holds the line" holds_device "$device"
kill "$far_end_pid"
wait "$far_end_pid" 2>/dev/null
check "CPU stays low on a line whose far end has gone" cpu_stays_low "$TASTRA_PID" 3 5
check "Tastra is still running" tastra_alive
check "Tastra let go of the line that hung up" line_dropped "$device"

new_line
check "the dialog is idle again: one click connects a new line" connect
disconnect
wait_until 20 "the farewell" terminal_received "$FAREWELL"
check "the new line receives the farewell" terminal_received "$FAREWELL"
finish
