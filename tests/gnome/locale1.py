# A stand-in of org.freedesktop.locale1 on the test's private system bus:
# mutter takes the keyboard layout from X11Layout. Runs until killed.
#   locale1.py LAYOUT [OPTIONS]
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
import dbusmock
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SystemBus()
name = dbus.service.BusName("org.freedesktop.locale1", bus)
mock = dbusmock.DBusMockObject(name, "/org/freedesktop/locale1", "org.freedesktop.locale1", {
    "X11Layout": sys.argv[1], "X11Model": "pc105", "X11Variant": "", "X11Options": sys.argv[2] if len(sys.argv) > 2 else "",
    "Locale": dbus.Array(["LANG=C.UTF-8"], signature="s"), "VConsoleKeymap": "", "VConsoleKeymapToggle": "",
})
GLib.MainLoop().run()
