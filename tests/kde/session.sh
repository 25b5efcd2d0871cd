#!/usr/bin/env bash
# End to end on a headless KWin: picocom in tmux on one end of a
# pseudo-terminal pair, Tastra (its dialog on Xwayland, authorised for fake
# input) on the other, weston-terminal running `cat > file` as the native
# Wayland receiver (it completes dead keys with xkbcommon's compose
# sequences; foot, which does too, dies of a zero-sized output under a
# headless KWin). Run under tests/kde/with-kwin with KWIN_LAYOUTS=LAYOUT,OTHER.
#   session.sh TASTRA_BINARY LAYOUT OTHER PRESS_KEY_BINARY
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
source "$here/scripts/lib/byte_table.sh"
source "$here/tests/wayland/sway.sh"
tastra="$1"
layout="$2"
other="$3"
press_key="$4"

# The characters of the byte table that each layout has, from
# xkeyboard-config's symbols (levels 1 to 4 of keycodes up to 255, which X
# programs receive too: us has € only beyond) and the compose sequences of
# a dead key with space or itself (de has ^ ` ´ ¨ ¸ only so; in the table ^
# comes before _, ` before a, ´ before µ: a dead key left pending shows).
ascii="$byte_table_ascii"
declare -A layout_has=(
  [us]="$ascii"'¦±'
  # Second in the list, us has no ¦: the key beside left Shift is defined
  # for the first layout only, and so takes its symbols.
  [us_second]="$ascii"'±'
  [de]="$ascii"'¡¢£¤¥§¨©ª«¬®¯°±²³´µ¶·¸¹º»¼½¿ÄÆÐÖ×ØÜÞßäæðö÷øüþ€'
)

session_init "$(mktemp -d)"
trap 'session_cleanup; [ -n "${KEEP_SESSION:-}" ] || rm -rf "$SESSION_DIR"' EXIT
echo "# session in $SESSION_DIR"

# The text of the table that the layout has, in order: what keys send (ESC
# [ F for End) and controls kept, characters it lacks typed as nothing.
keep_layout() {
  local text="$1" has="$2" out="" c i
  for ((i = 0; i < ${#text}; i++)); do
    c="${text:i:1}"
    if [ "$c" = $'\e' ] && [ "${text:i+1:1}" = "[" ]; then
      c="${text:i}"
      c="${c%%[A-Za-z~]*}"
      c="${text:i:${#c}+1}"
      i=$((i + ${#c} - 1))
    elif [[ "$c" != [[:cntrl:]] && "$has" != *"$c"* ]]; then
      continue
    fi
    out+="$c"
  done
  printf '%s' "$out"
}

start_line
start_terminal --no-escape
start_tastra "$tastra" LANG=en_US.UTF-8 LC_ALL= LC_MESSAGES=
# KWin places a new window a moment after it is mapped: the click waits
# until KWin made the dialog active, and is made again should it miss.
wait_until 20 "the dialog active" window_is_active "$TASTRA_WINDOW"
if ! connect_tastra 3; then
  echo "not ok - Tastra connects to the terminal"
  cat "$SESSION_DIR/tastra.log"
  exit 1
fi
check "Tastra chose KDE's fake input, quietly" test ! -s "$SESSION_DIR/tastra.log"

# KWin focuses the new window. weston-terminal sends a zero byte after
# each character beyond ASCII and for a dead key: no character, dropped.
RECEIVER_FILE="$SESSION_DIR/received.bin"
printf '#!/bin/sh\nstty raw -echo\nexec stdbuf -o0 tr -d "\\000" > "%s"\n' "$RECEIVER_FILE" >"$SESSION_DIR/receiver"
chmod 755 "$SESSION_DIR/receiver"
weston-terminal --shell="$SESSION_DIR/receiver" &
RECEIVER_PID=$!
SESSION_PIDS+=("$RECEIVER_PID")
wait_until 20 "weston-terminal" test -e "$RECEIVER_FILE"
probe_until_ready type_on_terminal
check "weston-terminal takes the keyboard and receives what the terminal sends" test -n "$RECEIVER_PROBES"

# Every byte value but ESC and DEL, one by one, then DEL and ESC: what the
# layout has arrives exactly, the rest not at all.
table_for() { keep_layout "$BYTE_TABLE_RECEIVED" "${layout_has[$1]}"; }
bytes=("${BYTE_TABLE_BYTES[@]}")
type_on_terminal -H "${bytes[@]}"
type_on_terminal -H 7f
type_on_terminal -H 1b
expect_received "$(table_for "$layout")" "every byte value on $layout: what the layout has arrives exactly, nothing else"
type_on_terminal Up Down Right Left
expect_received $'\e[A\e[B\e[C\e[D' "the cursor keys arrive as key presses"
told() { grep -c "typed nothing for.*∞ (U+221E)" "$SESSION_DIR/tastra.log"; }
wait_until 10 "the characters not typed told" test "$(told)" -ge 1
check "the characters the layout lacks are told on the error output, once" test "$(told)" -eq 1

# Caps Lock on and off again, as the user presses it: KWin tells the lock
# to the focused program, and to Tastra through its key states. What
# arrives keeps its case either way.
KEY_CAPSLOCK=58
caps_text="$(keep_layout 'aZ1äÖ.' "${layout_has[$layout]}")"
caps_bytes=($(printf '%s' 'aZ1äÖ.' | iconv -f UTF-8 -t ISO-8859-1 | od -An -tx1))
for state in on off; do
  check "Caps Lock pressed ($state)" "$press_key" "$KEY_CAPSLOCK"
  type_on_terminal -H "${caps_bytes[@]}"
  expect_received "$caps_text" "with Caps Lock $state, letters and digits arrive exactly"
done

# The user switches to the other layout while connected.
timeout 10 gdbus call --session -d org.kde.keyboard -o /Layouts -m org.kde.KeyboardLayouts.switchToNextLayout >/dev/null
wait_until 10 "the layout switch" sh -c "gdbus call --session -d org.kde.keyboard -o /Layouts -m org.kde.KeyboardLayouts.getLayout | grep -q '(uint32 1,)'"
type_on_terminal -H "${bytes[@]}"
second="$other"
[ -n "${layout_has[${other}_second]:-}" ] && second="${other}_second"
after_switch="$(table_for "$second")"
expect_received "${after_switch%$'\e[3~\e'}" "every byte value after a switch to $other while connected"

# PF1 shows the dialog in front, PF1 again hides it and KWin gives the receiver the keyboard back.
type_on_terminal F1
wait_until 20 "the dialog in front" window_is_active "$TASTRA_WINDOW"
check "PF1 brings the dialog to the front" window_is_active "$TASTRA_WINDOW"
type_on_terminal F1
dialog_hidden() { ! window_is_mapped "$TASTRA_WINDOW"; }
wait_until 20 "the dialog hidden" dialog_hidden
check "PF1 again hides the dialog" dialog_hidden
type_on_terminal x
expect_received "x" "the receiver has the keyboard again"

# PF3 turns the screen a quarter and back: Xwayland's screen follows KWin's
# output, and the dialog comes to the front centred, as after any turn. PF1
# hides it again.
screen_is() { [[ "$(xdpyinfo)" == *"dimensions:"*" $1 pixels"* ]]; }
type_on_terminal F3
wait_until 20 "the screen turned" screen_is 768x1024
check "PF3 turns the screen" screen_is 768x1024
wait_until 20 "the dialog in front" window_is_active "$TASTRA_WINDOW"
check "the dialog comes to the front after the turn" window_is_active "$TASTRA_WINDOW"
type_on_terminal F3
wait_until 20 "the screen turned back" screen_is 1024x768
check "PF3 again turns it back" screen_is 1024x768
type_on_terminal F1
wait_until 20 "the dialog hidden" dialog_hidden
type_on_terminal y
expect_received "y" "the receiver has the keyboard after PF1 hid the dialog"

check "nothing more is told for the same connection" test "$(grep -c "typed nothing for" "$SESSION_DIR/tastra.log")" -eq 1

# PF4 closes the focused receiver, never Tastra.
type_on_terminal F4
receiver_gone() { ! kill -0 "$RECEIVER_PID" 2>/dev/null; }
wait_until 20 "the receiver to close" receiver_gone
check "PF4 closes the focused native window" receiver_gone
check "Tastra still runs after PF4" kill -0 "$TASTRA_PID"

finish
