'''python3-dbusmock's bluez5 template with BlueZ's profile API added

ProfileManager1.RegisterProfile/UnregisterProfile keep the profiles by
owner, as bluetoothd does. Device1.ConnectProfile on a device made by
AddDevice calls NewConnection on the caller's profile for that UUID with one
end of a socket pair, and answers only after NewConnection was answered, as
bluetoothd does. Tests steer and observe it on org.bluez.Mock:
  RegisteredProfiles() -> as   "owner path uuid role" of each profile
  TakeFarEnd(o device) -> h    the other end of the device's last socket pair
  RefuseConnect(o device, s)   '' connects; 'silent' never answers; anything
                               else is the D-Bus error name of the refusal
  Vanish() / Return()          gives up the name org.bluez, as a bluetoothd
                               that ends does, and takes it back (call Return
                               on the stand-in's unique name)
'''

import socket

import dbus

from dbusmock import mockobject
from dbusmock.templates.bluez5 import *  # noqa: F401,F403 (its mock methods are picked up from here)
from dbusmock.templates import bluez5

PROFILE_IFACE = 'org.bluez.Profile1'


def _install(obj, interface, function):
    '''Puts a dbus-python method on a mock object, where dbusmock looks first.'''
    obj.methods.setdefault(interface, {})[function.__name__] = (
        function._dbus_in_signature, function._dbus_out_signature, '', function)


def _manager():
    return mockobject.objects['/org/bluez']


@dbus.service.method(bluez5.PROFILE_MANAGER_IFACE, in_signature='osa{sv}', out_signature='', sender_keyword='sender')
def RegisterProfile(_manager_object, path, uuid, options, sender=None):
    profiles = _manager().profiles
    if (sender, path) in profiles:
        raise dbus.exceptions.DBusException('Already registered', name='org.bluez.Error.AlreadyExists')
    profiles[(sender, path)] = (str(uuid).lower(), str(options.get('Role', '')))


@dbus.service.method(bluez5.PROFILE_MANAGER_IFACE, in_signature='o', out_signature='', sender_keyword='sender')
def UnregisterProfile(_manager_object, path, sender=None):
    if _manager().profiles.pop((sender, path), None) is None:
        raise dbus.exceptions.DBusException('Not registered', name='org.bluez.Error.DoesNotExist')


@dbus.service.method(bluez5.DEVICE_IFACE, in_signature='s', out_signature='', sender_keyword='sender',
                     async_callbacks=('ok', 'err'))
def ConnectProfile(device, uuid, sender=None, ok=None, err=None):
    refusal = getattr(device, 'refusal', '')
    if refusal == 'silent':
        return
    if refusal:
        err(dbus.exceptions.DBusException('Connection refused', name=refusal))
        return
    paths = [path for (owner, path), (profile_uuid, role) in _manager().profiles.items()
             if owner == sender and profile_uuid == uuid.lower() and role in ('', 'client')]
    if not paths:
        err(dbus.exceptions.DBusException('br-connection-profile-unavailable', name='org.bluez.Error.Failed'))
        return
    ours, far = socket.socketpair(socket.AF_UNIX, socket.SOCK_STREAM)
    device.far_end = far

    def refused(error):
        far.close()
        device.far_end = None
        err(error)

    device.connection.call_async(sender, paths[0], PROFILE_IFACE, 'NewConnection', 'oha{sv}',
                                 (dbus.ObjectPath(device.__dbus_object_path__), dbus.types.UnixFd(ours), {}),
                                 reply_handler=ok, error_handler=refused)
    ours.close()  # UnixFd holds its own duplicate until the call is sent


@dbus.service.method(bluez5.BLUEZ_MOCK_IFACE, in_signature='sss', out_signature='s')
def AddDevice(self, adapter_device_name, device_address, alias):
    path = bluez5.AddDevice(self, adapter_device_name, device_address, alias)
    _install(mockobject.objects[path], bluez5.DEVICE_IFACE, ConnectProfile)
    return path


@dbus.service.method(bluez5.BLUEZ_MOCK_IFACE, in_signature='', out_signature='as')
def RegisteredProfiles(_self):
    return [f'{owner} {path} {uuid} {role}' for (owner, path), (uuid, role) in _manager().profiles.items()]


@dbus.service.method(bluez5.BLUEZ_MOCK_IFACE, in_signature='o', out_signature='h')
def TakeFarEnd(_self, device_path):
    device = mockobject.objects[device_path]
    far = getattr(device, 'far_end', None)
    if far is None:
        raise dbus.exceptions.DBusException('No connection', name='org.bluez.Mock.NoConnection')
    device.far_end = None
    handed = dbus.types.UnixFd(far)
    far.close()
    return handed


@dbus.service.method(bluez5.BLUEZ_MOCK_IFACE, in_signature='os', out_signature='')
def RefuseConnect(_self, device_path, refusal):
    mockobject.objects[device_path].refusal = str(refusal)


@dbus.service.method(bluez5.BLUEZ_MOCK_IFACE, in_signature='', out_signature='')
def Vanish(self):
    self.connection.release_name(bluez5.BUS_NAME)


@dbus.service.method(bluez5.BLUEZ_MOCK_IFACE, in_signature='', out_signature='')
def Return(self):
    self.connection.request_name(bluez5.BUS_NAME)


def load(mock, parameters):
    bluez5.load(mock, parameters)
    manager = _manager()
    manager.profiles = {}
    _install(manager, bluez5.PROFILE_MANAGER_IFACE, RegisterProfile)
    _install(manager, bluez5.PROFILE_MANAGER_IFACE, UnregisterProfile)
