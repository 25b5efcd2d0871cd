#!/usr/bin/env bash
# Characters the layout (us) lacks, where the user turned on typing them by
# code (the file tastra/unicode-input): Tastra types Ctrl+Shift+U, the hex
# code and a space, and GTK's own input method in a native GTK program
# turns that into the character. Run under tests/gnome/with-mutter or
# tests/kde/with-kwin (authorised, KWIN_LAYOUTS=us).
#   unicode_input.sh TASTRA_BINARY gnome|kde
set -uo pipefail
if ! /usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null; then
  echo "SKIP: GTK 3 for python3 (gir1.2-gtk-3.0) is not installed"
  exit 77
fi
tastra="$1"
here="$(cd "$(dirname "$0")/../.." && pwd)"
source "$here/scripts/lib/session.sh"
source "$here/scripts/lib/byte_table.sh"
source "$here/tests/wayland/sway.sh"

session_init "$(mktemp -d)"
trap 'session_cleanup; rm -rf "$SESSION_DIR"' EXIT
: >"$XDG_CONFIG_HOME/tastra/unicode-input"
start_line
start_terminal --no-escape
start_tastra "$tastra" LANG=en_US.UTF-8 LC_ALL= LC_MESSAGES=
[ "$2" = gnome ] || wait_until 20 "the dialog active" window_is_active "$TASTRA_WINDOW"
if ! connect_tastra 3; then
  check "Tastra connects to the terminal" false
  finish
fi
start_gtk_receiver "$SESSION_DIR/received.txt" receiver
probe_until_ready type_on_terminal
check "the GTK program takes the keyboard and receives what the terminal sends" test -n "$RECEIVER_PROBES"

# The Ctrl specials and every byte from space up (the C1 controls among
# them type nothing): most of their characters are not on us, and ∆ ≤ ≥ ∞
# are on no common layout.
type_on_terminal -H 01 02 03 04 07 0c 0f 10 12 13 14 15 16 17 18 19 1a "${BYTE_TABLE_BYTES[@]:30}"
expect_received "ª½©∆≥£¹±®≤¾∞¼¤×¥÷$byte_table_ascii€$byte_table_latin1" \
  "every character arrives exactly, those the layout lacks by their code, with nothing more"
check "no character is told as not typed" sh -c "! grep -q 'typed nothing for' '$SESSION_DIR/tastra.log'"
finish
