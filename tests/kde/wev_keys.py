#!/usr/bin/env python3
"""What wev received, as one line of text: each key press once (wev logs a
press once for every keyboard it bound, all with the key's serial),
modifiers left out, keys without a character as <Name>.
   wev_keys.py WEV_LOG"""
import re
import sys

PRESS = re.compile(rb"key: serial: (\d+); time: \d+; key: \d+; state: 1 \(pressed\)")
SYM = re.compile(rb"sym: (\S+)\s+\(\d+\), utf8: '(.*)'$", re.S)
NAMED = {b"Return", b"BackSpace", b"Tab", b"Escape", b"Delete", b"Home", b"End", b"Up", b"Down", b"Left", b"Right"}
MODIFIERS = (b"Shift", b"Control", b"Alt", b"Meta", b"Super", b"ISO_Level", b"Mode_switch")

seen = set()
out = []
# wev prints Return's utf8 as a bare carriage return: lines end at \n only.
lines = open(sys.argv[1], "rb").read().split(b"\n")
for i, line in enumerate(lines):
    press = PRESS.search(line)
    if not press or press.group(1) in seen or i + 1 >= len(lines):
        continue
    sym = SYM.search(lines[i + 1])
    if not sym:
        continue
    seen.add(press.group(1))
    name, utf8 = sym.group(1), sym.group(2)
    if name.startswith(MODIFIERS):
        continue
    out.append(b"<" + name + b">" if name in NAMED or not utf8 else utf8)
sys.stdout.buffer.write(b"".join(out))
