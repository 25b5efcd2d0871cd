#!/usr/bin/env bash
# End to end: a real terminal emulator (picocom in tmux) on one end of a
# pseudo-terminal pair, Tastra on the other, an xterm running `cat > file`
# and an xev log as the receivers. Run under tests/x11/with-x.
#   session.sh TASTRA_BINARY [english|german]
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"

tastra="$1"
language="${2:-english}"
if [ "$language" = german ]; then
  tastra_env=(LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES=)
  greeting="Tastra v1.00 ist verbunden!"
  farewell="Verbindung ist geschlossen!"
else
  tastra_env=(LANG=en_US.UTF-8 LC_ALL= LC_MESSAGES=)
  greeting="Tastra v1.00 is connected!"
  farewell="Connection is closed!"
fi


session_init "$(mktemp -d)"
trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT

start_line
start_terminal --no-escape
start_receiver "$SESSION_DIR/received.bin"
start_tastra "$tastra" "${tastra_env[@]}"

focus_window "$TASTRA_WINDOW"
press_connect_button
if ! wait_until 20 "the greeting" terminal_received "$greeting"; then
  echo "not ok - Tastra connects to the terminal"
  failed=1
  finish
fi
expected_hello="$(printf '\033[c\000%s\r\n' "$greeting" | od -An -tx1)"
check "the terminal receives ESC [ c, a zero byte and the greeting" \
  test "$(head -c "$(( 6 + ${#greeting} ))" "$SESSION_DIR/terminal.log" | od -An -tx1)" = "$expected_hello"

# Typing: text, the terminal's own answer, Return, Tab, Backspace as BS, the Ctrl+letter specials, Latin-1 and the euro sign.
focus_window "$RECEIVER_WINDOW"
type_text_on_terminal "Hello, world 0123 ~!@#"
# A late answer to the device-attributes request, amid the text, types nothing.
type_on_terminal -H 1b 5b 3f 31 3b 32 63
type_on_terminal -H 0d 09 08
type_on_terminal -H 01 02 03 04 07 0c 0f 10 12 13 14 15 16 17 18 19 1a
type_on_terminal -H e9 e4 df fc d6 a7 80
type_on_terminal Up Left
expected="$(printf 'Hello, world 0123 ~!@#\r\t\b%s\033[A\033[D' 'ª½©∆≥£¹±®≤¾∞¼¤×¥÷éäßüÖ§€')"
received_all() { [ "$(cat "$RECEIVER_FILE")" = "$expected" ]; }
wait_until 30 "the typed text" received_all
check "typed text, Return, Tab, BS, Ctrl specials, Latin-1 and cursor keys arrive exactly" received_all
if ! received_all; then
  echo "# expected: $(printf '%s' "$expected" | od -An -c | tr -s ' ')"
  echo "# received: $(od -An -c "$RECEIVER_FILE" | tr -s ' ')"
fi

# Cursor keys arrive as key presses.
xev -event keyboard >"$SESSION_DIR/xev.log" 2>&1 &
xev_pid=$!
SESSION_PIDS+=("$xev_pid")
wait_until 20 "the xev window" sh -c 'xdotool search --name "^Event Tester$" | grep -q .'
focus_window "$(xdotool search --name '^Event Tester$' | head -n1)"
type_on_terminal Up Down Right Left
key_pressed() { grep -A2 "^KeyPress" "$SESSION_DIR/xev.log" | grep -q "keysym 0x[0-9a-f]*, $1)"; }
for key in Up Down Right Left; do
  wait_until 20 "$key in the xev log" key_pressed "$key"
  check "the cursor key $key arrives as a key press" key_pressed "$key"
done
kill "$xev_pid" 2>/dev/null

# More characters off the layout than the spare keycodes hold, and PF1
# right behind them: they wait for rebound keycodes without holding the
# dialog, and all arrive, in order, before the dialog comes to the front.
focus_window "$RECEIVER_WINDOW"
# shellcheck disable=SC2046
type_on_terminal -H $(seq 160 255 | xargs printf '%x ') 01 02 03 04 07 0c 0f 10 12 13 14 15 16 17 18 19 1a 1b 4f 50
expected+="$(PYTHONIOENCODING=utf-8 python3 -c 'print("".join(map(chr, range(0xA0, 0x100))) + "ª½©∆≥£¹±®≤¾∞¼¤×¥÷", end="")')"
wait_until 60 "the Latin-1 text" received_all
check "every Latin-1 character and Ctrl special arrives, in order" received_all
if ! received_all; then
  echo "# expected: $(printf '%s' "$expected" | tail -c 300 | od -An -tx1 | tr -s ' ' | tr -d '\n')"
  echo "# received: $(tail -c 300 "$RECEIVER_FILE" | od -An -tx1 | tr -s ' ' | tr -d '\n')"
fi
dialog_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$TASTRA_WINDOW" ]; }
wait_until 20 "the dialog in front" dialog_active
check "PF1 behind them brings the dialog to the front" dialog_active

# PF1 shows the dialog in front, PF1 again hides it.
focus_window "$RECEIVER_WINDOW"
type_on_terminal F1
wait_until 20 "the dialog in front" dialog_active
check "PF1 brings the dialog to the front" dialog_active
type_on_terminal F1
dialog_hidden() { ! window_is_mapped "$TASTRA_WINDOW"; }
wait_until 20 "the dialog hidden" dialog_hidden
check "PF1 again hides the dialog" dialog_hidden

# A second start raises the hidden first copy and ends with 0.
env "${tastra_env[@]}" "$tastra"
check "a second start ends with 0" test $? -eq 0
wait_until 20 "the first copy shown" window_is_mapped "$TASTRA_WINDOW"
check "a second start shows the first copy" window_is_mapped "$TASTRA_WINDOW"
check "only one copy runs" test "$(xdotool search --name '^Tastra v1.00$' | wc -l)" -eq 1

# PF4 closes the focused application politely.
focus_window "$RECEIVER_WINDOW"
type_on_terminal F4
receiver_gone() { ! kill -0 "$RECEIVER_PID" 2>/dev/null; }
wait_until 20 "the xterm to close" receiver_gone
check "PF4 closes the focused xterm" receiver_gone
check "Tastra still runs after PF4" kill -0 "$TASTRA_PID"

# Disconnect (the same button, clicked) sends the farewell.
focus_window "$TASTRA_WINDOW"
press_connect_button
wait_until 20 "the farewell" terminal_received "$farewell"
check "Disconnect sends the farewell ending in CR LF LF" \
  test "$(tail -c "$(( ${#farewell} + 3 ))" "$SESSION_DIR/terminal.log" | od -An -tx1)" = \
       "$(printf '%s\r\n\n' "$farewell" | od -An -tx1)"

finish
