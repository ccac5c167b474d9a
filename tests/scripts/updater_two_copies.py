#!/usr/bin/env python3
"""Two copies of the real updater on one product folder.

A first copy installs a package of many files; once its log shows the write step under way it is
held (SIGSTOP; tried again should its install have ended by then) and a second copy is started with the same package. The second says twice, at its
start and at its install, that another copy is updating, and changes nothing in the folder. The
first, let go on, installs every file; the log then holds the first copy's lines whole and in order
with the second's in one piece among them, and no unit of zeros. A third start finds nothing to
repair. Then a first copy killed in its write step leaves the lock free; while a link, a dangling
link, a folder or a pipe stands at the lock's name, starts say in red that they could not repair and
touch nothing; once the lock file is back, the next start repairs the cut-off install. A package
that carries a file of the lock's name is refused.

    updater_two_copies.py SOURCE_DIR BUILD_DIR
"""
import os
import shutil
import signal
import sys
import tempfile

from updater_kill import Layout
from updater_layout import DONE_LINE, JOURNAL, READY_LINE, fail

ANOTHER_COPY = "Another copy of the updater is updating this product."
NOT_INSTALLED = "The update file could not be installed."
NO_REPAIR = "The updater could not look for an interrupted update to repair: "
LOCK = ".pintrel-update-lock"
REPAIRED = "An interrupted update"
# Files the first copy has written when it is held.
WRITTEN = 20
# Tries at holding the first copy while its install is under way.
TRIES = 5
WAIT = 120.0
# Every copy started, so that none outlives a failed check.
STARTED = []
# Stops that came after the install had ended.
LATE = []


def folder_state(layout):
    """Every entry of the installation but the updater's bundle, with what identifies its content."""
    state = {}
    for folder, _, names in os.walk(layout.work):
        if "Pintrel Updater.app" in folder or folder.startswith(layout.pristine):
            continue
        for name in names:
            info = os.lstat(os.path.join(folder, name))
            state[os.path.join(folder, name)] = (info.st_ino, info.st_size, info.st_mtime_ns)
    return state


def log_text(layout):
    return "\n".join(line.replace("\0", "") for line in layout.read_log())


def start(layout, *arguments, keep_log=False):
    process = layout.start(*arguments, keep_log=keep_log)
    STARTED.append(process)
    return process


def held_in_write_step(layout):
    """A first copy stopped while it installs. Its journal stands from its write step until its
    install ends, so it tells whether the stop came in time; the tries after one too late start
    from the old product again."""
    for _ in range(TRIES):
        layout.reset()
        first = start(layout, layout.package)
        if not layout.wait_for_files(first, "Written: ", WRITTEN, deadline=WAIT):
            fail("the first copy did not reach its write step:\n" + log_text(layout))
        first.send_signal(signal.SIGSTOP)
        if os.path.exists(os.path.join(layout.work, JOURNAL)):
            return first
        LATE.append(first)
        first.send_signal(signal.SIGCONT)
        layout.wait_for_line(first, DONE_LINE, deadline=WAIT)
        layout.stop(first)
    fail("the first copy's install ended before it could be held, %d times" % TRIES)


def solo_log(layout):
    """The log of the package installed by one copy alone."""
    layout.reset()
    process = start(layout, layout.package)
    if layout.wait_for_line(process, DONE_LINE, deadline=WAIT) is None:
        fail("the install alone did not end:\n" + log_text(layout))
    layout.stop(process)
    return layout.read_log()


def check_shared_log(layout, alone):
    """The first copy's lines are those of an install alone, whole and in order, with the second
    copy's lines in one piece among them, and not one unit of zeros."""
    log = layout.read_log()
    if any("\0" in line for line in log):
        fail("the log holds units of zeros:\n" + log_text(layout))
    extra = len(log) - len(alone)
    blocks = [log[k:k + extra] for k in range(len(alone) + 1) if extra > 0 and log[:k] + log[k + extra:] == alone]
    if not any(sum(line.startswith(ANOTHER_COPY) for line in second) == 2 and NOT_INSTALLED in second
               for second in blocks):
        fail("the first copy's lines are not whole and in order around the second's:\n" + log_text(layout))


def two_copies(layout):
    alone = solo_log(layout)
    first = held_in_write_step(layout)
    try:
        before = folder_state(layout)
        second = start(layout, layout.package, keep_log=True)
        ended = layout.wait_for_line(second, NOT_INSTALLED, DONE_LINE, deadline=WAIT)
        log = layout.read_log()
        if ended != NOT_INSTALLED or sum(line.startswith(ANOTHER_COPY) for line in log) != 2:
            fail("the second copy did not say twice that another copy is updating:\n" + log_text(layout))
        if any(line.startswith(REPAIRED) for line in log):
            fail("the second copy repaired the install under way:\n" + log_text(layout))
        if folder_state(layout) != before:
            fail("the second copy changed the installation")
    finally:
        first.send_signal(signal.SIGCONT)
    done = layout.wait_for_line(first, DONE_LINE, deadline=WAIT)
    layout.stop(first)
    layout.stop(second)
    if done is None:
        fail("the first copy did not finish its install:\n" + log_text(layout))
    if layout.check_product("after two copies") != "new":
        fail("the first copy's install did not install every file")
    check_shared_log(layout, alone)

    third = start(layout)
    ready = layout.wait_for_line(third, READY_LINE, deadline=WAIT)
    layout.stop(third)
    log = layout.read_log()
    if ready is None or any(line.startswith((REPAIRED, ANOTHER_COPY)) for line in log):
        fail("the third start did not find the product whole and free:\n" + log_text(layout))
    if layout.check_product("after a third start") != "new":
        fail("the third start changed the product")


def lock_name_objects(layout):
    """Each object no lock file is, at the lock's name over a cut-off install: every start says in
    red that it could not repair, follows nothing, opens no pipe and changes nothing."""
    lock = os.path.join(layout.work, LOCK)
    outside = os.path.join(layout.work, "outside.txt")
    with open(outside, "w") as target:
        target.write("outside")
    kinds = [("link", lambda: os.symlink(outside, lock)),
             ("dangling link", lambda: os.symlink(os.path.join(layout.work, "nothing"), lock)),
             ("folder", lambda: os.mkdir(lock)), ("pipe", lambda: os.mkfifo(lock))]
    os.remove(lock)
    for name, make in kinds:
        make()
        before = folder_state(layout)
        process = start(layout)
        ready = layout.wait_for_line(process, READY_LINE, deadline=WAIT)
        layout.stop(process)
        expected = NO_REPAIR + lock + ": it is not a regular file"
        if ready is None or expected not in layout.read_log():
            fail("%s at the lock's name: no line %r:\n%s" % (name, expected, log_text(layout)))
        if folder_state(layout) != before or not os.path.exists(os.path.join(layout.work, JOURNAL)):
            fail("%s at the lock's name: the start changed the installation" % name)
        if os.path.lexists(os.path.join(layout.work, "nothing")):
            fail("the dangling link at the lock's name was followed")
        if os.path.isdir(lock):
            os.rmdir(lock)
        else:
            os.remove(lock)
    with open(outside) as target:
        if target.read() != "outside":
            fail("the file a link at the lock's name leads to changed")
    os.remove(outside)


def killed_holder(layout):
    first = held_in_write_step(layout)
    first.kill()
    first.wait()
    lock_name_objects(layout)
    # Killed in the write step, as a rule; a kill after it is completed instead of undone.
    finishing = layout.cut_off_state()[0] == "finish"
    repaired, product = ("completed", "new") if finishing else ("undone", "old")
    second = start(layout)
    ready = layout.wait_for_line(second, READY_LINE, deadline=WAIT)
    layout.stop(second)
    log = layout.read_log()
    if ready is None or any(line.startswith(ANOTHER_COPY) for line in log) \
            or not any(line.startswith("%s was %s" % (REPAIRED, repaired)) for line in log):
        fail("the start after a killed install did not take the lock and repair:\n" + log_text(layout))
    if layout.check_product("after the killed copy's install was repaired") != product:
        fail("the killed copy's install was not %s" % repaired)
    return "finish" if finishing else "undo"


def lock_name_in_package(layout):
    """A package that would write over the lock file is refused before anything is written."""
    layout.reset()
    source = os.path.join(layout.work, "lock-source")
    with open(source, "w") as text:
        text.write("not a lock")
    package = layout.pack(os.path.join(layout.work, "lock.pnu"),
                          [("/Pintrel 2.app/Contents/Resources/f000.txt", source), ("/" + LOCK, source)])
    before = folder_state(layout)
    log = layout.run_install(package)
    expected = 'Refused: Entry 1 "/' + LOCK + '": the name is not acceptable'
    if expected not in log:
        fail("the package carrying the lock file was not refused:\n" + "\n".join(log))
    if folder_state(layout) != before:
        fail("the package carrying the lock file changed the installation")


def main():
    source_dir, build_dir = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    try:
        layout = Layout(source_dir, build_dir, work)
        two_copies(layout)
        state = killed_holder(layout)
        lock_name_in_package(layout)
        print("ok: the second copy left the product alone, the first installed every file, and a killed "
              "copy's lock was free for the next start, which found its journal in state %s, once the objects at the lock's "
              "name were gone; %d stops came late"
              % (state, len(LATE)))
    finally:
        for process in STARTED:
            if process.poll() is None:
                process.send_signal(signal.SIGCONT)
                process.kill()
                process.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
