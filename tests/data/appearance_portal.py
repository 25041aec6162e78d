#!/usr/bin/python3
"""The settings part of the freedesktop desktop portal (org.freedesktop.portal.Settings), as
xdg-desktop-portal serves it, on the session bus it is given, holding one setting that matters here:
org.freedesktop.appearance color-scheme (0 no preference, 1 dark, 2 light). Starts with the value
given as its argument, prints "ready", then takes each number read on standard input as the
desktop's new choice: it stores it, sends SettingChanged as the portal does, and prints "changed N"."""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

SETTINGS = "org.freedesktop.portal.Settings"
GROUP = "org.freedesktop.appearance"
KEY = "color-scheme"


class Settings(dbus.service.Object):
    def __init__(self, bus, scheme):
        self.scheme = scheme
        self.name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, do_not_queue=True)
        super().__init__(self.name, "/org/freedesktop/portal/desktop")

    # The portal's Read wraps the value in a second variant (ReadOne, in newer portals, does not).
    @dbus.service.method(SETTINGS, in_signature="ss", out_signature="v")
    def Read(self, group, key):
        if (group, key) != (GROUP, KEY):
            raise dbus.DBusException("Requested setting not found",
                                     name="org.freedesktop.portal.Error.NotFound")
        return dbus.UInt32(self.scheme, variant_level=2)

    @dbus.service.method(SETTINGS, in_signature="as", out_signature="a{sa{sv}}")
    def ReadAll(self, groups):
        return {GROUP: {KEY: dbus.UInt32(self.scheme)}}

    @dbus.service.signal(SETTINGS, signature="ssv")
    def SettingChanged(self, group, key, value):
        pass


def read_line(source, condition, settings):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    settings.scheme = int(line)
    settings.SettingChanged(GROUP, KEY, dbus.UInt32(settings.scheme))
    print("changed", settings.scheme, flush=True)
    return True


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
settings = Settings(dbus.SessionBus(), int(sys.argv[1]))
loop = GLib.MainLoop()
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, read_line, settings)
print("ready", flush=True)
loop.run()
