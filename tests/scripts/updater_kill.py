#!/usr/bin/env python3
"""The real updater killed in the middle of installing, then started again plainly.

A timed install first measures how long each file step takes on this machine; then the updater is
killed at points spread over every step, and started again with no document. After that start the
product is whole: every file all old or all new, none missing, the settings table in place, and no
file of the updater's own left behind.

    updater_kill.py SOURCE_DIR BUILD_DIR
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

FILES = 240
ADDED = 20
FILE_SIZE = 4096
PROGRAM = "Pintrel Updater.app/Contents/MacOS/Pintrel Updater"
STEP_LINES = [
    ("write", "Writing the new files..."),
    ("keep", "Keeping the old files..."),
    ("place", "Moving the new files into place..."),
    ("remove", "Removing the old files..."),
]
DONE_LINE = "The update has been installed."
READY_LINE = "WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!"
OWN_SUFFIXES = (".tmp", ".old")
JOURNAL = ".pintrel-update-journal"


def fail(message):
    print(message)
    sys.exit(1)


class Layout:
    def __init__(self, source_dir, build_dir, work):
        self.work = work
        subprocess.run([os.path.join(source_dir, "tools/update-server/make-demo.sh"), build_dir, work, "1"],
                       check=True, stdout=subprocess.DEVNULL)
        self.program = os.path.join(work, PROGRAM)
        self.log = os.path.join(work, "Pintrel Updater.app/Contents/UpdateResults.log")
        self.product = os.path.join(work, "Pintrel 2.app")
        self.resources = os.path.join(self.product, "Contents/Resources")
        self.settings = os.path.join(self.resources, "system.msf")
        for i in range(FILES):
            with open(os.path.join(self.resources, "f%03d.txt" % i), "wb") as out:
                out.write(("old %d\n" % i).encode().ljust(FILE_SIZE, b"o"))
        self.pristine = os.path.join(work, "pristine")
        shutil.copytree(self.product, self.pristine, symlinks=True)
        self.package = os.path.join(work, "big-update.pnu")
        self.make_package(build_dir)

    def make_package(self, build_dir):
        sources = os.path.join(self.work, "sources")
        os.mkdir(sources)
        command = [os.path.join(build_dir, "tools/pnupack/pnupack"), "--line", "TYPE=FULL", "--line", "OS=OSX",
                   "--line", "BUILD=FULL"]
        # The settings table travels with the package, as a full product update carries it.
        command += ["--file", "/Pintrel 2.app/Contents/Resources/system.msf", self.settings, "644"]
        for i in range(FILES + ADDED):
            name = ("f%03d.txt" if i < FILES else "added%03d.txt") % i
            source = os.path.join(sources, name)
            with open(source, "wb") as out:
                out.write(("new %d\n" % i).encode().ljust(FILE_SIZE, b"n"))
            command += ["--file", "/Pintrel 2.app/Contents/Resources/" + name, source, "644"]
        subprocess.run(command + [self.package], check=True)
        shutil.rmtree(sources)

    def reset(self):
        shutil.rmtree(self.product)
        shutil.copytree(self.pristine, self.product, symlinks=True)
        for leftover in os.listdir(self.work):
            if leftover.startswith(JOURNAL):
                os.remove(os.path.join(self.work, leftover))

    def read_log(self):
        try:
            with open(self.log, "rb") as log:
                data = log.read()
        except FileNotFoundError:
            return []
        return data[: len(data) // 2 * 2].decode("utf-16-le", "replace").replace("\n\r", "\n").split("\n")

    def start(self, *arguments):
        if os.path.exists(self.log):
            os.remove(self.log)
        environment = dict(os.environ, PNU_HEADLESS="1", SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
        return subprocess.Popen([self.program, *arguments], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, env=environment)

    def wait_for_line(self, process, text, deadline=30.0):
        """The time the line appeared, or None when the process ended or the deadline passed."""
        end = time.monotonic() + deadline
        while time.monotonic() < end:
            if text in self.read_log():
                return time.monotonic()
            if process.poll() is not None:
                return None
            time.sleep(0.001)
        return None

    def stop(self, process):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def cut_off_state(self):
        """The journal's state and the counts of ".tmp" and ".old" files a kill left behind."""
        journal = os.path.join(self.work, JOURNAL)
        state = "none"
        if os.path.exists(journal):
            with open(journal) as text:
                state = "finish" if "state finish" in text.read() else "undo"
        names = os.listdir(self.resources)
        return state, sum(n.endswith(".tmp") for n in names), sum(n.endswith(".old") for n in names)

    def check_product(self, when):
        """'old' or 'new', or fails the test."""
        if not os.path.isfile(self.settings):
            fail("system.msf is missing %s" % when)
        kinds = set()
        for i in range(FILES + ADDED):
            name = ("f%03d.txt" if i < FILES else "added%03d.txt") % i
            path = os.path.join(self.resources, name)
            if not os.path.exists(path):
                kinds.add("old" if i >= FILES else "missing " + name)
                continue
            with open(path, "rb") as file:
                head = file.read(4)
            kinds.add({b"old ": "old", b"new ": "new"}.get(head, "damaged " + name))
        if len(kinds) != 1 or not kinds <= {"old", "new"}:
            fail("the product is not all old or all new %s: %s" % (when, sorted(kinds)[:6]))
        for folder, _, names in os.walk(self.work):
            if folder.startswith(self.pristine) or "Pintrel Updater.app" in folder:
                continue
            for name in names:
                if name.endswith(OWN_SUFFIXES) or name.startswith(JOURNAL):
                    fail("%s is left %s" % (os.path.join(folder, name), when))
        return kinds.pop()


def main():
    source_dir, build_dir = sys.argv[1], sys.argv[2]
    if not os.access(os.path.join(build_dir, PROGRAM), os.X_OK):
        fail("the updater program is not built")
    work = tempfile.mkdtemp()
    try:
        layout = Layout(source_dir, build_dir, work)

        # The timed install: when each step's line appears.
        process = layout.start(layout.package)
        started = {}
        for name, line in STEP_LINES + [("done", DONE_LINE)]:
            started[name] = layout.wait_for_line(process, line)
            if started[name] is None:
                layout.stop(process)
                fail("the timed install did not reach %r:\n%s" % (line, "\n".join(layout.read_log())))
        layout.stop(process)
        if layout.check_product("after the timed install") != "new":
            fail("the timed install did not install")
        names = [name for name, _ in STEP_LINES]
        durations = {name: started[after] - started[name] for name, after in zip(names, names[1:] + ["done"])}

        interrupted = 0
        outcomes = set()
        states = []
        for name, line in STEP_LINES:
            for fraction in (0.2, 0.7):
                layout.reset()
                process = layout.start(layout.package)
                if layout.wait_for_line(process, line) is None:
                    layout.stop(process)
                    fail("the install did not reach %r" % line)
                time.sleep(durations[name] * fraction)
                process.kill()
                process.wait()
                when = "after a kill %d%% into the %s step" % (fraction * 100, name)
                state = layout.cut_off_state()
                interrupted += state[0] != "none"
                states.append(state)

                process = layout.start()
                ready = layout.wait_for_line(process, READY_LINE)
                layout.stop(process)
                if ready is None:
                    fail("the plain start did not get ready %s:\n%s" % (when, "\n".join(layout.read_log())))
                outcomes.add(layout.check_product(when))
        if interrupted < 4:
            fail("only %d kills cut an install off; the steps took %s" % (interrupted, durations))
        if outcomes != {"old", "new"}:
            fail("every restart ended %s; the steps took %s" % (outcomes, durations))
        print("ok: %d of 8 kills cut the install off (journal, .tmp and .old files left: %s); steps took %s" %
              (interrupted, states, {name: round(value, 3) for name, value in durations.items()}))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
