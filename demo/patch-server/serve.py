#!/usr/bin/env python3
"""The demo's patch server: serves the demo game's gateway answer, resource
list and packages on 127.0.0.1, so that a newcomer sees the update download,
unpack and hand over.

    serve.py --game <staged game folder> [--port 0] [--rate 1048576] [--lifetime 600]

Every folder under packages/ is one package, in name order (serials 1, 2, ...);
its files are zipped as they are, plus a generated filler asset so the
progress bar has something to show. The server writes the game's
"vexa/gateway" (pointing at itself) and, when missing, "vexa/ResSignSn"
("demo 0"), prints "patch server ready <url>" and serves until --lifetime
seconds have passed or the process that started it ends. Plain HTTP: the
demo's address is not the patch server host that the product rewrites to TLS.
"""

import argparse
import hashlib
import http.server
import json
import os
import random
import socketserver
import sys
import tempfile
import threading
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
SIGN = "demo"
FILLER_BYTES = 768 * 1024


def build_packages(out_dir):
    packages = []
    names = sorted(n for n in os.listdir(os.path.join(HERE, "packages"))
                   if os.path.isdir(os.path.join(HERE, "packages", n)))
    for sn, name in enumerate(names, start=1):
        source = os.path.join(HERE, "packages", name)
        zip_name = "%s.zip" % name
        path = os.path.join(out_dir, zip_name)
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            for root, _, files in sorted(os.walk(source)):
                for f in sorted(files):
                    full = os.path.join(root, f)
                    z.write(full, os.path.relpath(full, source).replace(os.sep, "/"))
            rng = random.Random(sn)  # incompressible, but the same on every run
            z.writestr("demo/art/filler-%d.bin" % sn, bytes(rng.getrandbits(8) for _ in range(FILLER_BYTES)))
        with open(path, "rb") as f:
            data = f.read()
        packages.append((sn, zip_name, data))
    return packages


def make_handler(routes, rate):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *args):
            sys.stderr.write("[patch-server] %s\n" % (fmt % args))

        def do_GET(self):
            body = routes.get(self.path.split("?", 1)[0])
            if body is None:
                self.send_response(404)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            start = 0
            rng = self.headers.get("Range", "")
            if rng.startswith("bytes=") and rng[6:-1].isdigit() and rng.endswith("-"):
                start = int(rng[6:-1])
            if start >= len(body) and start > 0:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % len(body))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(206 if start else 200)
            if start:
                self.send_header("Content-Range", "bytes %d-%d/%d" % (start, len(body) - 1, len(body)))
            self.send_header("Content-Length", str(len(body) - start))
            self.end_headers()
            began = time.monotonic()
            sent = 0
            for at in range(start, len(body), 16384):
                chunk = body[at:at + 16384]
                self.wfile.write(chunk)
                sent += len(chunk)
                ahead = sent / rate - (time.monotonic() - began)
                if ahead > 0:
                    time.sleep(ahead)

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--rate", type=float, default=1024 * 1024, help="bytes per second per transfer")
    parser.add_argument("--lifetime", type=float, default=600)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="demo-patch-")
    packages = build_packages(work)
    server = socketserver.ThreadingTCPServer(("127.0.0.1", args.port), None, bind_and_activate=False)
    server.daemon_threads = True
    server.allow_reuse_address = True
    server.server_bind()
    server.server_activate()
    base = "http://127.0.0.1:%d" % server.server_address[1]
    routes = {"/gateway": json.dumps({"Res": base + "/res/list.json"}).encode(),
              "/res/list.json": json.dumps({"sign": SIGN, "xlist": [
                  [sn, name, hashlib.md5(data).hexdigest().upper(), len(data)] for sn, name, data in packages]}).encode()}
    for sn, name, data in packages:
        routes["/res/" + name] = data
    server.RequestHandlerClass = make_handler(routes, args.rate)

    vexa = os.path.join(args.game, "vexa")
    os.makedirs(vexa, exist_ok=True)
    with open(os.path.join(vexa, "gateway"), "w") as f:
        f.write(base + "/gateway\n")
    if not os.path.exists(os.path.join(vexa, "ResSignSn")):
        with open(os.path.join(vexa, "ResSignSn"), "w") as f:
            f.write("%s 0" % SIGN)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("patch server ready %s (%d packages)" % (base, len(packages)), flush=True)

    parent = os.getppid()
    deadline = time.monotonic() + args.lifetime
    while time.monotonic() < deadline and os.getppid() == parent:
        time.sleep(0.5)
    server.shutdown()


if __name__ == "__main__":
    main()
