# Pieces of a scripted Tastra session on an X display: a pseudo-terminal pair
# with one end attached as a COM port, a real terminal emulator (picocom in
# tmux) on the other end, X clients that receive the keys, and Tastra itself.
# Sourced by scripts/demo and the end-to-end tests; needs DISPLAY set.

source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

# session_init DIR: everything of the session lives in DIR; Tastra reads its
# attached devices from DIR/config/tastra/devices, and sees no BlueZ, so that
# the machine's paired devices neither join the port list nor get touched.
session_init() {
  SESSION_DIR="$1"
  SESSION_PIDS=()
  SESSION_TMUX="tastra-$$-$RANDOM"
  mkdir -p "$SESSION_DIR/config/tastra/devices"
  export XDG_CONFIG_HOME="$SESSION_DIR/config"
  export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$SESSION_DIR/no-system-bus"
}

session_cleanup() {
  tmux kill-session -t "$SESSION_TMUX" 2>/dev/null || true
  local pid
  for pid in "${SESSION_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
}

# start_line: a pseudo-terminal pair joined by socat; DIR/tastra-end is
# attached as COM0 (entry 0 of the sorted port list), DIR/terminal-end is where the terminal emulator sits.
start_line() {
  socat pty,raw,echo=0,link="$SESSION_DIR/tastra-end" pty,raw,echo=0,link="$SESSION_DIR/terminal-end" \
    2>"$SESSION_DIR/socat.log" &
  LINE_PID=$!
  SESSION_PIDS+=("$LINE_PID")
  wait_until 20 "the pseudo-terminal pair" test -e "$SESSION_DIR/terminal-end"
  ln -sf "$SESSION_DIR/tastra-end" "$XDG_CONFIG_HOME/tastra/devices/com0"
}

# stop_line: ends the pair and waits for socat, which removes its links as it
# exits; a new pair started before that would lose them.
stop_line() {
  kill "$LINE_PID" 2>/dev/null || true
  wait "$LINE_PID" 2>/dev/null || true
  rm -f "$SESSION_DIR/tastra-end" "$SESSION_DIR/terminal-end"
}

# start_terminal: picocom on the far end, inside tmux, logging what it receives.
# Extra picocom options may follow (for example --omap delbs).
start_terminal() {
  : >"$SESSION_DIR/terminal.log"
  tmux new-session -d -s "$SESSION_TMUX" -x 100 -y 30 \
    "picocom -q -b 115200 --logfile '$SESSION_DIR/terminal.log' $* '$SESSION_DIR/terminal-end'"
  wait_until 20 "picocom" sh -c "tmux list-panes -t '$SESSION_TMUX' -F '#{pane_current_command}' | grep -q picocom"
}

# type_on_terminal KEYS...: tmux key names (Up, F1, C-h, Enter) or literal text.
type_on_terminal() {
  tmux send-keys -t "$SESSION_TMUX" "$@"
}

type_text_on_terminal() {
  tmux send-keys -t "$SESSION_TMUX" -l "$1"
}

# start_receiver FILE: an xterm whose shell writes every byte it receives to FILE.
start_receiver() {
  RECEIVER_FILE="$1"
  : >"$RECEIVER_FILE"
  # Raw, so every byte lands in FILE unchanged; RECEIVER_SHOWS=1 also shows it.
  local keep="exec cat > '$RECEIVER_FILE'"
  local show=""
  if [ "${RECEIVER_SHOWS:-0}" = 1 ]; then keep="tee '$RECEIVER_FILE' | stdbuf -o0 tr '\\r' '\\n'"; show="opost onlcr"; fi
  xterm -title receiver -en UTF-8 -xrm 'XTerm*backarrowKey: true' -xrm 'XTerm*backarrowKeyIsErase: false' \
    -e sh -c "stty raw -echo $show; $keep" &
  RECEIVER_PID=$!
  SESSION_PIDS+=("$RECEIVER_PID")
  wait_until 20 "the receiving xterm" sh -c 'xdotool search --name "^receiver$" | grep -q .'
  RECEIVER_WINDOW="$(xdotool search --name '^receiver$' | head -n1)"
}

window_is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# focus_window WINDOW: asks the window manager to activate it and waits until
# it is (xdotool's own --sync can wait forever).
focus_window() {
  local attempt
  for attempt in 1 2 3; do
    xdotool windowactivate "$1" 2>/dev/null || true
    if wait_until 5 "the focus on window $1" window_is_active "$1"; then return 0; fi
  done
  return 1
}

# start_tastra BINARY [env assignments...]; Tastra's own options, if any, in
# the array TASTRA_OPTIONS.
start_tastra() {
  local binary="$1"; shift
  env "$@" "$binary" ${TASTRA_OPTIONS[@]+"${TASTRA_OPTIONS[@]}"} >"$SESSION_DIR/tastra.log" 2>&1 &
  TASTRA_PID=$!
  SESSION_PIDS+=("$TASTRA_PID")
  # One search that finds it: a search fails whole when a window it walks
  # vanishes meanwhile (the toolkit's own at start-up).
  tastra_window_found() { TASTRA_WINDOW="$(xdotool search --name '^Tastra v1.00$' 2>/dev/null | head -n1)"; [ -n "$TASTRA_WINDOW" ]; }
  wait_until 20 "the Tastra window" tastra_window_found
}

# connect_tastra [ATTEMPTS]: the Connect button until the terminal is
# greeted; more than one attempt where the compositor may place the dialog
# after a first click (KWin).
connect_tastra() {
  local attempts="${1:-1}" seconds=30 attempt
  [ "$attempts" -eq 1 ] || seconds=10
  for ((attempt = 0; attempt < attempts; attempt++)); do
    press_connect_button
    if wait_until "$seconds" "the greeting" terminal_received "Tastra v1.00 is connected!"; then return 0; fi
  done
  return 1
}

window_is_mapped() {
  xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable"
}

terminal_received() {  # terminal_received TEXT: the terminal's log contains TEXT
  grep -qF -- "$1" "$SESSION_DIR/terminal.log"
}

# dialog_control_point X Y W H: prints the middle of a control given in dialog
# units of the 131 x 76 main dialog (the layout scales evenly), in pixels of
# the dialog window. A window manager that maximises every window (matchbox)
# leaves the layout at the dialog's own size, its fixed maximum, in the top
# left corner.
dialog_control_point() {
  local x="$1" y="$2" w="$3" h="$4" width height maximum
  eval "$(xdotool getwindowgeometry --shell "$TASTRA_WINDOW")"
  width="$WIDTH"; height="$HEIGHT"
  maximum="$(xprop -id "$TASTRA_WINDOW" WM_NORMAL_HINTS | sed -n 's/.*maximum size: \([0-9]*\) by \([0-9]*\).*/\1 \2/p')"
  if [ -n "$maximum" ]; then read -r width height <<<"$maximum"; fi
  echo $(( (2 * x + w) * width / 262 )) $(( (2 * y + h) * height / 152 ))
}

click_dialog_control() {  # click_dialog_control X Y W H: clicks that control
  xdotool mousemove --window "$TASTRA_WINDOW" $(dialog_control_point "$@") click 1
}

press_connect_button() { click_dialog_control 7 22 54 13; }
MINIMISE_BUTTON="70 22 54 13"  # shown in the Connect button's row while connected

# check DESCRIPTION COMMAND...: one counted check of a scripted test, printed
# as "ok - ..." or "not ok - ..."; the totals are in passed and failed.
passed=0
failed=0
check() {
  local what="$1"; shift
  if "$@"; then
    echo "ok - $what"; passed=$((passed + 1))
  else
    echo "not ok - $what"; failed=$((failed + 1))
  fi
}

# finish: prints the totals and ends the script; after a failure with
# Tastra's log.
finish() {
  echo "$passed passed, $failed failed"
  if [ "$failed" -ne 0 ]; then
    echo "# tastra log:"; sed 's/^/#   /' "$SESSION_DIR/tastra.log" 2>/dev/null
    exit 1
  fi
  exit 0
}
