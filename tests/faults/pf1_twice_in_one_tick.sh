#!/usr/bin/env bash
# PF1 pressed twice within one tick (both in one read of the line): the dialog
# is asked to the front and away again before the window manager has applied
# the first request. The end is that of two slow presses: the window focused
# before is in front again, the dialog withdrawn, and the keys typed next go
# to that window. The first round starts with the dialog shown behind the
# window, the others with it withdrawn.
#   pf1_twice_in_one_tick.sh TASTRA_BINARY [ROUNDS]
set -uo pipefail
source "$(dirname "$0")/lib.sh"
tastra="$1"
rounds="${2:-3}"

typing_into_receiver "$tastra"

dialog_withdrawn() { ! window_is_mapped "$TASTRA_WINDOW"; }
back_in_receiver() { dialog_withdrawn && window_is_active "$RECEIVER_WINDOW"; }

for round in $(seq "$rounds"); do
  # One write: Tastra reads both presses and the text behind them in turn.
  printf '\033OP\033OPround-%s.' "$round" >"$SESSION_DIR/terminal-end"
  wait_until 30 "round $round's text in the xterm" file_contains "$RECEIVER_FILE" "round-$round."
  check "round $round: the keys after the presses reach the window focused before" \
    file_contains "$RECEIVER_FILE" "round-$round."
  wait_until 20 "the xterm in front, the dialog withdrawn" back_in_receiver
  check "round $round: that window is in front and the dialog withdrawn" back_in_receiver
  # A request the window manager answers after everything asked before it:
  # a late map of the dialog would show by now.
  focus_window "$RECEIVER_WINDOW"
  check "round $round: the dialog stays withdrawn" dialog_withdrawn
done
check "nothing else reached the xterm" test "$(cat "$RECEIVER_FILE")" = "$(printf 'round-%s.' $(seq "$rounds"))"
finish
