#!/usr/bin/env python3
"""An HTTPS-only page server for Tidewell's probe tests.

Listens on 127.0.0.1 (port 0 picks a free one), prints "ready PORT", then answers every request
made over TLS with an HTML page. Plain HTTP on the same port fails the TLS handshake and gets no
answer.
"""
import argparse
import socket
import ssl
import threading

parser = argparse.ArgumentParser()
parser.add_argument("--cert", required=True)
parser.add_argument("--key", required=True)
parser.add_argument("--title", default="Secure Page")
parser.add_argument("--body", default="")
args = parser.parse_args()

context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(args.cert, args.key)

listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 0))
listener.listen(16)
print("ready", listener.getsockname()[1], flush=True)


def answer(conn):
    try:
        conn.settimeout(5)
        with context.wrap_socket(conn, server_side=True) as tls:
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = tls.recv(4096)
                if not chunk:
                    return
                request += chunk
            body = (f"<html><head><title>{args.title}</title></head>"
                    f"<body>{args.body}</body></html>").encode()
            head = ("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                    f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n")
            tls.sendall(head.encode() + body)
    except (OSError, ssl.SSLError):
        pass
    finally:
        conn.close()


while True:
    connection, _ = listener.accept()
    threading.Thread(target=answer, args=(connection,), daemon=True).start()
