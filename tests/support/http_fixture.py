#!/usr/bin/python3
# The tests' HTTP server (test support, run by tests/support/http_server.cpp).
#
#   http_fixture.py serve ROOT CONTROL
#       Serves the files under ROOT on 127.0.0.1, on a free port that it writes to CONTROL/port.
#       Every request is appended to CONTROL/requests.log (request line, headers, a blank line,
#       the body, then a line "----"). CONTROL/rules.json, read at every request, maps a path to
#       how it is answered instead of the file:
#         {"status": 404, "body": "..."}    that status with that body
#         {"truncate": N}                   the file's length announced, N bytes sent, closed
#         {"nolength": true}                the file without a Content-Length header
#         {"hang": N}                       the length and N bytes sent, then nothing until the
#                                           client goes away
#         {"release": "NAME"}               held until the file CONTROL/NAME exists
import json
import os
import select
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ROOT = CONTROL = ""
LOG_LOCK = threading.Lock()


def rules():
    try:
        with open(os.path.join(CONTROL, "rules.json"), encoding="utf-8") as f:
            return json.load(f)
    except FileNotFoundError:
        return {}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.answer(b"")

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        self.answer(self.rfile.read(length))

    def record(self, body):
        head = self.requestline + "\n" + "".join(f"{k}: {v}\n" for k, v in self.headers.items())
        with LOG_LOCK, open(os.path.join(CONTROL, "requests.log"), "ab") as log:
            log.write(head.encode("latin-1") + b"\n" + body + b"\n----\n")

    def file_of(self):
        rel = urllib.parse.unquote(self.path.split("?", 1)[0]).lstrip("/")
        path = os.path.realpath(os.path.join(ROOT, rel))
        inside = path.startswith(os.path.realpath(ROOT) + os.sep)
        return path if inside and os.path.isfile(path) else None

    def answer(self, body):
        self.record(body)
        rule = rules().get(self.path.split("?", 1)[0], {})
        while "release" in rule and not os.path.exists(os.path.join(CONTROL, rule["release"])):
            time.sleep(0.01)
        path = None if "status" in rule else self.file_of()
        if "status" in rule or path is None:
            status = rule.get("status", 404)
            data = rule.get("body", "nicht gefunden").encode("utf-8")
            self.send_response(status)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
            return
        size = os.path.getsize(path)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if not rule.get("nolength"):
            self.send_header("Content-Length", str(size))
        self.end_headers()
        with open(path, "rb") as f:
            if "truncate" in rule or "hang" in rule:
                self.wfile.write(f.read(rule.get("truncate", rule.get("hang"))))
                self.wfile.flush()
                if "hang" in rule:
                    self.wait_for_close()
                return
            self.wfile.flush()
            self.connection.sendfile(f)

    def wait_for_close(self):
        while True:
            readable, _, _ = select.select([self.connection], [], [], 1.0)
            if readable and not self.connection.recv(4096):
                return


def serve(root, control):
    global ROOT, CONTROL
    ROOT, CONTROL = root, control
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    tmp = os.path.join(control, "port.tmp")
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(tmp, os.path.join(control, "port"))
    server.serve_forever()


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "serve":
        serve(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__ or "usage: http_fixture.py serve ROOT CONTROL")
