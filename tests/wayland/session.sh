#!/usr/bin/env bash
# End to end on a headless sway: a real terminal emulator (picocom in tmux)
# on one end of a pseudo-terminal pair, Tastra (its dialog on Xwayland) on the
# other, foot running `cat > file` as the native Wayland receiver. Run under
# tests/wayland/with-sway.
#   session.sh TASTRA_BINARY [english|german]
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
source "$here/tests/wayland/sway.sh"
source "$here/scripts/lib/byte_table.sh"

tastra="$1"
language="${2:-english}"
if [ "$language" = german ]; then
  tastra_env=(LANG=de_DE.UTF-8 LC_ALL= LC_MESSAGES=)
  greeting="Tastra v1.00 ist verbunden!"
else
  tastra_env=(LANG=en_US.UTF-8 LC_ALL= LC_MESSAGES=)
  greeting="Tastra v1.00 is connected!"
fi

session_init "$(mktemp -d)"
trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT

start_line
start_terminal --no-escape
start_tastra "$tastra" "${tastra_env[@]}"
check "Tastra chose the Wayland desktop, quietly" test ! -s "$SESSION_DIR/tastra.log"
press_connect_button
if ! wait_until 20 "the greeting" terminal_received "$greeting"; then
  echo "not ok - Tastra connects to the terminal"
  cat "$SESSION_DIR/tastra.log"
  echo "$passed passed, 1 failed"
  exit 1
fi

start_foot_receiver "$SESSION_DIR/received.bin" receiver
wait_until_ready() { probe_until_ready type_on_terminal; }
wait_until_ready
check "foot takes the keyboard and receives what the terminal sends" test -n "$RECEIVER_PROBES"

type_on_terminal -H "${BYTE_TABLE_BYTES[@]}"
type_on_terminal -H 7f
type_on_terminal -H 1b
expect_received "$BYTE_TABLE_RECEIVED" "every byte value: Ctrl specials, ASCII, the euro sign, Latin-1, Delete, Escape"

type_on_terminal Up Down Right Left
expect_received $'\e[A\e[B\e[C\e[D' "the cursor keys arrive as key presses"

# sway gives its keyboard configuration, a layout set or a reload, to every
# keyboard, Tastra's too: the characters stay exact all the same.
for change in "input type:keyboard xkb_layout de" reload; do
  swaymsg -q $change
  type_on_terminal -H 79 7a 40 e4 80
  expect_received "yz@ä€" "after swaymsg $change, y z @ ä € arrive exactly"
done

if [ "$language" = german ]; then
  # The terminal sends Latin-1.
  german="Grüße aus Köln: Maß, Äpfel, Öl, Übel"
  type_on_terminal -H $(printf '%s' "$german" | iconv -f UTF-8 -t ISO-8859-1 | od -An -tx1)
  expect_received "$german" "German text arrives exactly"
fi

# PF1 shows the dialog in front, PF1 again hides it.
type_on_terminal F1
wait_until 20 "the dialog in front" sway_focused_is "$TASTRA_TITLE"
check "PF1 brings the dialog to the front" sway_focused_is "$TASTRA_TITLE"
type_on_terminal F1
wait_until 20 "the dialog hidden" sway_window_gone "$TASTRA_TITLE"
check "PF1 again hides the dialog" sway_window_gone "$TASTRA_TITLE"

# A second start raises the hidden first copy and ends with 0.
env "${tastra_env[@]}" "$tastra"
check "a second start ends with 0" test $? -eq 0
wait_until 20 "the first copy in front" sway_focused_is "$TASTRA_TITLE"
check "a second start shows the first copy in front" sway_focused_is "$TASTRA_TITLE"
# Counted on this sway, as other tests may run the same binary beside this one.
check "only one copy runs" test "$(sway_windows | grep -cxF -- "$TASTRA_TITLE")" -eq 1

# PF4 closes the focused foot politely.
sway_focus "$RECEIVER_TITLE"
type_on_terminal F4
receiver_gone() { ! kill -0 "$RECEIVER_PID" 2>/dev/null; }
wait_until 20 "foot to close" receiver_gone
check "PF4 closes the focused foot" receiver_gone
check "Tastra still runs after PF4" kill -0 "$TASTRA_PID"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
