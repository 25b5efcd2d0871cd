# Shell pieces of the tests, the demo and the benchmarks: waiting for a
# condition, a virtual X server, and a process's CPU share. Sourced.

# wait_until SECONDS DESCRIPTION COMMAND... : polls until COMMAND succeeds.
wait_until() {
  local limit=$(( $1 * 20 )) what="$2"; shift 2
  local i
  for ((i = 0; i < limit; i++)); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.05
  done
  echo "timed out waiting for $what" >&2
  return 1
}

# start_xvfb DIR [WxH]: a fresh virtual X server with its files in DIR;
# exports DISPLAY once it answers, its process id is in XVFB_PID.
start_xvfb() {
  local dir="$1" size="${2:-1024x768}"
  # -noreset: otherwise the server resets whenever its last client leaves
  # (xdpyinfo below), and a client connecting during the reset is refused.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  wait_until 90 "the X server" test -s "$dir/display" || return 1
  export DISPLAY=":$(head -n1 "$dir/display")"
  wait_until 90 "the X server to answer" xdpyinfo
}

cpu_ticks() {  # utime + stime of a process, in clock ticks
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}

# cpu_percent PID SECONDS: the process's share of one core over SECONDS of
# wall time (monotonic, from date +%s%N), with two decimals.
cpu_percent() {
  local pid="$1" seconds="$2" hz start end t0 t1
  hz="$(getconf CLK_TCK)"
  start="$(cpu_ticks "$pid")" || return 1
  t0="$(date +%s%N)"
  # Waiting here is the measurement itself, not a stand-in for a condition.
  sleep "$seconds"
  end="$(cpu_ticks "$pid")" || return 1
  t1="$(date +%s%N)"
  awk -v d="$((end - start))" -v hz="$hz" -v ns="$((t1 - t0))" 'BEGIN { printf "%.2f", d / hz / (ns / 1e9) * 100 }'
}

# let_others_reach DIR: DIR and the folders above it made passable for other
# users, as root, where they are not (a clone in a private temporary folder):
# a test run as another user must reach the programs and scripts there.
let_others_reach() {
  local dir
  dir="$(cd "$1" && pwd -P)"
  while [ "$dir" != / ]; do
    [ -n "$(find "$dir" -maxdepth 0 -perm -o+x)" ] || chmod o+x "$dir"
    dir="$(dirname "$dir")"
  done
}
