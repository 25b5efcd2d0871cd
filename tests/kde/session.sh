#!/usr/bin/env bash
# End to end on a headless KWin: picocom in tmux on one end of a
# pseudo-terminal pair, Tastra (its dialog on Xwayland, authorised for fake
# input) on the other, wev as the native Wayland receiver. Run under
# tests/kde/with-kwin with KWIN_LAYOUTS=LAYOUT,OTHER.
#   session.sh TASTRA_BINARY LAYOUT OTHER
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
tastra="$1"
layout="$2"
other="$3"

# The characters of the byte table that each layout has, from
# xkeyboard-config's symbols (levels 1 to 4 of keycodes up to 255, which X
# programs receive too: us has € only beyond; dead keys left out: de has ^
# and ` only as those).
ascii=' !"#$%&'"'"'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\]^_`abcdefghijklmnopqrstuvwxyz{|}~'
declare -A layout_has=(
  [us]="$ascii"'¦±'
  # Second in the list, us has no ¦: the key beside left Shift is defined
  # for the first layout only, and so takes its symbols.
  [us_second]="$ascii"'±'
  [de]="${ascii//[\^\`]/}"'¡¢£¤¥§©ª«¬®¯°±²³µ¶·¹º»¼½¿ÄÆÐÖ×ØÜÞßäæðö÷øüþ€'
)

session_init "$(mktemp -d)"
trap 'session_cleanup; [ -n "${KEEP_SESSION:-}" ] || rm -rf "$SESSION_DIR"' EXIT
echo "# session in $SESSION_DIR"

received() { "$here/tests/kde/wev_keys.py" "$SESSION_DIR/wev.log"; }
RECEIVED_BEFORE=0
# expect_received TEXT DESCRIPTION: wev gets exactly TEXT after what it had.
expect_received() {
  local expected="$1" what="$2"
  got() { [ "$(received | tail -c +"$((RECEIVED_BEFORE + 1))")" = "$expected" ]; }
  wait_until 30 "$what" got
  check "$what" got
  if ! got; then
    echo "# expected: $expected"
    echo "# received: $(received | tail -c +"$((RECEIVED_BEFORE + 1))")"
  fi
  RECEIVED_BEFORE=$(received | wc -c)
}
# The keys of the byte table that the layout has, in order: those it lacks
# are typed as nothing.
keep_layout() {
  local text="$1" has="$2" out="" c
  for ((i = 0; i < ${#text}; i++)); do
    c="${text:i:1}"
    if [[ "$has" == *"$c"* ]]; then out+="$c"; fi
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

stdbuf -oL wev -f wl_keyboard:key >"$SESSION_DIR/wev.log" 2>&1 &
WEV_PID=$!
SESSION_PIDS+=("$WEV_PID")
# A window just shown takes the keyboard a moment later: probe letters until one arrives.
arrived_last() { [ "$(received | tail -c 1)" = "$1" ]; }
for probe in a b c d e f g h i j; do
  type_on_terminal "$probe"
  if wait_until 1 "probe $probe" arrived_last "$probe"; then break; fi
done
check "wev takes the keyboard and receives what the terminal sends" arrived_last "$probe"
RECEIVED_BEFORE=$(received | wc -c)

# Every byte value but ESC and DEL, one by one, then DEL and ESC: the keys
# the bytes press and the characters they type, those the layout lacks left out.
bytes=()
for ((b = 1; b <= 255; b++)); do
  [ "$b" -eq 27 ] || [ "$b" -eq 127 ] || bytes+=("$(printf '%02x' "$b")")
done
ctrl_keys='ª½©∆<End>≥<BackSpace><Tab>£<Return>¹±<Home>®≤¾∞¼¤×¥÷'
latin1=$'\xc2\xa0''¡¢£¤¥¦§¨©ª«¬­®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ'
table_for() {  # table_for LAYOUT: the whole table as LAYOUT types it
  local has="${layout_has[$1]}"
  local ctrl="" piece rest="$ctrl_keys"
  while [ -n "$rest" ]; do
    if [ "${rest:0:1}" = "<" ]; then piece="${rest%%>*}>"; ctrl+="$piece"; rest="${rest#"$piece"}"
    else ctrl+="$(keep_layout "${rest:0:1}" "$has")"; rest="${rest:1}"; fi
  done
  printf '%s' "$ctrl$(keep_layout "$ascii€$latin1" "$has")<Delete><Escape>"
}
type_on_terminal -H "${bytes[@]}"
type_on_terminal -H 7f
type_on_terminal -H 1b
expect_received "$(table_for "$layout")" "every byte value on $layout: what the layout has arrives exactly, nothing else"
type_on_terminal Up Down Right Left
expect_received "<Up><Down><Right><Left>" "the cursor keys arrive as key presses"
told() { grep -c "typed nothing for.*∞ (U+221E)" "$SESSION_DIR/tastra.log"; }
wait_until 10 "the characters not typed told" test "$(told)" -ge 1
check "the characters the layout lacks are told on the error output, once" test "$(told)" -eq 1

# The user switches to the other layout while connected.
timeout 10 gdbus call --session -d org.kde.keyboard -o /Layouts -m org.kde.KeyboardLayouts.switchToNextLayout >/dev/null
wait_until 10 "the layout switch" sh -c "gdbus call --session -d org.kde.keyboard -o /Layouts -m org.kde.KeyboardLayouts.getLayout | grep -q '(uint32 1,)'"
type_on_terminal -H "${bytes[@]}"
second="$other"
[ -n "${layout_has[${other}_second]:-}" ] && second="${other}_second"
expect_received "$(table_for "$second" | sed 's/<Delete><Escape>$//')" "every byte value after a switch to $other while connected"

# PF1 shows the dialog in front, PF1 again hides it and KWin gives wev the keyboard back.
type_on_terminal F1
wait_until 20 "the dialog in front" window_is_active "$TASTRA_WINDOW"
check "PF1 brings the dialog to the front" window_is_active "$TASTRA_WINDOW"
type_on_terminal F1
dialog_hidden() { ! window_is_mapped "$TASTRA_WINDOW"; }
wait_until 20 "the dialog hidden" dialog_hidden
check "PF1 again hides the dialog" dialog_hidden
type_on_terminal x
expect_received "x" "wev has the keyboard again"

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
expect_received "y" "wev has the keyboard after PF1 hid the dialog"

check "nothing more is told for the same connection" test "$(grep -c "typed nothing for" "$SESSION_DIR/tastra.log")" -eq 1

# PF4 closes the focused wev, never Tastra.
type_on_terminal F4
wev_gone() { ! kill -0 "$WEV_PID" 2>/dev/null; }
wait_until 20 "wev to close" wev_gone
check "PF4 closes the focused native window" wev_gone
check "Tastra still runs after PF4" kill -0 "$TASTRA_PID"

finish
