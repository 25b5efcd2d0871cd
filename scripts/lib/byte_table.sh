# The byte table of the end-to-end sessions: every byte value a terminal
# sends but ESC and DEL, one by one, and what a terminal program receives
# for it from Tastra (foot's keys from its manual: Backspace sends DEL,
# Home ESC [ H, End ESC [ F; bytes without a character, such as LF and the
# C1 controls, type nothing). Sourced.

# BYTE_TABLE_BYTES: the bytes as tmux send-keys -H takes them, in order.
BYTE_TABLE_BYTES=()
for ((b = 1; b <= 255; b++)); do
  [ "$b" -eq 27 ] || [ "$b" -eq 127 ] || BYTE_TABLE_BYTES+=("$(printf '%02x' "$b")")
done
byte_table_ctrl='ª½©∆'$'\e''[F≥'$'\x7f\t''£'$'\r''¹±'$'\e''[H®≤¾∞¼¤×¥÷'
byte_table_ascii=' !"#$%&'"'"'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\]^_`abcdefghijklmnopqrstuvwxyz{|}~'
byte_table_latin1=$'\xc2\xa0''¡¢£¤¥¦§¨©ª«¬­®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ'
# What arrives for the table, then for DEL and ESC sent after it.
BYTE_TABLE_RECEIVED="$byte_table_ctrl$byte_table_ascii€$byte_table_latin1"$'\e[3~\e'
