# A stand-in of the GNOME backend of the desktop portal's remote desktop
# (org.freedesktop.impl.portal.RemoteDesktop), behind the real
# xdg-desktop-portal: it answers the consent as the test says, instead of
# the dialog a person answers, and hands granted keys on to mutter's own
# remote desktop, as the GNOME backend does. Every call is logged on stdout.
#   portal_backend.py BUS_NAME grant|decline
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IMPL = "org.freedesktop.impl.portal.RemoteDesktop"
SESSION = "org.freedesktop.impl.portal.Session"
MUTTER = "org.gnome.Mutter.RemoteDesktop"

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
answer = sys.argv[2]


def log(*words):
    print(*words, flush=True)


class Session(dbus.service.Object):
    def __init__(self, path):
        super().__init__(bus, path)
        self.mutter = None

    def start_mutter(self):
        desktop = bus.get_object(MUTTER, "/org/gnome/Mutter/RemoteDesktop")
        path = desktop.CreateSession(dbus_interface=MUTTER)
        self.mutter = dbus.Interface(bus.get_object(MUTTER, path), MUTTER + ".Session")
        self.mutter.Start()

    @dbus.service.method(SESSION)
    def Close(self):
        log("Close")
        if self.mutter is not None:
            self.mutter.Stop()
        self.remove_from_connection()

    @dbus.service.signal(SESSION, signature="")
    def Closed(self):
        pass


sessions = {}


class RemoteDesktop(dbus.service.Object):
    @dbus.service.method(IMPL, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session, app_id, options):
        log("CreateSession", app_id)
        sessions[session] = Session(session)
        return 0, {"session_id": dbus.String(str(session))}

    @dbus.service.method(IMPL, in_signature="oosa{sv}", out_signature="ua{sv}")
    def SelectDevices(self, handle, session, app_id, options):
        log("SelectDevices", *sorted("%s=%s" % (k, v) for k, v in options.items()))
        return 0, {}

    @dbus.service.method(IMPL, in_signature="oossa{sv}", out_signature="ua{sv}")
    def Start(self, handle, session, app_id, parent, options):
        log("Start", answer)
        if answer != "grant":
            return 1, {}
        sessions[session].start_mutter()
        return 0, {"devices": dbus.UInt32(1)}

    @dbus.service.method(IMPL, in_signature="oa{sv}iu")
    def NotifyKeyboardKeycode(self, session, options, keycode, state):
        sessions[session].mutter.NotifyKeyboardKeycode(dbus.UInt32(keycode), dbus.Boolean(state == 1))

    @dbus.service.method(IMPL, in_signature="oa{sv}iu")
    def NotifyKeyboardKeysym(self, session, options, keysym, state):
        sessions[session].mutter.NotifyKeyboardKeysym(dbus.UInt32(keysym), dbus.Boolean(state == 1))

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"AvailableDeviceTypes": dbus.UInt32(1), "version": dbus.UInt32(1)}


name = dbus.service.BusName(sys.argv[1], bus)
RemoteDesktop(bus, "/org/freedesktop/portal/desktop")
GLib.MainLoop().run()
