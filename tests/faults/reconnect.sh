#!/usr/bin/env bash
# Started with --port --speed --connect --reconnect before the port is
# there, Tastra greets the terminal at that speed by itself once it is. The far end goes away (the line hangs
# up) and comes back behind the same devices-folder link: Tastra waits
# without spending CPU and greets it again within 3 s. After Disconnect a
# returning line is left alone.
#   reconnect.sh TASTRA_BINARY
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"
far_end="$(dirname "$0")/far_end.py"

fault_session
# far_end LOG: a far end behind $SESSION_DIR/tastra-end, logging into LOG.
far_end() {
  : >"$1"
  rm -f "$SESSION_DIR/speed"
  python3 "$far_end" "$SESSION_DIR/tastra-end" "$1" "$SESSION_DIR/speed" &
  FAR_END_PID=$!
  SESSION_PIDS+=("$FAR_END_PID")
  wait_until 20 "the far end's pseudo-terminal" test -e "$SESSION_DIR/tastra-end"
}
# Its link goes with it, as a device node does: a link left behind could
# lead to another test's pseudo-terminal that gets the same number.
stop_far_end() { kill "$FAR_END_PID"; wait "$FAR_END_PID" 2>/dev/null; rm -f "$SESSION_DIR/tastra-end"; }
log_has() { grep -qF -- "$2" "$1"; }
speed_is() { [ "$(cat "$SESSION_DIR/speed" 2>/dev/null)" = "$1" ]; }
greeted() { log_has "$1" $'\e[c' && log_has "$1" "$GREETING"; }

# The adapter is plugged in only after the start: the port is not listed
# yet (COM9: the machine's own UARTs are listed from COM0: up).
TASTRA_OPTIONS=(--port com9: --speed 9600 --connect --reconnect)
start_tastra "$tastra"
far_end "$SESSION_DIR/terminal.log"
ln -sf "$SESSION_DIR/tastra-end" "$XDG_CONFIG_HOME/tastra/devices/com9"
check "Tastra connects by itself once the port is there: handshake and greeting" \
  wait_until 20 "the greeting" greeted "$SESSION_DIR/terminal.log"
check "the line runs at the speed given" speed_is 9600

device="$(readlink -f "$SESSION_DIR/tastra-end")"
stop_far_end
check "Tastra let go of the line that hung up" line_dropped "$device"
check "CPU stays at most 0.5 % while waiting" cpu_stays_low "$TASTRA_PID" 10 0.5

far_end "$SESSION_DIR/again.log"
started="$(date +%s%N)"
wait_until 10 "the greeting again" greeted "$SESSION_DIR/again.log"
elapsed_ms=$(( ($(date +%s%N) - started) / 1000000 ))
echo "# reconnected after ${elapsed_ms} ms"
check "the line that came back is greeted again within 3 s" test "$elapsed_ms" -le 3000
check "at the same speed" speed_is 9600

disconnect
check "Disconnect says goodbye" wait_until 20 "the farewell" log_has "$SESSION_DIR/again.log" "$FAREWELL"
stop_far_end
far_end "$SESSION_DIR/after.log"
check "CPU stays low after Disconnect" cpu_stays_low "$TASTRA_PID" 5 0.5
check "after Disconnect a returning line is left alone" sh -c "! grep -qF '$GREETING' '$SESSION_DIR/after.log'"
check "Tastra is still running" tastra_alive
finish
