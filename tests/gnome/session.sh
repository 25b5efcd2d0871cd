#!/usr/bin/env bash
# End to end on a headless mutter (run under tests/gnome/with-mutter): a
# real terminal emulator (picocom in tmux) on one end of a pseudo-terminal
# pair, Tastra (its dialog on Xwayland) on the other, typing through the
# desktop portal into foot running `cat > file`, a native Wayland program.
#   session.sh TASTRA_BINARY
set -uo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
source "$here/scripts/lib/byte_table.sh"
source "$here/tests/wayland/sway.sh"
tastra="$1"
layout="$WITH_MUTTER_LAYOUT"

session_init "$(mktemp -d)"
trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT

start_line
start_terminal --no-escape
start_tastra "$tastra" LANG=en_US.UTF-8 LC_ALL= LC_MESSAGES=
check "the portal's consent asked for the keyboard, without keeping it (version 1)" \
  grep -qx "SelectDevices types=1" "$WITH_MUTTER_DIR/portal-backend.log"
check "Tastra chose the portal, quietly" test ! -s "$SESSION_DIR/tastra.log"
press_connect_button
if ! wait_until 20 "the greeting" terminal_received "Tastra v1.00 is connected!"; then
  check "Tastra connects to the terminal" false
  finish
fi

# mutter focuses the new window.
foot --log-level=error -T receiver sh -c "stty raw -echo; exec cat > '$SESSION_DIR/received.bin'" &
RECEIVER_PID=$!
SESSION_PIDS+=("$RECEIVER_PID")
RECEIVER_FILE="$SESSION_DIR/received.bin"
wait_until 20 "foot" test -e "$RECEIVER_FILE"
probe_until_ready type_on_terminal
check "foot takes the keyboard and receives what the terminal sends" test -n "$RECEIVER_PROBES"

# Every byte value: what the layout has arrives exactly, what it lacks is
# never typed and is told once, on the error output and as a notification.
type_on_terminal -H "${BYTE_TABLE_BYTES[@]}"
type_on_terminal -H 7f
type_on_terminal -H 1b
wait_until 20 "the characters told" grep -q "typed nothing for" "$SESSION_DIR/tastra.log"
# The characters told, by their codes: "... ¤ (U+00A4), ..."
without_missing() {
  /usr/bin/python3 -c '
import re, sys
told = open(sys.argv[2], encoding="utf-8").read()
missing = {chr(int(code, 16)) for code in re.findall(r"\(U\+([0-9A-F]+)\)", told.split("typed nothing for")[1])}
print("".join(c for c in sys.argv[1] if c not in missing), end="")' "$1" "$SESSION_DIR/tastra.log"
}
expected="$(without_missing "$BYTE_TABLE_RECEIVED")"
expect_received "$expected" "every byte value the $layout layout has arrives exactly, the others not at all"
# ^ and ` are dead keys on de: typed by no single key.
ascii="$byte_table_ascii"
[ "$layout" = de ] && ascii="$(printf '%s' "$ascii" | tr -d '^`')"
check "ASCII is all there" test "$(without_missing "$ascii")" = "$ascii"
check "the characters are told once" test "$(grep -c 'typed nothing for' "$SESSION_DIR/tastra.log")" -eq 1
check "and as a desktop notification" grep -q "Notify.*could not type" "$WITH_MUTTER_DIR/notifications.log"
type_on_terminal -H a4 e4
type_on_terminal -H 61
expect_received "$(without_missing "¤äa")" "missing characters stay missing later"
check "and are not told again" test "$(grep -c 'typed nothing for' "$SESSION_DIR/tastra.log")" -eq 1

finish
