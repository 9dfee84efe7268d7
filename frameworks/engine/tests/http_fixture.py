#!/usr/bin/env python3
"""Runs a command next to a small HTTP server on 127.0.0.1 for the HTTP client tests.

usage: http_fixture.py -- <command...>
The command gets ENGINE_HTTP_PORT (the server) and ENGINE_HTTP_REFUSED_PORT (a port
nobody listens on). The same server also speaks TLS on ENGINE_HTTPS_PORT, with a
certificate for 127.0.0.1 only from a throw-away CA: ENGINE_HTTPS_CA is that CA's
file, ENGINE_HTTPS_OTHER_CA another CA's (Windows paths, as the program sees them).
Exit status is the command's.
"""
import gzip
import http.server
import os
import re
import socket
import ssl
import subprocess
import sys
import tempfile
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
        m = re.match(r"^/bytes/(\d+)/(length|close|chunked)$", path)
        if m:
            # n bytes of body, announced with Content-Length, or ended by
            # closing the connection, or sent in chunks of 4 kB.
            data, framing = b"x" * int(m.group(1)), m.group(2)
            if framing == "length":
                return self.reply(200, data)
            self.send_response(200)
            if framing == "chunked":
                self.send_header("Transfer-Encoding", "chunked")
                self.end_headers()
                for i in range(0, len(data), 4096):
                    piece = data[i:i + 4096]
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
                self.wfile.write(b"0\r\n\r\n")
                return None
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(data)
            self.close_connection = True
            return None
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


def make_certificates(folder):
    """ca.pem and other-ca.pem, and server.pem/server.key for 127.0.0.1 (no
    other name) signed by ca.pem. Needs the openssl command (Debian's openssl)."""
    p = lambda name: os.path.join(folder, name)
    run = lambda *args: subprocess.run(args, check=True, capture_output=True)
    for ca in ("ca", "other-ca"):
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=engine test " + ca,
            "-keyout", p(ca + ".key"), "-out", p(ca + ".pem"),
            "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", p("server.key"),
        "-out", p("server.csr"))
    # schannel under wine matches the host against the first DNS name only:
    # the IP literal goes first as a DNS name too. "localhost" is not named.
    with open(p("server.ext"), "w") as f:
        f.write("subjectAltName=DNS:127.0.0.1,IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    run("openssl", "x509", "-req", "-in", p("server.csr"), "-CA", p("ca.pem"), "-CAkey", p("ca.key"),
        "-CAcreateserial", "-days", "2", "-sha256", "-extfile", p("server.ext"), "-out", p("server.pem"))


def windows_path(path):
    """Wine maps the unix root to drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class TlsServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.context = context

    def get_request(self):
        sock, address = super().get_request()
        sock.settimeout(10)
        try:
            return self.context.wrap_socket(sock, server_side=True), address
        except (ssl.SSLError, OSError):
            sock.close()  # a client that refused the certificate
            raise


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
    certificates = tempfile.TemporaryDirectory(prefix="engine-http-")
    make_certificates(certificates.name)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(certificates.name, "server.pem"), os.path.join(certificates.name, "server.key"))
    tls = TlsServer(context)
    threading.Thread(target=tls.serve_forever, daemon=True).start()
    env["ENGINE_HTTPS_PORT"] = str(tls.server_address[1])
    env["ENGINE_HTTPS_CA"] = windows_path(os.path.join(certificates.name, "ca.pem"))
    env["ENGINE_HTTPS_OTHER_CA"] = windows_path(os.path.join(certificates.name, "other-ca.pem"))
    try:
        return subprocess.call(command, env=env)
    finally:
        refused.close()
        server.shutdown()
        tls.shutdown()
        certificates.cleanup()


if __name__ == "__main__":
    sys.exit(main())
