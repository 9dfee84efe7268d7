#!/usr/bin/env python3
"""Runs a command next to a small HTTP server on 127.0.0.1 for the HTTP client tests.

usage: http_fixture.py -- <command...>
The command gets ENGINE_HTTP_PORT (the server) and ENGINE_HTTP_REFUSED_PORT (a port
nobody listens on). Exit status is the command's.
"""
import gzip
import http.server
import os
import socket
import subprocess
import sys
import threading
import time

STALL_SECONDS = 8


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):  # keep the test output readable
        pass

    def reply(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if body and self.command != "HEAD":
            self.wfile.write(body)

    def body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def route(self):
        path = self.path
        if path == "/ok":
            return self.reply(200, b"hello from the fixture", [("X-Fixture", "yes")])
        if path == "/missing":
            return self.reply(404, b"nothing here")
        if path == "/server-error":
            return self.reply(500, b"boom")
        if path == "/no-content":
            self.send_response(204)
            self.end_headers()
            return None
        if path == "/redirect":
            return self.reply(302, b"", [("Location", "/ok")])
        if path == "/gzip":
            return self.reply(200, gzip.compress(b"unpacked text " * 20), [("Content-Encoding", "gzip")])
        if path == "/stall":
            time.sleep(STALL_SECONDS)
            return self.reply(200, b"too late")
        if path == "/echo":
            data = self.body()
            text = "%s|%s|%s" % (self.command, self.headers.get("X-Test", ""), data.decode("utf-8", "replace"))
            return self.reply(200, text.encode("utf-8"))
        return self.reply(400, b"unknown path")

    do_GET = route
    do_POST = route
    do_PUT = route
    do_DELETE = route


def refusing_port():
    """A socket bound to a port but not listening: a connection there is
    refused, and no other program (another test beside this one) can take the
    port while the socket is open."""
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    return s


def main():
    if "--" not in sys.argv:
        print(__doc__, file=sys.stderr)
        return 2
    command = sys.argv[sys.argv.index("--") + 1:]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    env = dict(os.environ)
    env["ENGINE_HTTP_PORT"] = str(server.server_address[1])
    refused = refusing_port()
    env["ENGINE_HTTP_REFUSED_PORT"] = str(refused.getsockname()[1])
    try:
        return subprocess.call(command, env=env)
    finally:
        refused.close()
        server.shutdown()


if __name__ == "__main__":
    sys.exit(main())
