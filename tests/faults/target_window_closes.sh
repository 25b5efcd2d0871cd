#!/usr/bin/env bash
# The focused window goes away: its client is killed while the terminal
# streams characters, so while a tick is typing (`within`, the default), or
# after one tick's characters have all arrived and before the next
# (`between`). Tastra survives and types into the next window.
#   target_window_closes.sh TASTRA_BINARY [within|between]
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"
when="${2:-within}"

fault_session
new_line
start_sink "$SESSION_DIR/sink.bin"
start_tastra "$tastra"
connect || { echo "not ok - Tastra connects"; finish; }
start_receiver "$SESSION_DIR/received.bin"
focus_window "$SINK_WINDOW"
focus_window "$RECEIVER_WINDOW"

if [ "$when" = between ]; then
  printf 'abcdefghijklmnopqrstuvwxyz' >"$SESSION_DIR/terminal-end"
  wait_until 30 "a tick's letters in the receiving xterm" file_contains "$RECEIVER_FILE" "abcdefghijklmnopqrstuvwxyz"
  kill -KILL "$RECEIVER_PID"
  check "Tastra survives the loss of its target window" tastra_alive
  printf 'ABCDEFGHIJKLMNOPQRSTUVWXYZ' >"$SESSION_DIR/terminal-end"
  check "CPU stays low while keys have no window" cpu_stays_low "$TASTRA_PID" 2 5
else
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
fi

focus_window "$SINK_WINDOW"
printf 'MARKER-OK' >"$SESSION_DIR/terminal-end"
wait_until 60 "the marker in the next window" file_contains "$SINK_FILE" "MARKER-OK"
check "keys reach the next focused window" file_contains "$SINK_FILE" "MARKER-OK"
finish
