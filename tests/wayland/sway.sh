# Pieces of a scripted session on sway, beside scripts/lib/session.sh:
# windows seen and focused through sway's IPC, and foot as a receiver.

TASTRA_TITLE="Tastra v1.00"

sway_windows() {
  swaymsg -t get_tree | jq -r '.. | select(.type? == "con" or .type? == "floating_con") | select(.name != null) | .name'
}
sway_focused_is() { [ "$(swaymsg -t get_tree | jq -r '.. | select(.focused? == true) | .name')" = "$1" ]; }
sway_window_gone() { ! sway_windows | grep -qxF -- "$1"; }

# sway_focus TITLE: focuses the window and waits until it is.
sway_focus() {
  swaymsg "[title=\"^$1\$\"] focus" >/dev/null 2>&1
  wait_until 10 "the focus on $1" sway_focused_is "$1"
}

# start_foot_receiver FILE TITLE: foot whose shell writes every byte it
# receives to FILE, focused.
start_foot_receiver() {
  RECEIVER_FILE="$1"
  RECEIVER_TITLE="$2"
  foot --log-level=error -T "$RECEIVER_TITLE" sh -c "stty raw -echo; exec cat > '$RECEIVER_FILE'" &
  RECEIVER_PID=$!
  SESSION_PIDS+=("$RECEIVER_PID")
  wait_until 20 "foot" test -e "$RECEIVER_FILE"
  sway_focus "$RECEIVER_TITLE"
  RECEIVED_BEFORE=0
}

# start_gtk_receiver FILE TITLE: scripts/lib/gtk_receiver.py, a native GTK
# program whose text field logs to FILE what it receives; the compositor
# focuses it.
start_gtk_receiver() {
  RECEIVER_FILE="$1"
  /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/gtk_receiver.py" "$1" "$2" \
    2>"$SESSION_DIR/gtk-receiver.log" &
  RECEIVER_PID=$!
  SESSION_PIDS+=("$RECEIVER_PID")
  wait_until 30 "the GTK receiver" test -e "$RECEIVER_FILE"
  RECEIVED_BEFORE=0
}

# probe_until_ready TYPER: a client just started takes its keyboard a while
# after it got the focus, and keys before that are lost: types probe
# letters through TYPER until the last one arrived (keys arrive in order).
probe_until_ready() {
  local typer="$1" probe
  RECEIVER_PROBES=""
  for probe in a b c d e f g h i j; do
    "$typer" "$probe"
    if wait_until 1 "probe $probe" sh -c "tail -c1 '$RECEIVER_FILE' | grep -qx '$probe'"; then
      RECEIVER_PROBES="$(cat "$RECEIVER_FILE")"
      RECEIVED_BEFORE=$(stat -c %s "$RECEIVER_FILE")
      return 0
    fi
  done
  return 1
}

# expect_received TEXT DESCRIPTION: the receiver gets exactly TEXT after
# what it had, which then counts as had.
expect_received() {
  local expected="$1" what="$2" expected_file="$SESSION_DIR/expected.bin" got_file="$SESSION_DIR/got.bin"
  printf '%s' "$expected" >"$expected_file"
  local size
  size=$(stat -c %s "$expected_file")
  got() { tail -c +"$((RECEIVED_BEFORE + 1))" "$RECEIVER_FILE" >"$got_file"; cmp -s "$got_file" "$expected_file"; }
  wait_until 30 "$what" got
  check "$what" got
  if ! got; then
    echo "# expected: $(od -An -c "$expected_file" | tr -s ' ' | head -c 3000)"
    echo "# received: $(od -An -c "$got_file" | tr -s ' ' | head -c 3000)"
  fi
  RECEIVED_BEFORE=$((RECEIVED_BEFORE + size))
}
