#!/usr/bin/env python3
"""The baseline bridge built from common tools: reads the pseudo-terminal and
hands what arrived to `xdotool type` (or to `wtype` on Wayland), with the same character table.
   bridge.py TTY default|0|wtype      (xdotool's default delay, --delay 0, or wtype)"""
import os, subprocess, sys, tty

SPECIALS = {0x01: "ª", 0x02: "½", 0x03: "©", 0x04: "∆", 0x07: "≥", 0x0C: "£", 0x0F: "¹",
            0x10: "±", 0x12: "®", 0x13: "≤", 0x14: "¾", 0x15: "∞", 0x16: "¼", 0x17: "¤",
            0x18: "×", 0x19: "¥", 0x1A: "÷", 0x80: "€"}

def text_of(data):
    return "".join(SPECIALS.get(b, chr(b) if b >= 0x20 and b != 0x7F else "") for b in data)

fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
tty.setraw(fd)
delay = [] if sys.argv[2] == "default" else ["--delay", sys.argv[2]]
command = ["wtype", "--"] if sys.argv[2] == "wtype" else ["xdotool", "type"] + delay + ["--"]
while True:
    text = text_of(os.read(fd, 4096))
    if text:
        subprocess.run(command + [text])
