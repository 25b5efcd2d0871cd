#!/usr/bin/env python3
"""A native Wayland GTK 3 program with one text field, typed into through
GTK's own input method (the simple one, which takes Ctrl+Shift+U, a hex
code and a space). Appends every text inserted to FILE as UTF-8, and to
FILE.times a line "MONOTONIC_SECONDS CHARACTERS" for each insert, so that
another process can time the arrival on its own clock. FILE is made once
the window is shown.
   gtk_receiver.py FILE TITLE"""
import os
import sys
import time

os.environ.update(GDK_BACKEND="wayland", GTK_IM_MODULE="gtk-im-context-simple", NO_AT_BRIDGE="1")
import gi  # noqa: E402

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

path, title = sys.argv[1], sys.argv[2]
text_out = times_out = None


def inserted(buffer, where, text, length):
    at = time.monotonic()
    data = text.encode("utf-8")
    text_out.write(data)
    times_out.write(b"%.6f %d\n" % (at, len(text)))
    text_out.flush()
    times_out.flush()


def shown(*args):
    global text_out, times_out
    if text_out is None:
        times_out = open(path + ".times", "wb")
        text_out = open(path, "wb")
    return False


def trim(buffer):
    # A long line is laid out again at every insert: too slow for a paste
    # at full rate, and a compositor drops a client that falls behind.
    if buffer.get_char_count() > 64:
        buffer.delete(buffer.get_start_iter(), buffer.get_iter_at_offset(buffer.get_char_count() - 64))
    return True


window = Gtk.Window(title=title)
window.set_default_size(400, 200)
view = Gtk.TextView()
view.get_buffer().connect("insert-text", inserted)
window.add(view)
GLib.timeout_add(10, trim, view.get_buffer())
window.connect("map-event", shown)
window.connect("destroy", Gtk.main_quit)
window.show_all()
view.grab_focus()
Gtk.main()
