#!/usr/bin/env python3
"""The terminal end of the soak run: types a random but reproducible mix into
the line for SECONDS, as a VT100 user would (words and Return, Backspace,
cursor keys, Latin-1 and the Ctrl specials, PF1 pairs, pauses and bursts),
and writes to EXPECTED what the receiving xterm must get for it.
   far_end.py LINE SECONDS SEED EXPECTED"""
import random
import sys
import time

line_path, seconds, seed, expected_path = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
rng = random.Random(seed)

# Ctrl+letter bytes that type a character, and that character.
CTRL_SPECIALS = {0x01: "\u00aa", 0x02: "\u00bd", 0x03: "\u00a9", 0x0C: "\u00a3", 0x0F: "\u00b9", 0x10: "\u00b1",
                 0x12: "\u00ae", 0x14: "\u00be", 0x16: "\u00bc", 0x17: "\u00a4", 0x18: "\u00d7", 0x19: "\u00a5",
                 0x1A: "\u00f7", 0x04: "\u2206", 0x07: "\u2265", 0x13: "\u2264", 0x15: "\u221e"}
CURSOR = [b"\x1b[A", b"\x1b[B", b"\x1b[C", b"\x1b[D"]
WORDS = "the quick brown fox jumps over a lazy dog serial line terminal keyboard soak hour".split()


def piece():
    """One thing a user does: (bytes sent, bytes the xterm writes)."""
    r = rng.random()
    if r < 0.55:
        text = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 6))) + " "
        return text.encode(), text.encode()
    if r < 0.65:
        return b"\r", b"\r"
    if r < 0.72:
        return b"\x08", b"\x08"
    if r < 0.78:
        key = rng.choice(CURSOR)
        return key, key
    if r < 0.83:
        b = rng.randint(0xA0, 0xFF)
        return bytes([b]), chr(b).encode()
    if r < 0.87:
        b = rng.choice(list(CTRL_SPECIALS))
        return bytes([b]), CTRL_SPECIALS[b].encode()
    if r < 0.89:
        return b"\t", b"\t"
    if r < 0.90:
        # PF1, a look at Tastra, PF1 again: it comes to the front and goes;
        # nothing reaches the xterm.
        return b"\x1bOP", b""
    # A paste: a burst of a few hundred plain characters.
    text = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz0123456789 .,-") for _ in range(rng.randint(50, 400)))
    return text.encode(), text.encode()


sent = 0
with open(line_path, "wb", buffering=0) as line, open(expected_path, "wb") as expected:
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        data, typed = piece()
        line.write(data)
        expected.write(typed)
        expected.flush()
        sent += len(data)
        if data == b"\x1bOP":
            time.sleep(rng.uniform(0.5, 1.5))
            line.write(data)
            sent += len(data)
            time.sleep(1.0)  # the window manager gives the focus back
        elif len(data) > 40:
            time.sleep(len(data) / 1000 + rng.uniform(0.2, 1.0))  # let a burst drain
        elif rng.random() < 0.05:
            time.sleep(rng.uniform(1.0, 5.0))  # a pause
        else:
            time.sleep(rng.uniform(0.05, 0.4) + (0.3 if data[0] >= 0x80 or data[0] < 0x1B else 0))
print(sent)
