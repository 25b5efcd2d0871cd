#!/usr/bin/env python3
"""The far end of a pseudo-terminal held by this process alone: links the
slave to LINK, appends what arrives on the master to LOG, and closes the
master (the terminal goes away) on SIGTERM.  far_end.py LINK LOG"""
import os, pty, select, signal, sys

link, log = sys.argv[1], sys.argv[2]
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
