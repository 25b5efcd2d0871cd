#!/usr/bin/env bash
# The attached device disappears while connected: the pseudo-terminal pair
# vanishes and its COM link is removed. Tastra keeps running without
# spinning, Disconnect works, and a new device connects as before.
#   device_disappears.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"

fault_session
new_line
start_tastra "$tastra"
connect || { echo "not ok - Tastra connects"; finish; }

device="$(readlink -f "$XDG_CONFIG_HOME/tastra/devices/com0")"
check "Tastra holds the line" holds_device "$device"
kill "$LINE_PID"
rm -f "$XDG_CONFIG_HOME/tastra/devices/com0"
wait_until 20 "the pseudo-terminal pair to vanish" sh -c "! test -e '$SESSION_DIR/terminal-end'"
check "CPU stays low after the device vanished" cpu_stays_low "$TASTRA_PID" 3 5
check "Tastra is still running" tastra_alive
check "Tastra let go of the line that hung up" line_dropped "$device"

new_line
check "the dialog is idle again: one click connects a new device" connect
disconnect
wait_until 20 "the farewell" terminal_received "$FAREWELL"
check "the new device receives the farewell" terminal_received "$FAREWELL"
finish
