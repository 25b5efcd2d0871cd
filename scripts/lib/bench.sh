# Pieces of the end-to-end benchmarks (bench/e2e/run*), beside session.sh:
# the build, the texts pasted, Tastra connected, and one round of
# measurements of a typing program into the table's results. Sourced.

# bench_build ROOT BUILD_DIR TARGETS...: a release build of what the run
# needs; prints the machine it runs on.
bench_build() {
  local root="$1" build="$2"; shift 2
  (cd "$root" && cmake --preset release -B "$build" >/dev/null && cmake --build "$build" -j2 --target "$@" >/dev/null)
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
}

# bench_texts ASCII LATIN [ALPHABET [SKIP]]: SESSION_DIR/ascii.bin, ASCII
# random printable characters but those in SKIP, and SESSION_DIR/latin.bin,
# LATIN characters drawn from ALPHABET (Latin-1 and the euro sign, written
# as the terminal sends them), or by default from Latin-1 with a fifth of
# Ctrl specials.
bench_texts() {
  python3 - "$SESSION_DIR" "$@" <<'PY'
import random, sys
folder, ascii_count, latin_count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
alphabet = sys.argv[4] if len(sys.argv) > 4 else ""
skip = sys.argv[5].encode() if len(sys.argv) > 5 else b""
r = random.Random(1)
printable = bytes(b for b in range(0x20, 0x7F) if b not in skip)
ascii = bytes(r.choice(printable) for _ in range(ascii_count))
if alphabet:
    latin = "".join(r.choice(alphabet) for _ in range(latin_count)).replace("€", "\x80").encode("latin-1")
else:
    specials = bytes([0x01, 0x02, 0x03, 0x04, 0x07, 0x0C, 0x0F, 0x10] + list(range(0x12, 0x1B)))
    latin = bytes(r.choice(range(0xA0, 0x100)) if r.random() < 0.8 else r.choice(specials) for _ in range(latin_count))
open(folder + "/ascii.bin", "wb").write(ascii)
open(folder + "/latin.bin", "wb").write(latin)
PY
}

# bench_start_tastra BINARY [env assignments...]: a fresh line, whose
# terminal end is logged and left free for the probe to write, and Tastra.
bench_start_tastra() {
  start_line
  : >"$SESSION_DIR/terminal.log"
  cat "$SESSION_DIR/terminal-end" >>"$SESSION_DIR/terminal.log" 2>/dev/null &
  SESSION_PIDS+=($!)
  start_tastra "$@"
}

declare -A result
bench_field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$2"; }

# bench_measure NAME PID: with the typing program connected, the latency over
# BENCH_KEYS keys, each paste of BENCH_PASTES (LABEL=FILE ...), the longest
# loop stall of the last paste where BENCH_STALL_FILE is set, idle CPU over
# BENCH_IDLE seconds (0: none) and peak RSS, measured by BENCH_PROBE (which
# prints what e2e_probe prints), into result[NAME,...].
bench_measure() {
  local name="$1" pid="$2" out paste label
  out="$($BENCH_PROBE latency "$SESSION_DIR/terminal-end" "$BENCH_KEYS")"; echo "  $name: $out" >&2
  result[$name,p50]="$(bench_field p50_ms "$out")"
  result[$name,p99]="$(bench_field p99_ms "$out")"
  result[$name,max]="$(bench_field max_ms "$out")"
  result[$name,missed]="$(bench_field missed "$out")"
  for paste in "${BENCH_PASTES[@]}"; do
    label="${paste%%=*}"
    [ -z "${BENCH_STALL_FILE:-}" ] || rm -f "$BENCH_STALL_FILE"
    out="$($BENCH_PROBE paste "$SESSION_DIR/terminal-end" "${paste#*=}")"; echo "  $name: $label $out" >&2
    result[$name,$label]="$(bench_field chars_per_s "$out") / $(bench_field lost "$out") / $(bench_field out_of_order "$out")"
  done
  result[$name,stall]="$(cat "${BENCH_STALL_FILE:-/nonexistent}" 2>/dev/null || echo -)"
  result[$name,cpu]=-
  [ "$BENCH_IDLE" = 0 ] || result[$name,cpu]="$(cpu_percent "$pid" "$BENCH_IDLE")"
  result[$name,rss]="$(awk '/VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")"
  echo "  $name: idle_cpu_percent=${result[$name,cpu]} peak_rss_mb=${result[$name,rss]}" >&2
}

# bench_row MEASUREMENT TARGET KEY NAMES...: a row of the table, a column a name.
bench_row() {
  local line="| $1 | $2 |" key="$3" name; shift 3
  for name in "$@"; do line+=" ${result[$name,$key]} |"; done
  echo "$line"
}
