# Presses and releases one key (evdev code) on mutter's seat through its own
# remote desktop, as a person at the keyboard would.
#   press_key.py CODE
import sys

import dbus

MUTTER = "org.gnome.Mutter.RemoteDesktop"
bus = dbus.SessionBus()
path = bus.get_object(MUTTER, "/org/gnome/Mutter/RemoteDesktop").CreateSession(dbus_interface=MUTTER)
session = dbus.Interface(bus.get_object(MUTTER, path), MUTTER + ".Session")
session.Start()
for pressed in (True, False):
    session.NotifyKeyboardKeycode(dbus.UInt32(int(sys.argv[1])), dbus.Boolean(pressed))
session.Stop()
