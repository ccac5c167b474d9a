#!/usr/bin/env python3
"""A local update server for the demo and the tests (Python standard library only).

It answers the update check "getupdate_v3.php" on 127.0.0.1 with one reply form, chosen on the
command line, for every request:

  package            200, a package body (application/octet-stream) with its length
  package-save       the same, with "PNU-UpdaterSend: 1" (the updater keeps it as its source)
  package-slow       the package reply in two halves: the second only once the file named by
                     --release-file exists (so a download can be seen part-way), at most 60 s later
  uptodate           200 text reply, PNU-FailType 2 ("up to date")
  refused-location   200 text reply, PNU-FailType 1 with a PNU-DownloadLocation
  refused            200 text reply, PNU-FailType 1 without a download location
  no-failtype        200 text reply without any PNU header
  short              200 package reply that announces more bytes than it sends, then closes
  trickle            the package reply's header, then its body one byte a second for as long as
                     the client stays
  notfound           404 Not Found
  nohttp             a status line without "HTTP"
  close              closes each connection at once, without reading or answering

Any other path than ".../getupdate_v3.php" gets 404. Each request is appended to the request
log (--request-log) as one JSON object: the request line, the path and the decoded query values.
"""

import argparse
import json
import os
import signal
import socket
import socketserver
import sys
import threading
import time
import urllib.parse

FORMS = ["package", "package-save", "package-slow", "uptodate", "refused-location", "refused", "no-failtype",
         "short", "trickle", "notfound", "nohttp", "close"]


def text_reply(headers, body=b"No update delivered.\n"):
    lines = ["HTTP/1.0 200 OK", "Content-Type: text/plain", "Content-Length: %d" % len(body)]
    lines += ["%s: %s" % pair for pair in headers]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body


def package_reply(package, extra=()):
    lines = ["HTTP/1.0 200 OK", "Content-Type: application/octet-stream",
             "Content-Length: %d" % len(package)]
    lines += ["%s: %s" % pair for pair in extra]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + package


def build_reply(form, options):
    if form in ("package", "package-slow", "trickle"):
        return package_reply(options.package_bytes)
    if form == "package-save":
        return package_reply(options.package_bytes, [("PNU-UpdaterSend", "1")])
    if form == "uptodate":
        return text_reply([("PNU-FailType", "2"), ("PNU-FailReason", options.reason or
                           "Your Pintrel 2 is up to date."), ("PNU-Protocol", "4")])
    if form == "refused-location":
        return text_reply([("PNU-FailType", " 1 "), ("PNU-FailReason", options.reason or
                           "This version must be updated by hand."),
                           ("PNU-DownloadLocation", options.location)])
    if form == "refused":
        return text_reply([("PNU-FailType", "1"), ("PNU-FailReason", options.reason or
                           "No update is offered for this build.")])
    if form == "no-failtype":
        return text_reply([])
    if form == "short":
        body = options.package_bytes
        head = ("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                "Content-Length: %d\r\n\r\n" % (len(body) * 2 + 100)).encode("latin-1")
        return head + body[: max(1, len(body) // 2)]
    if form == "notfound":
        return not_found()
    if form == "nohttp":
        return b"XTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nnothing\r\n"
    raise ValueError(form)


def not_found():
    body = b"Not found\n"
    return (b"HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: %d\r\n\r\n"
            % len(body)) + body


def wait_for_release(path, limit=60.0):
    deadline = time.monotonic() + limit
    while path and not os.path.exists(path) and time.monotonic() < deadline:
        time.sleep(0.02)


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        options = self.server.options
        if options.form == "close":
            return
        data = b""
        self.request.settimeout(10)
        try:
            while b"\r\n\r\n" not in data and len(data) < 65536:
                piece = self.request.recv(4096)
                if not piece:
                    break
                data += piece
        except OSError:
            return
        request_line = data.split(b"\r\n", 1)[0].decode("latin-1")
        parts = request_line.split(" ")
        target = parts[1] if len(parts) >= 2 else ""
        url = urllib.parse.urlsplit(target)
        query = urllib.parse.parse_qsl(url.query, keep_blank_values=True)
        self.record({"request": request_line, "path": url.path, "query": query})
        slow = False
        trickle = False
        if url.path.endswith("/getupdate_v3.php"):
            reply = build_reply(options.form, options)
            slow = options.form == "package-slow"
            trickle = options.form == "trickle"
        else:
            reply = not_found()
        try:
            if trickle:
                body_start = len(reply) - len(options.package_bytes)
                self.request.sendall(reply[:body_start])
                for index in range(body_start, len(reply)):
                    time.sleep(1)
                    self.request.sendall(reply[index:index + 1])
                reply = b""
            if slow:
                # Headers and the first half of the body, then the rest once released.
                split = len(reply) - len(options.package_bytes) // 2
                self.request.sendall(reply[:split])
                wait_for_release(options.release_file)
                reply = reply[split:]
            self.request.sendall(reply)
            self.request.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    def record(self, entry):
        if self.server.options.request_log:
            with open(self.server.options.request_log, "a", encoding="utf-8") as log:
                log.write(json.dumps(entry) + "\n")


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--reply", dest="form", choices=FORMS, default="package")
    parser.add_argument("--port", type=int, default=18080, help="0 picks a free port")
    parser.add_argument("--package", help="the package file sent by the package forms")
    parser.add_argument("--reason", help="the PNU-FailReason text of the refusals")
    parser.add_argument("--location", default="http://127.0.0.1/pintrel2/download.html",
                        help="the PNU-DownloadLocation of refused-location")
    parser.add_argument("--release-file", help="package-slow sends its second half once this exists")
    parser.add_argument("--request-log", help="append each request here as a JSON line")
    parser.add_argument("--port-file", help="write the port here once listening")
    options = parser.parse_args(argv)

    options.package_bytes = b"PN2SQUSH demo package\n"
    if options.package:
        with open(options.package, "rb") as package:
            options.package_bytes = package.read()

    server = Server(("127.0.0.1", options.port), Handler)
    server.options = options
    port = server.server_address[1]
    if options.port_file:
        with open(options.port_file + ".part", "w") as port_file:
            port_file.write("%d\n" % port)
        os.replace(options.port_file + ".part", options.port_file)
    print("update server: %s replies on 127.0.0.1:%d" % (options.form, port), flush=True)

    # The loop is asked to end from a thread of its own: an exception raised in the handler could
    # land in code that ignores it (a finaliser) and leave the server running.
    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()
    signal.signal(signal.SIGTERM, stop)
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
