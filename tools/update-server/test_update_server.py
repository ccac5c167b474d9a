"""The local update server: each reply form as the updater's HTTP client receives it."""

import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


class ServerForms(unittest.TestCase):
    def start(self, form, *extra):
        folder = tempfile.mkdtemp()
        self.port_file = os.path.join(folder, "port")
        self.request_log = os.path.join(folder, "requests")
        self.package = os.path.join(folder, "demo.pnu")
        with open(self.package, "wb") as package:
            package.write(b"PN2SQUSH" + bytes(range(256)) * 4)
        self.server = subprocess.Popen(
            [sys.executable, "-B", os.path.join(HERE, "update_server.py"), "--reply", form, "--port", "0",
             "--port-file", self.port_file, "--request-log", self.request_log, "--package", self.package]
            + list(extra), stdout=subprocess.DEVNULL)
        self.addCleanup(self.stop)
        # A busy machine can take seconds to start Python: only a server that never listens makes
        # this wait out its minute.
        deadline = time.monotonic() + 60
        while not os.path.exists(self.port_file) and time.monotonic() < deadline:
            time.sleep(0.02)
        with open(self.port_file) as port_file:
            self.port = int(port_file.read())

    def stop(self):
        self.server.terminate()
        try:
            self.assertEqual(self.server.wait(60), 0)
        finally:
            self.server.kill()

    def ask(self, target="/getupdate_v3.php?&lang=Deutsch%20x&version=2.0"):
        with socket.create_connection(("127.0.0.1", self.port), timeout=60) as connection:
            request = "GET http://127.0.0.1:%d%s HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent:\r\n\r\n" % (
                self.port, target)
            connection.sendall(request.encode("latin-1"))
            data = b""
            while True:
                piece = connection.recv(65536)
                if not piece:
                    return data
                data += piece

    def test_each_form_answers_as_documented(self):
        expectations = {
            "package": [b"HTTP/1.0 200 OK", b"application/octet-stream"],
            "package-save": [b"PNU-UpdaterSend: 1"],
            "uptodate": [b"text/plain", b"PNU-FailType: 2", b"PNU-FailReason: "],
            "refused-location": [b"PNU-FailType:  1 ", b"PNU-DownloadLocation: http://"],
            "refused": [b"PNU-FailType: 1"],
            "notfound": [b"HTTP/1.0 404 Not Found"],
            "nohttp": [b"XTTP/1.0 200 OK"],
        }
        for form, parts in expectations.items():
            with self.subTest(form=form):
                self.start(form)
                try:
                    reply = self.ask()
                finally:
                    self.stop()
                    self._cleanups.clear()
                for part in parts:
                    self.assertIn(part, reply)
                if form == "refused":
                    self.assertNotIn(b"PNU-DownloadLocation", reply)

    def test_package_is_sent_whole_and_short_form_sends_less_than_announced(self):
        self.start("package")
        head, body = self.ask().split(b"\r\n\r\n", 1)
        with open(self.package, "rb") as package:
            self.assertEqual(body, package.read())
        self.assertIn(b"Content-Length: %d" % len(body), head)
        self.stop()
        self._cleanups.clear()
        self.start("short")
        head, body = self.ask().split(b"\r\n\r\n", 1)
        announced = int(head.split(b"Content-Length: ")[1].split(b"\r\n")[0])
        self.assertLess(len(body), announced)

    def test_slow_form_holds_the_second_half_until_released(self):
        release = os.path.join(tempfile.mkdtemp(), "release")
        self.start("package-slow", "--release-file", release)
        with socket.create_connection(("127.0.0.1", self.port), timeout=60) as connection:
            connection.sendall(b"GET /getupdate_v3.php HTTP/1.0\r\n\r\n")
            # The first half may come in pieces on a busy machine: all of it, then nothing more.
            data = b""
            while b"\r\n\r\n" not in data or len(data.split(b"\r\n\r\n", 1)[1]) < 516:
                piece = connection.recv(65536)
                self.assertTrue(piece)
                data += piece
            connection.settimeout(0.3)
            with self.assertRaises(socket.timeout):
                while True:
                    data += connection.recv(65536)
            head, body = data.split(b"\r\n\r\n", 1)
            self.assertIn(b"Content-Length: 1032", head)
            self.assertEqual(len(body), 1032 - 516)
            open(release, "w").close()
            connection.settimeout(60)
            while True:
                piece = connection.recv(65536)
                if not piece:
                    break
                body += piece
        with open(self.package, "rb") as package:
            self.assertEqual(body, package.read())

    def test_close_form_closes_at_once_and_other_paths_are_not_found(self):
        self.start("close")
        self.assertEqual(self.ask(), b"")
        self.stop()
        self._cleanups.clear()
        self.start("uptodate")
        self.assertIn(b"404", self.ask("/other.php").split(b"\r\n")[0])

    def test_request_values_are_logged_decoded(self):
        self.start("uptodate")
        self.ask()
        with open(self.request_log) as log:
            entry = json.loads(log.readline())
        self.assertEqual(entry["path"], "/getupdate_v3.php")
        self.assertEqual(entry["query"], [["lang", "Deutsch x"], ["version", "2.0"]])


if __name__ == "__main__":
    unittest.main()
