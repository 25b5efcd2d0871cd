#!/usr/bin/env bash
# SIGTERM or SIGINT while connected ends the program as closing its dialog
# does: the farewell reaches the terminal, the port is closed, exit status 0.
#   signal_close.sh TASTRA_BINARY TERM|INT
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"
signal="$2"

fault_session
new_line
start_tastra "$tastra"
connect || { echo "not ok - Tastra connects"; finish; }

kill -s "$signal" "$TASTRA_PID"
wait_exit "$TASTRA_PID" 30
check "SIG$signal ends Tastra with status 0 (status $EXIT_STATUS)" test "$EXIT_STATUS" = 0
wait_until 10 "the farewell" terminal_received "$FAREWELL"
check "the terminal receives the farewell" terminal_received "$FAREWELL"
finish
