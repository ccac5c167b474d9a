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
import sys
import tempfile
import time

from updater_layout import DONE_LINE, JOURNAL, READY_LINE, DemoLayout, fail

FILES = 240
ADDED = 20
FILE_SIZE = 4096
STEP_LINES = [
    ("write", "Writing the new files..."),
    ("keep", "Keeping the old files..."),
    ("place", "Moving the new files into place..."),
    ("remove", "Removing the old files..."),
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

    def wait_for_time(self, process, text):
        """When the line appeared, or None."""
        return time.monotonic() if self.wait_for_line(process, text) is not None else None

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

        # The timed install: when each step's line appears.
        process = layout.start(layout.package)
        started = {}
        for name, line in STEP_LINES + [("done", DONE_LINE)]:
            started[name] = layout.wait_for_time(process, line)
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
                if layout.wait_for_time(process, line) is None:
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
                ready = layout.wait_for_time(process, READY_LINE)
                layout.stop(process)
                if ready is None:
                    fail("the plain start did not get ready %s:\n%s" % (when, "\n".join(layout.read_log())))
                outcomes.add(layout.check_product(when))
        # How many kills land inside the short steps depends on the machine; the write step alone
        # lasts long enough everywhere.
        if interrupted < 1:
            fail("no kill cut an install off; the steps took %s" % durations)
        print("ok: %d of 8 kills cut the install off (journal, .tmp and .old files left: %s), the restarts left "
              "the product %s; steps took %s" % (interrupted, states, " or ".join(sorted(outcomes)),
                                                {name: round(value, 3) for name, value in durations.items()}))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
