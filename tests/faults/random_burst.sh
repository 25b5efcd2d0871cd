#!/usr/bin/env bash
# A 1 MiB burst of random bytes from the terminal: Tastra keeps running,
# lets go of the line when it hangs up, and afterwards connects and types.
#   random_burst.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"

fault_session
# Fixed random bytes; the function keys are left out so that no window is
# closed or hidden behind the test's back.
python3 -c '
import random, re, sys
data = random.Random(20240601).randbytes(1 << 20)
sys.stdout.buffer.write(re.sub(rb"\x1bO[P-S]", b"\x1bOx", data))
' >"$SESSION_DIR/burst.bin"
new_line
start_sink "$SESSION_DIR/sink.bin"
start_tastra "$tastra"
connect || { echo "not ok - Tastra connects"; finish; }
focus_window "$SINK_WINDOW"

cat "$SESSION_DIR/burst.bin" >"$SESSION_DIR/terminal-end" 2>/dev/null &
writer_pid=$!
wait_until 120 "the burst in the focused window" file_size_at_least "$SINK_FILE" 500
check "the burst is typed into the focused window" file_size_at_least "$SINK_FILE" 500
check "Tastra survives the burst" tastra_alive
kill "$writer_pid" 2>/dev/null
device="$(readlink -f "$XDG_CONFIG_HOME/tastra/devices/com0")"
kill "$LINE_PID"  # drops what is still queued on the line
wait_until 20 "the pseudo-terminal pair to vanish" sh -c "! test -e '$SESSION_DIR/terminal-end'"
check "Tastra lets go of the line that hung up" line_dropped "$device"

new_line
check "Tastra connects again after the burst" connect
focus_window "$SINK_WINDOW"
printf 'after-burst' >"$SESSION_DIR/terminal-end"
wait_until 60 "typed text after the burst" file_contains "$SINK_FILE" "after-burst"
check "typed text arrives after the burst" file_contains "$SINK_FILE" "after-burst"
disconnect
wait_until 20 "the farewell" terminal_received "$FAREWELL"
check "the farewell follows" terminal_received "$FAREWELL"
finish
