#!/usr/bin/python3
"""A StatusNotifierWatcher with its host, as a panel (waybar, KDE Plasma, GNOME's AppIndicator
extension) runs one, on the session bus it is given. Prints "ready", then for every item that
registers: "registered SERVICE", "icon NAME" and "icon-ink LIGHTNESS" (again whenever the icon
changes), and, read the way a panel reads it before drawing the item's menu,
"menu PATH", "entry-ids ID|ID|..." and "entries LABEL|LABEL|..." (separators left out), the ids
being those a click on the entry sends back. The tests end it with SIGKILL, as a panel
that crashes ends."""
import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"

# Qt reads the watcher's properties through its introspection data, so it must name them.
INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
</node>"""


def say(*words):
    print(*words, flush=True)


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        self.bus = bus
        self.items = []
        self.name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
        super().__init__(self.name, "/StatusNotifierWatcher")

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names its bus name, or only its object path on the sender's connection.
        bus_name, path = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        self.items.append(bus_name + path)
        say("registered", bus_name)
        self.StatusNotifierItemRegistered(bus_name + path)
        GLib.idle_add(self.read_menu, bus_name, path)
        self.bus.add_signal_receiver(lambda: self.read_icon(bus_name, path), signal_name="NewIcon",
                                     dbus_interface=ITEM, bus_name=bus_name, path=path)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    def properties(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    def read_icon(self, bus_name, path):
        """Prints the icon's name and how light its largest picture's solid pixels are (0 to 1)."""
        try:
            item = self.bus.get_object(bus_name, path)
            say("icon", item.Get(ITEM, "IconName", dbus_interface=dbus.PROPERTIES_IFACE))
            pictures = item.Get(ITEM, "IconPixmap", dbus_interface=dbus.PROPERTIES_IFACE)
            if pictures:
                _, _, data = max(pictures, key=lambda picture: picture[0] * picture[1])
                data = bytes(data)
                # ARGB32 in network byte order; the antialiased edge is left out.
                solid = [max(data[i + 1], data[i + 2], data[i + 3]) for i in range(0, len(data), 4)
                         if data[i] >= 250]
                if solid:
                    say("icon-ink", "%.2f" % (sum(solid) / len(solid) / 255))
        except dbus.DBusException as error:
            say("unreadable", error.get_dbus_name())

    def read_menu(self, bus_name, path):
        self.read_icon(bus_name, path)
        try:
            item = self.bus.get_object(bus_name, path)
            menu_path = item.Get(ITEM, "Menu", dbus_interface=dbus.PROPERTIES_IFACE)
            say("menu", menu_path)
            if menu_path != "/NO_DBUSMENU":
                menu = self.bus.get_object(bus_name, menu_path)
                _, (_, _, children) = menu.GetLayout(0, -1, [], dbus_interface=MENU)
                entries = [(int(entry_id), str(props.get("label", ""))) for entry_id, props, _ in children
                           if props.get("type", "standard") != "separator" and props.get("visible", True)]
                say("entry-ids", "|".join(str(entry_id) for entry_id, _ in entries))
                say("entries", "|".join(label for _, label in entries))
        except dbus.DBusException as error:
            say("unreadable", error.get_dbus_name())
        return False


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
watcher = Watcher(dbus.SessionBus())
loop = GLib.MainLoop()
say("ready")
loop.run()
