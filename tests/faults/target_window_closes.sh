#!/usr/bin/env bash
# The focused window goes away while the terminal streams characters: its
# client is killed between two poll ticks. Tastra survives and types into the
# next window.
#   target_window_closes.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"

fault_session
new_line
start_sink "$SESSION_DIR/sink.bin"
start_tastra "$tastra"
connect || { echo "not ok - Tastra connects"; finish; }
start_receiver "$SESSION_DIR/received.bin"
focus_window "$SINK_WINDOW"
focus_window "$RECEIVER_WINDOW"

# About 1,300 letters a second for three seconds.
python3 -c '
import sys, time
with open(sys.argv[1], "wb", buffering=0) as line:
    for _ in range(150):
        line.write(b"abcdefghijklmnopqrstuvwxyz")
        time.sleep(0.02)
' "$SESSION_DIR/terminal-end" &
streamer_pid=$!
wait_until 30 "letters in the receiving xterm" file_size_at_least "$RECEIVER_FILE" 100
kill -KILL "$RECEIVER_PID"
wait "$streamer_pid"
check "Tastra survives the loss of its target window" tastra_alive

focus_window "$SINK_WINDOW"
printf 'MARKER-OK' >"$SESSION_DIR/terminal-end"
wait_until 60 "the marker in the next window" file_contains "$SINK_FILE" "MARKER-OK"
check "keys reach the next focused window" file_contains "$SINK_FILE" "MARKER-OK"
finish
