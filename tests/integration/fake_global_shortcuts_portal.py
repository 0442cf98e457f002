#!/usr/bin/python3
# A stand-in for the desktop portal's global shortcuts on a private session
# bus. It answers as the desktop named by its argument would, records every
# call, and lets a test make it send Activated and ShortcutsChanged.
#
#   plasma527  CreateSession registers the shortcuts it is given and returns
#              them; BindShortcuts would open System Settings (recorded).
#   newer      CreateSession returns no shortcuts; BindShortcuts binds them.
#   refuse:N   CreateSession answers with response code N.
#   noshortcuts the portal runs but has no global shortcuts interface.
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
CONTROL = "app.scribeon.test.FakePortal"
KEYS = {"plasma527": "Meta+Shift+I", "newer": "Super+Shift+I"}


def caller_path(kind, sender, token):
    return f"{PATH}/{kind}/{sender[1:].replace('.', '_')}/{token}"


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, code, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.portal = portal

    @dbus.service.method("org.freedesktop.portal.Session")
    def Close(self):
        self.portal.calls.append("Close")
        self.remove_from_connection()


def bound(shortcuts, keys):
    return dbus.Array(
        [dbus.Struct((sid, dbus.Dictionary({"description": opts.get("description", ""),
                                            "trigger_description": keys}, signature="sv")))
         for sid, opts in shortcuts],
        signature="(sa{sv})")


class Portal(dbus.service.Object):
    def __init__(self, bus, mode):
        super().__init__(bus, PATH)
        self.bus = bus
        self.mode = mode
        self.calls = []
        self.session = None
        self.shortcuts = []

    def answer(self, sender, token, code, results):
        # Answered before the method returns, as a fast portal may: a client
        # that subscribes only after the call misses it.
        path = caller_path("request", sender, token)
        request = Request(self.bus, path)
        request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature="sv"))
        request.remove_from_connection()
        return dbus.ObjectPath(path)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        if interface != SHORTCUTS or self.mode == "noshortcuts":
            raise dbus.exceptions.DBusException(
                "no such interface", name="org.freedesktop.DBus.Error.UnknownInterface")
        return dbus.UInt32(1)

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender):
        self.shortcuts = [(str(s), dict(o)) for s, o in options.get("shortcuts", [])]
        preferred = ",".join(str(o.get("preferred_trigger", "")) for _, o in self.shortcuts)
        self.calls.append(f"CreateSession token={options.get('session_handle_token')} "
                          f"shortcuts={','.join(s for s, _ in self.shortcuts)} "
                          f"preferred={preferred}")
        if self.mode.startswith("refuse:"):
            return self.answer(sender, options["handle_token"], int(self.mode[7:]), {})
        path = caller_path("session", sender, options["session_handle_token"])
        self.session = Session(self.bus, path, self)
        results = {"session_handle": dbus.String(path)}
        if self.mode == "plasma527":
            results["shortcuts"] = bound(self.shortcuts, KEYS["plasma527"])
        return self.answer(sender, options["handle_token"], 0, results)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender):
        self.calls.append(f"BindShortcuts shortcuts={','.join(str(s) for s, _ in shortcuts)}")
        listed = [(str(s), dict(o)) for s, o in shortcuts]
        return self.answer(sender, options["handle_token"], 0,
                           {"shortcuts": bound(listed, KEYS.get(self.mode, ""))})

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut, timestamp, options):
        pass

    @dbus.service.signal(SHORTCUTS, signature="oa(sa{sv})")
    def ShortcutsChanged(self, session, shortcuts):
        pass

    @dbus.service.method(CONTROL, out_signature="as")
    def Calls(self):
        return self.calls

    @dbus.service.method(CONTROL, in_signature="uu")
    def Activate(self, count, gap_ms):
        # The timestamp is 0, as KWin sends it for injected keys.
        def send(left):
            self.Activated(dbus.ObjectPath(self.session.__dbus_object_path__), "trigger",
                           dbus.UInt64(0), dbus.Dictionary({}, signature="sv"))
            if left > 1:
                GLib.timeout_add(gap_ms, send, left - 1)
            return False
        send(count)

    @dbus.service.method(CONTROL, in_signature="s")
    def Change(self, keys):
        self.ShortcutsChanged(dbus.ObjectPath(self.session.__dbus_object_path__),
                              bound(self.shortcuts, keys))


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
portal = Portal(bus, sys.argv[1])
name = dbus.service.BusName(NAME, bus)
GLib.MainLoop().run()
