#!/usr/bin/env python3
"""The scripted web server of the download tests: it serves the files of the
test web servers' document root with the faults nginx cannot make, chosen by
the first component of the path (/FAULT/FILE, FILE relative to the root):

  notfound   404 with an HTML page
  errorpage  200 with an HTML page in place of the file
  empty      200 with Content-Length: 0
  redirect   302 to the same file on nginx's HTTP port
  nolength   200, the whole file, no Content-Length, closed at the end
  truncate   200, the full Content-Length, the first half of the bytes, closed
  stall      200, the full Content-Length, the first 64 KB (at most all but
             one byte), then nothing until the client goes away or 10 minutes
  oversize   200, a Content-Length 1000 bytes short of the file, the whole
             file, closed

The last four need the file; a missing one gives a plain-text 404. Listens on
127.0.0.1 on a free port, written to --port-file once it listens; one line per
request goes to --log. Python's standard library only.

  faultserver.py --root DIR --redirect-base http://127.0.0.1:PORT
                 --port-file FILE --pid-file FILE --log FILE
"""

import argparse
import http.server
import os
import select
import socket
import sys
import threading
import time
import urllib.parse

STALL_BYTES = 64 * 1024
STALL_LIMIT_SECONDS = 600
OVERSIZE_SHORTFALL = 1000

NOT_FOUND_PAGE = (
    b"<html><head><title>404 Not Found</title></head>"
    b"<body><h1>Not Found</h1><p>The requested file was not found on this server.</p>"
    b"</body></html>\n"
)
ERROR_PAGE = (
    b"<html><head><title>Service Unavailable</title></head>"
    b"<body><h1>Service Unavailable</h1><p>Please try again later.</p>"
    b"</body></html>\n"
)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "faultserver"

    def log_message(self, format, *args):
        pass  # one line per request goes to the server's log instead

    def do_HEAD(self):
        self.handle_request(head=True)

    def do_GET(self):
        self.handle_request(head=False)

    def handle_request(self, head):
        self.head = head
        self.sent = 0
        outcome = "ok"
        status = 0
        try:
            status, outcome = self.dispatch()
        except (BrokenPipeError, ConnectionResetError):
            outcome = "client gone"
            self.close_connection = True
        self.server.log(
            f"{self.command} {self.path} {status} sent={self.sent} {outcome}")

    def dispatch(self):
        raw = urllib.parse.urlsplit(self.path).path
        fault, _, rest = raw.lstrip("/").partition("/")
        if fault == "notfound":
            return self.page(404, NOT_FOUND_PAGE), "ok"
        if fault == "errorpage":
            return self.page(200, ERROR_PAGE), "ok"
        if fault == "empty":
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return 200, "ok"
        if fault == "redirect":
            self.send_response(302)
            self.send_header("Location", self.server.redirect_base + "/" + rest)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return 302, "ok"
        if fault not in ("nolength", "truncate", "stall", "oversize"):
            return self.plain_404(f"unknown fault {fault!r}\n"), "ok"
        path = self.file_path(rest)
        if path is None:
            return self.plain_404("file not found\n"), "ok"
        with open(path, "rb") as f:
            size = os.fstat(f.fileno()).st_size
            return 200, getattr(self, "serve_" + fault)(f, size)

    def file_path(self, rest):
        """The file under the root that `rest` names, or None."""
        relative = urllib.parse.unquote(rest)
        root = os.path.realpath(self.server.root)
        path = os.path.realpath(os.path.join(root, relative))
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            return None
        return path

    def page(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.write(body)
        return status

    def plain_404(self, text):
        body = text.encode()
        self.send_response(404)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.write(body)
        return 404

    def file_headers(self, length):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    def serve_nolength(self, f, size):
        # A body delimited by the end of the connection, as HTTP/1.0 has it.
        self.protocol_version = "HTTP/1.0"
        self.file_headers(None)
        self.send_file(f, size)
        return "ok"

    def serve_truncate(self, f, size):
        self.file_headers(size)
        self.send_file(f, size // 2)
        self.end_early()
        return "truncated"

    def serve_oversize(self, f, size):
        self.file_headers(max(size - OVERSIZE_SHORTFALL, 0))
        self.send_file(f, size)
        return "oversized"

    def serve_stall(self, f, size):
        self.file_headers(size)
        self.send_file(f, min(STALL_BYTES, max(size - 1, 0)))
        if self.head:
            return "ok"
        # Wait for the client to close (the socket turns readable with no
        # data) without holding up other requests: each has its own thread.
        deadline = time.monotonic() + STALL_LIMIT_SECONDS
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 1.0)
            if readable:
                try:
                    if not self.connection.recv(65536):
                        return "stalled, client gone"
                except OSError:
                    return "stalled, client gone"
        self.end_early()
        return "stalled, timed out"

    def write(self, body):
        if not self.head:
            self.wfile.write(body)
            self.sent += len(body)

    def send_file(self, f, count):
        if self.head or count <= 0:
            return
        self.wfile.flush()
        self.sent += self.connection.sendfile(f, 0, count)

    def end_early(self):
        # A clean close (FIN) after the bytes sent: the request was read in
        # full, so nothing unread turns the close into a reset.
        try:
            self.connection.shutdown(socket.SHUT_WR)
        except OSError:
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, root, redirect_base, log_path):
        super().__init__(("127.0.0.1", 0), Handler)
        self.root = root
        self.redirect_base = redirect_base.rstrip("/")
        self.log_file = open(log_path, "a", buffering=1)
        self.log_lock = threading.Lock()

    def log(self, line):
        stamp = time.strftime("%H:%M:%S")
        with self.log_lock:
            self.log_file.write(f"{stamp} {line}\n")


def write_atomically(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser(description="The scripted fault web server.")
    parser.add_argument("--root", required=True)
    parser.add_argument("--redirect-base", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--pid-file", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    server = Server(args.root, args.redirect_base, args.log)
    write_atomically(args.pid_file, f"{os.getpid()}\n")
    write_atomically(args.port_file, f"{server.server_address[1]}\n")
    server.log(f"listening on 127.0.0.1:{server.server_address[1]}")
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
