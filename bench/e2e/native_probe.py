#!/usr/bin/env python3
"""The measuring end of the benchmark on a Wayland desktop, where no X
client sees native keys: writes the terminal's bytes and reads what
scripts/lib/gtk_receiver.py logged, both timed on CLOCK_MONOTONIC. Prints
what e2e_probe prints.
   native_probe.py latency PTY KEYS         (RECEIVER_FILE: the receiver's FILE)
   native_probe.py paste PTY BYTES_FILE     (ASCII and Latin-1, 0x80 for the euro sign)"""
import collections
import difflib
import os
import random
import statistics
import sys
import threading
import time

BYTES_PER_SECOND = 11520  # 115200 baud, 8N1
QUIET_SECONDS = 15  # nothing new for this long: the rest is lost
receiver = os.environ["RECEIVER_FILE"]


def arrivals(start):
    """The inserts logged from byte `start` of FILE.times on: (seconds, characters)."""
    with open(receiver + ".times", "rb") as f:
        f.seek(start)
        return [(float(t), int(n)) for t, n in (line.split() for line in f.read().splitlines())]


def text_since(offset):
    with open(receiver, "rb") as f:
        f.seek(offset)
        return f.read().decode("utf-8", "replace")


def latency(fd, keys):
    r = random.Random(12345)
    ms, missed = [], 0
    for _ in range(keys):
        time.sleep(r.uniform(0.02, 0.2))
        letter = chr(ord("a") + r.randrange(26))
        text_at, times_at = os.path.getsize(receiver), os.path.getsize(receiver + ".times")
        written = time.monotonic()
        os.write(fd, letter.encode())
        # The receiver logs the text before its time.
        while time.monotonic() < written + 3 and os.path.getsize(receiver + ".times") == times_at:
            time.sleep(0.002)
        got = arrivals(times_at)
        if text_since(text_at) == letter and got:
            ms.append((got[0][0] - written) * 1000)
        else:
            missed += 1
            print("native_probe: wrote %r, got %r" % (letter, text_since(text_at)), file=sys.stderr)
    if not ms:
        print("latency no-keys")
        return 1
    ms.sort()
    print("latency p50_ms=%.1f p99_ms=%.1f max_ms=%.1f keys=%d missed=%d"
          % (statistics.median(ms), ms[min(len(ms) - 1, round(0.99 * (len(ms) - 1)))], ms[-1], keys, missed))
    return 0


def paste(fd, path):
    data = open(path, "rb").read()
    want = data.decode("latin-1").replace("\x80", "€")
    text_at, times_at = os.path.getsize(receiver), os.path.getsize(receiver + ".times")
    start = time.monotonic()

    def write():
        sent = 0
        while sent < len(data):
            due = min(len(data), int((time.monotonic() - start) * BYTES_PER_SECOND) + 1)
            if due > sent:
                sent += os.write(fd, data[sent:due])
            else:
                time.sleep(0.002)

    writer = threading.Thread(target=write)
    writer.start()
    last_size, last_change = text_at, start
    while True:
        size = os.path.getsize(receiver)
        if size != last_size:
            last_size, last_change = size, time.monotonic()
        if len(text_since(text_at)) >= len(want) or time.monotonic() - last_change > QUIET_SECONDS:
            break
        time.sleep(0.05)
    writer.join()
    got = text_since(text_at)
    times = arrivals(times_at)
    seconds = (times[-1][0] - start) if times else float("inf")
    balance = collections.Counter(want)
    balance.subtract(got)
    lost = sum(n for n in balance.values() if n > 0)
    extra = -sum(n for n in balance.values() if n < 0)
    # Insertions and deletions to turn one into the other; a character in
    # the wrong place costs two.
    edits = sum(i2 - i1 + j2 - j1 for tag, i1, i2, j1, j2 in difflib.SequenceMatcher(None, want, got, False).get_opcodes() if tag != "equal")
    print("paste chars=%d received=%d seconds=%.2f chars_per_s=%.0f lost=%d extra=%d out_of_order=%d"
          % (len(want), len(got), seconds, len(got) / seconds, lost, extra, (edits - lost - extra) // 2))
    return 0


mode, pty = sys.argv[1], sys.argv[2]
fd = os.open(pty, os.O_WRONLY | os.O_NOCTTY)
sys.exit(latency(fd, int(sys.argv[3])) if mode == "latency" else paste(fd, sys.argv[3]))
