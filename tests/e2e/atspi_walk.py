#!/usr/bin/env python3
"""The window as a screen reader meets it, over AT-SPI, in English and in Spanish: the real program under
its own Xvfb, run inside `dbus-run-session`, lists the page this script serves as a row."""
import argparse
import http.server
import os
import signal
import subprocess
import sys
import tempfile
import threading
import time

import pyatspi

TITLE = "Walk Page"
WAIT_S = int(os.environ.get("WALK_WAIT_S", "120"))

# What each language calls the x-ray button and the field to find servers, and the word a row says
# before its port.
LANGUAGES = {
    "en_US.UTF-8": {"xray": "Ports and x-ray", "find": "Find servers", "port": "port"},
    "es_ES.UTF-8": {"xray": "Puertos y rayos X", "find": "Buscar servidores", "port": "puerto"},
}


class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = f"<html><head><title>{TITLE}</title></head><body>walk</body></html>".encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def wait_for(what, condition):
    """The condition's value once it holds; fails the run when it never does."""
    deadline = time.monotonic() + WAIT_S
    while time.monotonic() < deadline:
        try:
            value = condition()
        except Exception:  # the tree changes while it is read: read again
            value = None
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError(f"never happened: {what}")


def walk(node):
    # Names are read afresh, not from what the client library kept of an earlier reading.
    node.clear_cache()
    yield node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child)


def has_state(node, state):
    return node.getState().contains(state)


def check_language(program, language, port, faults):
    words = LANGUAGES[language]
    with tempfile.TemporaryDirectory() as home:
        # A runtime folder of its own: another Tidewell of this user would otherwise take the start over.
        runtime = os.path.join(home, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"),
                   XDG_RUNTIME_DIR=runtime, LANG=language, LC_ALL="", LANGUAGE="",
                   QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_ACCESSIBILITY="1", TIDEWELL_VERCEL_API_ORIGIN="http://127.0.0.1:9",
                   TIDEWELL_VERCEL_DASHBOARD_ORIGIN="http://127.0.0.1:9",
                   TIDEWELL_UPDATE_URL="http://127.0.0.1:9/")
        tidewell = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            app = wait_for("the program on the accessibility bus", lambda: next(
                (a for a in pyatspi.Registry.getDesktop(0)
                 if a is not None and a.get_process_id() == tidewell.pid), None))
            row = wait_for(f"a list item for the page on port {port}", lambda: next(
                (n for n in walk(app) if n.getRole() == pyatspi.ROLE_LIST_ITEM
                 and TITLE in n.name and str(port) in n.name), None))
            expected = f"{TITLE}, {words['port']} {port}, python3"
            if not row.name.startswith(expected):
                faults.append(f"{language}: the row reads {row.name!r}, not {expected!r}")
            buttons = [n for n in walk(app) if n.getRole() in (
                pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX)
                and has_state(n, pyatspi.STATE_SHOWING)]
            if len(buttons) < 5:
                faults.append(f"{language}: only {len(buttons)} buttons shown")
            for button in buttons:
                if not button.name.strip():
                    faults.append(f"{language}: a {button.getRoleName()} without a name, "
                                  f"described as {button.description!r}")
            xray = next((b for b in buttons if b.name == words["xray"]), None)
            if xray is None:
                faults.append(f"{language}: no button named {words['xray']!r} among "
                              f"{sorted(b.name for b in buttons)}")
                return
            # Qt 6.4 does not say "checkable" over AT-SPI; "checked" comes and goes with the mode.
            if has_state(xray, pyatspi.STATE_CHECKED):
                faults.append(f"{language}: the x-ray button reads checked before x-ray mode is on")
            field = next((n for n in walk(app) if n.getRole() == pyatspi.ROLE_TEXT), None)
            if field is None or field.name != words["find"]:
                faults.append(f"{language}: the field to find servers reads {field and field.name!r}")
            xray.queryAction().doAction(0)
            wait_for("the x-ray button checked", lambda: has_state(xray, pyatspi.STATE_CHECKED))
            print(f"{language}: {len(buttons)} named buttons, row {row.name!r}, x-ray {xray.name!r} checked")
        finally:
            tidewell.kill()
            tidewell.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True)
    args = parser.parse_args()

    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            pass_fds=[write_fd], stderr=subprocess.DEVNULL)
    os.close(write_fd)
    display = os.read(read_fd, 64).decode().strip()
    os.environ["DISPLAY"] = f":{display}"
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Page)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    faults = []
    try:
        for language in LANGUAGES:
            check_language(args.program, language, port, faults)
    finally:
        server.shutdown()
        xvfb.send_signal(signal.SIGTERM)
        xvfb.wait()
    print("\n".join(faults) or "every language passed")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
