#!/usr/bin/env bash
# The user clicks Minimise while a long burst of Latin-1 text, typed through
# spare keycodes, is still being typed into another window: the dialog hides
# at once, and nothing is typed into it. Then, in a second burst, the user
# brings the dialog back through the window manager instead of a click, and
# returns to the window at once: what was still waiting went, as with a
# click.
#   minimise_during_burst.sh TASTRA_BINARY CLICK_PROBE
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"
probe="$2"
BURST_CHARACTERS=2000
HIDDEN_WITHIN_MS=100

typing_into_receiver "$tastra"
# The user has the windows side by side: the dialog's buttons can be seen.
xdotool windowmove "$RECEIVER_WINDOW" 0 0
focus_window "$RECEIVER_WINDOW"
python3 -c '
import random, sys
rng = random.Random(20261209)
sys.stdout.buffer.write(bytes(rng.randrange(0xA0, 0x100) for _ in range(int(sys.argv[1]))))
' "$BURST_CHARACTERS" >"$SESSION_DIR/burst.bin"
cat "$SESSION_DIR/burst.bin" >"$SESSION_DIR/terminal-end"

# Each character arrives as two bytes of UTF-8.
typed_characters() { echo $(( $(stat -c %s "$RECEIVER_FILE") / 2 )); }
wait_until 60 "the burst in the xterm" file_size_at_least "$RECEIVER_FILE" 200
result="$("$probe" "$TASTRA_WINDOW" $(dialog_control_point $MINIMISE_BUTTON))"
at_hide="$(typed_characters)"
echo "# $result, $at_hide characters typed by then"
value() { local v="${result#*$1=}"; echo "${v%% *}"; }
hidden_ms="$(value hidden_ms)"; focused_ms="$(value focused_ms)"
[ "$focused_ms" = never ] && focused_ms=0
check "the burst was still being typed" test "$at_hide" -lt "$BURST_CHARACTERS"
check "the dialog hides" test "$hidden_ms" != never
# openbox holds the click while it reloads its keyboard after each keymap
# change of the burst: from when it passed the click on, the rest is Tastra's.
check "Minimise hides the dialog within ${HIDDEN_WITHIN_MS} ms of the click reaching it" \
  test "$hidden_ms" != never -a $((${hidden_ms/never/999999} - focused_ms)) -le "$HIDDEN_WITHIN_MS"
check "nothing is typed into the dialog" test "$(value keys)" = 0
check "Tastra keeps running" tastra_alive

# Typing goes on into the window with the focus.
focus_window "$RECEIVER_WINDOW"
printf 'END' >"$SESSION_DIR/terminal-end"
wait_until 60 "the text sent after the burst" file_contains "$RECEIVER_FILE" "END"
check "the text sent after the burst arrives last" test "$(tail -c 3 "$RECEIVER_FILE")" = END
echo "# $(( ($(stat -c %s "$RECEIVER_FILE") - 3) / 2 )) of $BURST_CHARACTERS burst characters typed into the xterm"

before="$(stat -c %s "$RECEIVER_FILE")"
cat "$SESSION_DIR/burst.bin" >"$SESSION_DIR/terminal-end"
wait_until 60 "the second burst in the xterm" file_size_at_least "$RECEIVER_FILE" $((before + 200))
xdotool windowmap "$TASTRA_WINDOW"
focus_window "$TASTRA_WINDOW"
focus_window "$RECEIVER_WINDOW"
printf 'END' >"$SESSION_DIR/terminal-end"
wait_until 60 "the text sent after the second burst" sh -c "tail -c 3 '$RECEIVER_FILE' | grep -q END"
second=$(( ($(stat -c %s "$RECEIVER_FILE") - before - 3) / 2 ))
echo "# $second of $BURST_CHARACTERS characters of the second burst typed into the xterm"
check "keys waiting when the dialog got the focus went" test "$second" -lt "$BURST_CHARACTERS"
check "nothing was typed into the dialog the second time" test "$(tail -c 3 "$RECEIVER_FILE")" = END
finish
