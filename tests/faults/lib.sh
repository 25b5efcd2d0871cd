# Shared pieces of the fault tests: a session as in the end-to-end test, with
# a plain reader on the terminal end instead of picocom, and checks that count.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$here/scripts/lib/session.sh"

GREETING="Tastra v1.00 is connected!"
FAREWELL="Connection is closed!"

fault_session() {  # fault_session: a fresh session directory, removed on exit
  session_init "$(mktemp -d)"
  trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT
  export LANG=C.UTF-8 LC_ALL= LC_MESSAGES=
}

# start_reader: records what reaches the terminal end in terminal.log, the file
# terminal_received looks at.
start_reader() {
  : >"$SESSION_DIR/terminal.log"
  cat "$SESSION_DIR/terminal-end" >>"$SESSION_DIR/terminal.log" 2>/dev/null &
  READER_PID=$!
  SESSION_PIDS+=("$READER_PID")
}

# new_line: a fresh pseudo-terminal pair with its reader, attached as COM0.
new_line() {
  rm -f "$SESSION_DIR/terminal-end" "$SESSION_DIR/tastra-end"
  start_line
  start_reader
}

connect() {  # clicks Connect and waits for the greeting on the current line
  [ -n "${NO_WM:-}" ] || focus_window "$TASTRA_WINDOW"
  press_connect_button
  wait_until 30 "the greeting" terminal_received "$GREETING"
}

# typing_into_receiver TASTRA [RECEIVED_FILE]: a new session in which TASTRA
# is connected and types into a receiving xterm that has the focus (its file
# by default received.bin in the session directory).
typing_into_receiver() {
  fault_session
  new_line
  start_receiver "${2:-$SESSION_DIR/received.bin}"
  start_tastra "$1"
  connect || { echo "not ok - Tastra connects"; finish; }
  focus_window "$RECEIVER_WINDOW"
}

# disconnect: clicks Disconnect; the caller checks for the farewell if the
# line still has a far end.
disconnect() {
  focus_window "$TASTRA_WINDOW"
  press_connect_button
}

tastra_alive() { kill -0 "$TASTRA_PID" 2>/dev/null; }

# holds_device DEVICE: Tastra has DEVICE (a resolved /dev path) open.
holds_device() {
  local fd
  for fd in /proc/"$TASTRA_PID"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$1" ] && return 0
  done
  return 1
}

# line_dropped DEVICE: after the line hung up, Tastra let go of DEVICE on
# its own; the caller then checks that one click connects again.
lets_go_of() { ! holds_device "$1"; }
line_dropped() { wait_until 20 "Tastra to let go of $1" lets_go_of "$1"; }

# cpu_stays_low PID SECONDS MAX_PERCENT
cpu_stays_low() {
  local percent
  percent="$(cpu_percent "$1" "$2")" || return 1
  echo "# cpu over ${2}s: ${percent}% (limit ${3}%)"
  awk -v p="$percent" -v limit="$3" 'BEGIN { exit !(p <= limit) }'
}

# wait_exit PID SECONDS: waits for a child to end; sets EXIT_STATUS.
wait_exit() {
  local pid="$1" seconds="$2"
  if ! wait_until "$seconds" "process $pid to end" sh -c "! kill -0 $pid 2>/dev/null || grep -q '^State:.*Z' /proc/$pid/status"; then
    EXIT_STATUS=timeout
    return 1
  fi
  wait "$pid"
  EXIT_STATUS=$?
}

# start_sink FILE: an xterm that writes what it receives to FILE, titled sink.
start_sink() {
  SINK_FILE="$1"
  : >"$SINK_FILE"
  xterm -title sink -e sh -c "stty raw -echo; exec cat > '$SINK_FILE'" &
  SINK_PID=$!
  SESSION_PIDS+=("$SINK_PID")
  wait_until 20 "the sink xterm" sh -c 'xdotool search --name "^sink$" | grep -q .'
  SINK_WINDOW="$(xdotool search --name '^sink$' | head -n1)"
}

file_contains() { grep -qF -- "$2" "$1"; }
file_size_at_least() { [ "$(stat -c %s "$1")" -ge "$2" ]; }

# click_into WINDOW: clicks into WINDOW, as a user does to work in it, at a
# point the dialog (when shown) does not cover, and waits until it is active.
# Where the dialog covers it all (matchbox maximises every window), the user
# switches to it with the window manager instead.
click_into() {
  local window="$1" point dx dy
  eval "$(xdotool getwindowgeometry --shell "$window")"
  local wx="$X" wy="$Y" ww="$WIDTH" wh="$HEIGHT"
  eval "$(xdotool getwindowgeometry --shell "$TASTRA_WINDOW")"
  for point in "10 10" "$((ww - 10)) $((wh - 10))" "10 $((wh - 10))" "$((ww - 10)) 10"; do
    read -r dx dy <<<"$point"
    if ! window_is_mapped "$TASTRA_WINDOW" || [ $((wx + dx)) -lt "$X" ] || [ $((wx + dx)) -ge $((X + WIDTH)) ] ||
      [ $((wy + dy)) -lt "$Y" ] || [ $((wy + dy)) -ge $((Y + HEIGHT)) ]; then
      xdotool mousemove --window "$window" "$dx" "$dy" click 1
      wait_until 10 "window $window active after the click" window_is_active "$window"
      return
    fi
  done
  focus_window "$window"
}
