#!/usr/bin/python3
# A stand-in for a hostile Scribeon service on loopback: every text it sends
# carries terminal control sequences (OSC retitle, BEL, CSI as ESC [ and as
# the C1 control U+009B, a clear screen). Prints "listening on ORIGIN".
#
#   hostile_service.py
import json
import sys
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

EVIL = "\x1b]0;owned\x07"
COMMANDS = [
    {"code": "echo\x1b[2J", "name": EVIL + "Echo\u009b31m", "is_active": True},
    {"code": "fail", "name": "Fail\x7f\tnow\nplease", "is_active": True},
]
USER = {
    "id": 1,
    "name": "Ada" + EVIL,
    "email": "ada@example.com\u009b2J",
    "plan": "pro\x1b[5m",
    "created_at": "2026-01-01T00:00:00.000000Z",
    "statistics": {"monthly_usage": 1, "remaining_requests": 9, "monthly_limit": 10},
}
PROCESSED = "line" + EVIL + " one\r\n\ttwo\u009b31m\x1b[2J\n"


class Handler(BaseHTTPRequestHandler):
    def reply(self, status, body):
        data = json.dumps(body).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        if self.path == "/api/v1/commands":
            self.reply(200, {"data": COMMANDS})
        elif self.path == "/api/v1/user":
            self.reply(200, {"user": USER})
        else:
            self.reply(404, {"error": "not found", "message": "Not found."})

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        self.rfile.read(length)
        if self.path == "/api/v1/auth/sign-in":
            self.reply(200, {"message": "Signed in", "token": "t0ken"})
        elif self.path.endswith("/fail/process"):
            self.reply(422, {"error": "validation error", "message": "Bad\x1b[2J\nthing\x07"})
        elif self.path.endswith("/process"):
            self.reply(200, {"data": {"code": "echo", "name": "Echo", "original_text": "x",
                                      "processed_text": PROCESSED}})
        else:
            self.reply(404, {"error": "not found", "message": "Not found."})

    def log_message(self, *args):
        pass


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print("listening on http://127.0.0.1:%d" % server.server_address[1], flush=True)
server.serve_forever()
