#!/usr/bin/env python3
"""The far end of a pseudo-terminal held by this process alone: links the
slave to LINK, appends what arrives on the master to LOG, and closes the
master (the terminal goes away) on SIGTERM.  With SPEED_FILE, the line's
speed as last set is written there whenever bytes arrive.
far_end.py LINK LOG [SPEED_FILE]"""
import os, pty, select, signal, sys, termios

link, log = sys.argv[1], sys.argv[2]
speed_file = sys.argv[3] if len(sys.argv) > 3 else None
speeds = {getattr(termios, name): name[1:] for name in dir(termios) if name[0] == "B" and name[1:].isdigit()}
master, slave = pty.openpty()
os.symlink(os.ttyname(slave), link + ".new")
os.rename(link + ".new", link)
os.close(slave)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
with open(log, "ab", buffering=0) as out:
    while True:
        select.select([master], [], [])
        try:
            data = os.read(master, 4096)
        except OSError:  # nobody holds the slave: wait for the next open
            select.select([], [], [], 0.05)
            continue
        out.write(data)
        if speed_file:
            ospeed = termios.tcgetattr(master)[5]
            with open(speed_file, "w") as f:
                f.write(speeds.get(ospeed, "other") + "\n")
