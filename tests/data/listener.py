#!/usr/bin/env python3
"""A listening process for Tidewell's tests: sets its own process name, listens on the given addresses
(port 0 picks a free one), prints "ready" and the bound ports on one line, then answers HTTP."""
import argparse
import ctypes
import signal
import socket
import threading
import time

parser = argparse.ArgumentParser()
parser.add_argument("--name", help="process name as the kernel reports it (15 bytes at most)")
parser.add_argument("--bind", action="append", default=[], help="host:port; [::1]:0 for IPv6")
parser.add_argument("--same-port", action="store_true", help="every --bind after the first reuses its port")
parser.add_argument("--mode", default="html", choices=["html", "json", "silent", "slow", "flood", "close"],
                    help="flood: a status line, then header lines for as long as the client reads; "
                    "close: every connection closed at once")
parser.add_argument("--title-file", help="read the title from this file on every request")
parser.add_argument("--title", default="Test Page")
parser.add_argument("--body", default="", help="extra HTML inside the body")
parser.add_argument("--hold-term", action="store_true", help="block SIGTERM: one sent stays pending")
parser.add_argument("--extra-ports", type=int, default=0,
                    help="also listen on this many ports of 127.0.0.1, closing every connection at once")
args = parser.parse_args()

if args.hold_term:  # before any thread starts, so that every thread blocks it
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM})

if args.name:
    ctypes.CDLL(None).prctl(15, ctypes.c_char_p(args.name.encode("utf-8", "surrogateescape")), 0, 0, 0)

sockets = []
for address in args.bind or ["127.0.0.1:0"]:
    host, _, port = address.rpartition(":")
    family = socket.AF_INET6 if host.startswith("[") else socket.AF_INET
    port = sockets[0].getsockname()[1] if args.same_port and sockets else int(port)
    s = socket.socket(family, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if family == socket.AF_INET6:
        s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
    s.bind((host.strip("[]"), port))
    s.listen(64)
    sockets.append(s)

extra = []
if args.extra_ports:
    import resource
    import selectors

    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    wanted = 65536 if hard == resource.RLIM_INFINITY else min(hard, 65536)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, wanted), hard))
    for _ in range(args.extra_ports):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        s.listen(64)
        extra.append(s)


def close_at_once():
    selector = selectors.DefaultSelector()
    for s in extra:
        selector.register(s, selectors.EVENT_READ)
    while True:
        for key, _ in selector.select():
            key.fileobj.accept()[0].close()


if extra:
    threading.Thread(target=close_at_once, daemon=True).start()

print("ready " + " ".join(str(s.getsockname()[1]) for s in sockets), flush=True)


def reply(conn):
    if args.mode == "close":
        conn.close()
        return
    try:
        conn.settimeout(60)  # as long as node waits for a request's headers (headersTimeout)
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(4096)
            data += chunk
            if not chunk or data.startswith(b"\x16"):
                return  # closed, or a TLS handshake: this server speaks plain HTTP only
        if args.mode == "silent":
            time.sleep(60)
            return
        if args.mode == "slow":
            time.sleep(1)
        if args.mode == "flood":
            conn.sendall(b"HTTP/1.1 200 OK\r\n")
            line = b"X-Filler: " + b"a" * 1000 + b"\r\n"
            while True:
                conn.sendall(line * 64)
        title = args.title
        if args.title_file:
            with open(args.title_file, encoding="utf-8") as f:
                title = f.read().strip()
        ctype = "text/html; charset=utf-8"
        body = f"<html><head><title>{title}</title></head><body>{args.body}</body></html>".encode()
        if args.mode == "json":
            ctype, body = "application/json", b'{"ok": true}'
        head = f"HTTP/1.1 200 OK\r\ncontent-type: {ctype}\r\nContent-Length: {len(body)}\r\nConnection: close\r\n\r\n"
        conn.sendall(head.encode() + body)
    except OSError:
        pass
    finally:
        conn.close()


def serve(s):
    while True:
        threading.Thread(target=reply, args=(s.accept()[0],), daemon=True).start()


for s in sockets[1:]:
    threading.Thread(target=serve, args=(s,), daemon=True).start()
serve(sockets[0])
