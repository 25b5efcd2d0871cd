#!/usr/bin/env bash
# The X server goes away under a connected Tastra: the link is closed as on
# closing the dialog (farewell sent), a clear message goes to stderr and the
# exit status is not 0. Starts its own X server, since it kills it.
#   x_server_lost.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }

fault_session
NO_WM=1
start_xvfb "$SESSION_DIR"
xvfb_pid="$XVFB_PID"
SESSION_PIDS+=("$xvfb_pid")

new_line
start_tastra "$tastra"
connect || { echo "not ok - Tastra connects"; finish; }

kill -KILL "$xvfb_pid"
wait_exit "$TASTRA_PID" 30
check "Tastra ends with a non-zero status (status $EXIT_STATUS)" test "$EXIT_STATUS" != 0 -a "$EXIT_STATUS" != timeout
wait_until 10 "the farewell" terminal_received "$FAREWELL"
check "the terminal receives the farewell" terminal_received "$FAREWELL"
check "stderr says that the X server was lost" file_contains "$SESSION_DIR/tastra.log" "connection to the X server was lost"
finish
