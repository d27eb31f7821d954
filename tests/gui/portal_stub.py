#!/usr/bin/python3
"""The XDG desktop portal's Settings, as GNOME's answers for the colour
scheme, on the bus at ADDRESS; each number read from standard input (1 dark,
2 light) becomes the scheme and is announced with SettingChanged.

    portal_stub.py ADDRESS
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

INTERFACE = "org.freedesktop.portal.Settings"
APPEARANCE = "org.freedesktop.appearance"


class Settings(dbus.service.Object):
    scheme = 1

    # The portal wraps the value in a second variant.
    @dbus.service.method(INTERFACE, in_signature="ss", out_signature="v")
    def Read(self, group, key):
        if (group, key) != (APPEARANCE, "color-scheme"):
            raise dbus.exceptions.DBusException("org.freedesktop.portal.Error.NotFound")
        return dbus.UInt32(self.scheme, variant_level=1)

    @dbus.service.signal(INTERFACE, signature="ssv")
    def SettingChanged(self, group, key, value):
        pass


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus)
    settings = Settings(bus, "/org/freedesktop/portal/desktop")

    def on_input(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        settings.scheme = int(line)
        settings.SettingChanged(APPEARANCE, "color-scheme", dbus.UInt32(settings.scheme))
        return True

    loop = GLib.MainLoop()
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
    print("ready", flush=True)
    loop.run()
    del name


if __name__ == "__main__":
    main()
