#!/usr/bin/env python3
"""The real updater killed in the middle of installing, then started again plainly.

A whole install first counts the files each step logs; then the updater is killed once its log
shows a fifth and seven tenths of a step's files done, for every step, and started again with no
document. After that start the
product is whole: every file all old or all new, none missing, the settings table in place, and no
file of the updater's own left behind. A hang-up in the middle of writing asks the program to end
as TERM does: the install finishes, and the program ends with status 0.

    updater_kill.py SOURCE_DIR BUILD_DIR
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from updater_layout import DONE_LINE, JOURNAL, READY_LINE, DemoLayout, fail

FILES = 240
ADDED = 20
FILE_SIZE = 4096
# Each step: its name, the line that starts it, and the start of the line logged for each file.
STEP_LINES = [
    ("write", "Writing the new files...", "Written: "),
    ("keep", "Keeping the old files...", "Kept: "),
    ("place", "Moving the new files into place...", "Placed: "),
    ("remove", "Removing the old files...", "Removed: "),
]


class Layout(DemoLayout):
    def __init__(self, source_dir, build_dir, work):
        super().__init__(source_dir, build_dir, work)
        for i in range(FILES):
            with open(os.path.join(self.resources, "f%03d.txt" % i), "wb") as out:
                out.write(("old %d\n" % i).encode().ljust(FILE_SIZE, b"o"))
        self.pristine = os.path.join(work, "pristine")
        shutil.copytree(self.product, self.pristine, symlinks=True)
        self.package = os.path.join(work, "big-update.pnu")
        self.make_package()

    def make_package(self):
        sources = os.path.join(self.work, "sources")
        os.mkdir(sources)
        # The settings table travels with the package, as a full product update carries it.
        files = [("/Pintrel 2.app/Contents/Resources/system.msf", self.settings)]
        for i in range(FILES + ADDED):
            name = ("f%03d.txt" if i < FILES else "added%03d.txt") % i
            source = os.path.join(sources, name)
            with open(source, "wb") as out:
                out.write(("new %d\n" % i).encode().ljust(FILE_SIZE, b"n"))
            files.append(("/Pintrel 2.app/Contents/Resources/" + name, source))
        self.pack(self.package, files)
        shutil.rmtree(sources)

    def reset(self):
        shutil.rmtree(self.product)
        shutil.copytree(self.pristine, self.product, symlinks=True)
        for leftover in os.listdir(self.work):
            if leftover.startswith(JOURNAL):
                os.remove(os.path.join(self.work, leftover))

    def wait_for_files(self, process, entry, count, deadline=60.0):
        """Whether the log came to show count lines starting with entry before the process ended."""
        end = time.monotonic() + deadline * self.patience
        while time.monotonic() < end:
            if sum(line.startswith(entry) for line in self.read_log()) >= count:
                return True
            if process.poll() is not None:
                return False
            time.sleep(0.001)
        return False

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
        leftovers = self.own_leftovers(skip=(self.pristine,))
        if leftovers:
            fail("%s is left %s" % (leftovers[0], when))
        return kinds.pop()


def main():
    source_dir, build_dir = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    try:
        layout = Layout(source_dir, build_dir, work)

        # The whole install: how many files each step logs.
        process = layout.start(layout.package)
        if layout.wait_for_line(process, DONE_LINE) is None:
            layout.stop(process)
            fail("the whole install did not end:\n%s" % "\n".join(layout.read_log()))
        layout.stop(process)
        if layout.check_product("after the whole install") != "new":
            fail("the whole install did not install")
        log = layout.read_log()
        files = {name: sum(line.startswith(entry) for line in log) for name, _, entry in STEP_LINES}

        layout.reset()
        process = layout.start(layout.package)
        if not layout.wait_for_files(process, "Written: ", max(1, files["write"] // 5)):
            layout.stop(process)
            fail("the install did not reach a fifth of the write step:\n%s" % "\n".join(layout.read_log()))
        process.send_signal(signal.SIGHUP)
        try:
            status = process.wait(60 * layout.patience)
        except subprocess.TimeoutExpired:
            layout.stop(process)
            fail("a hang-up during the install did not end the program")
        if status != 0 or DONE_LINE not in layout.read_log():
            fail("a hang-up during the install ended it with status %d:\n%s"
                 % (status, "\n".join(layout.read_log()[-5:])))
        if layout.check_product("after a hang-up") != "new":
            fail("a hang-up left the product old")

        interrupted = 0
        outcomes = set()
        states = []
        for name, line, entry in STEP_LINES:
            for fraction in (0.2, 0.7):
                layout.reset()
                process = layout.start(layout.package)
                if not layout.wait_for_files(process, entry, max(1, int(files[name] * fraction))):
                    layout.stop(process)
                    fail("the install did not reach %d%% of the %s step:\n%s"
                         % (fraction * 100, name, "\n".join(layout.read_log())))
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
        # A kill can land after a short step's last file, as the program goes on between the look
        # at the log and the kill; a kill a fifth into the write step finds it cut off.
        if interrupted < 1:
            fail("no kill cut an install off; the steps log %s files" % files)
        print("ok: %d of 8 kills cut the install off (journal, .tmp and .old files left: %s), the restarts left "
              "the product %s; the steps log %s files" % (interrupted, states, " or ".join(sorted(outcomes)), files))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
