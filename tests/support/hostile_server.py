#!/usr/bin/env python3
"""A hostile update server for the tests (Python standard library only).

It answers every connection on 127.0.0.1 with one reply form, chosen on the command line:

  endless       200 without a length, then bytes without end
  hugelength    200 with "Content-Length: 1000000000000", then a few bytes, kept open
  chunkhuge     200 chunked, one chunk of 0x7FFFFFF0 bytes, sent without end
  silent        reads the request, then sends nothing and keeps the connection open
  slowheader    the reply header one byte per --interval seconds
  stallbody     the header and half a body of the stated length, then nothing, kept open
  garbage       binary bytes without end, no status line
  garbageclose  binary bytes, then a close
  headerclose   half a reply header, then a close
  flood         a status line, then 100,000 short header lines
  redirect      302 Found with a Location
  nulstatus     a status line of NUL bytes
  longreason    a text refusal whose PNU-FailReason is 20,000 characters long
  longlocation  a refusal whose PNU-DownloadLocation is 20,000 characters long
  chunkcut      a chunked package body cut off by a close before its last chunk
  trickle       200 with a length, then the body one byte per --interval seconds
"""

import argparse
import os
import socket
import socketserver
import time

FORMS = ["endless", "hugelength", "chunkhuge", "silent", "slowheader", "stallbody", "garbage",
         "garbageclose", "headerclose", "flood", "redirect", "nulstatus", "longreason", "longlocation", "chunkcut",
         "trickle"]

BLOCK = bytes(range(256)) * 256


def hold(sock):
    """Keeps the connection open until the client goes."""
    try:
        while sock.recv(65536):
            pass
    except OSError:
        pass


def stream_forever(sock, prefix, block=BLOCK):
    try:
        sock.sendall(prefix)
        while True:
            sock.sendall(block)
    except OSError:
        pass


def reply(form, sock, interval):
    if form == "endless":
        stream_forever(sock, b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
    elif form == "hugelength":
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
                     b"Content-Length: 1000000000000\r\n\r\n" + BLOCK[:1000])
        hold(sock)
    elif form == "chunkhuge":
        stream_forever(sock, b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7FFFFFF0\r\n")
    elif form == "silent":
        hold(sock)
    elif form == "slowheader":
        for byte in b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 4\r\n\r\nPN2S":
            sock.sendall(bytes([byte]))
            time.sleep(interval)
    elif form == "stallbody":
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 2000\r\n\r\n"
                     + BLOCK[:1000])
        hold(sock)
    elif form == "garbage":
        stream_forever(sock, b"\x89\x00\xff\xfe", BLOCK[128:] + BLOCK[:128])
    elif form == "garbageclose":
        sock.sendall(bytes(reversed(BLOCK[:5000])))
    elif form == "headerclose":
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: applica")
    elif form == "flood":
        lines = b"HTTP/1.0 200 OK\r\n" + b"".join(b"X-%d: y\r\n" % i for i in range(100000))
        try:
            sock.sendall(lines + b"\r\n")
        except OSError:
            pass
    elif form == "redirect":
        sock.sendall(b"HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1/elsewhere\r\nContent-Length: 0\r\n\r\n")
    elif form == "nulstatus":
        sock.sendall(b"\x00" * 15 + b"\r\nContent-Type: text/plain\r\n\r\n")
    elif form == "longreason":
        body = b"No update.\n"
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nPNU-FailType: 1\r\nPNU-FailReason: "
                     + b"R" * 20000 + b"\r\nContent-Length: %d\r\n\r\n" % len(body) + body)
    elif form == "trickle":
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 1000\r\n\r\n")
        for byte in BLOCK[:1000]:
            time.sleep(interval)
            sock.sendall(bytes([byte]))
    elif form == "chunkcut":
        sock.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nTransfer-Encoding: chunked\r\n\r\n"
                     b"8\r\nPN2SQUSH\r\n100\r\n" + BLOCK[:100])
    elif form == "longlocation":
        body = b"No update.\n"
        sock.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nPNU-FailType: 1\r\nPNU-FailReason: By hand.\r\n"
                     b"PNU-DownloadLocation: http://127.0.0.1/" + b"L" * 20000
                     + b"\r\nContent-Length: %d\r\n\r\n" % len(body) + body)


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        options = self.server.options
        data = b""
        self.request.settimeout(None)
        try:
            while b"\r\n\r\n" not in data and len(data) < 65536:
                piece = self.request.recv(4096)
                if not piece:
                    return
                data += piece
            reply(options.form, self.request, options.interval)
            self.request.shutdown(socket.SHUT_WR)
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--form", choices=FORMS, required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--interval", type=float, default=1.0, help="seconds between slow bytes")
    options = parser.parse_args()
    server = Server(("127.0.0.1", options.port), Handler)
    server.options = options
    if options.port_file:
        with open(options.port_file + ".part", "w") as port_file:
            port_file.write("%d\n" % server.server_address[1])
        os.replace(options.port_file + ".part", options.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
