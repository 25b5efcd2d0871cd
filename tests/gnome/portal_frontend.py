# A stand-in of the desktop portal's frontend (org.freedesktop.portal.Desktop)
# for its remote desktop at any interface version: Debian's frontend offers
# version 1 only, where a consent cannot be kept. It grants every request,
# hands a new restore token at each start, and answers, on
# org.tastra.PortalStandIn, what the last SelectDevices was given.
#   portal_frontend.py
import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.RemoteDesktop"
REQUEST = "org.freedesktop.portal.Request"
STAND_IN = "org.tastra.PortalStandIn"
ROOT = "/org/freedesktop/portal/desktop"

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()


class Request(dbus.service.Object):
    """Answers once, after the call that made it has returned."""

    def __init__(self, sender, token, results):
        path = "%s/request/%s/%s" % (ROOT, sender[1:].replace(".", "_"), token)
        super().__init__(bus, path)
        GLib.idle_add(self.answer, results)

    def answer(self, results):
        self.Response(0, results)
        self.remove_from_connection()
        return False

    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, code, results):
        pass

    @dbus.service.method(REQUEST)
    def Close(self):
        pass


class Portal(dbus.service.Object):
    def __init__(self):
        super().__init__(bus, ROOT)
        self.version = 1
        self.starts = 0
        self.last_select = {}

    def answer(self, sender, options, results):
        Request(sender, options["handle_token"], results)
        return dbus.ObjectPath("/")

    @dbus.service.method(PORTAL, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender):
        handle = "%s/session/%s/%s" % (ROOT, sender[1:].replace(".", "_"), options["session_handle_token"])
        return self.answer(sender, options, {"session_handle": dbus.String(handle)})

    @dbus.service.method(PORTAL, in_signature="oa{sv}", out_signature="o", sender_keyword="sender")
    def SelectDevices(self, session, options, sender):
        self.last_select = dict(options)
        return self.answer(sender, options, {})

    @dbus.service.method(PORTAL, in_signature="osa{sv}", out_signature="o", sender_keyword="sender")
    def Start(self, session, parent, options, sender):
        self.starts += 1
        results = {"devices": dbus.UInt32(1)}
        if self.version >= 2 and self.last_select.get("persist_mode", 0) != 0:
            results["restore_token"] = dbus.String("token-%d" % self.starts)
        return self.answer(sender, options, results)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return {"AvailableDeviceTypes": dbus.UInt32(1), "version": dbus.UInt32(self.version)}[name]

    @dbus.service.method(STAND_IN, in_signature="u")
    def SetVersion(self, version):
        self.version = version

    @dbus.service.method(STAND_IN, out_signature="a{sv}")
    def LastSelect(self):
        return self.last_select or {"none": dbus.Boolean(True)}


portal = Portal()
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
GLib.MainLoop().run()
