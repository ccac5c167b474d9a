#!/usr/bin/env python3
"""The real updater's start-up repair and roll-back, through the program.

- a roll-back whose renames back fail (the system made to fail them) keeps the journal and the
  ".old" files and says so in a red line; a plain start afterwards puts every file back;
- a repair that cannot reach a folder of the product (in its place a link to elsewhere, one naming
  nothing, or links in a ring) touches nothing, keeps the journal and every ".old" file and says so
  in red with the way's reason; once the folder is back, the next start puts every file back;
- a journal naming the settings table and the updater's own program, with nothing an install
  leaves beside them, is set aside (one of the version before, which cannot tell the install's
  own files, is removed) and both files stay; the product starts normally after;
- a journal that is a pipe, a folder, a link or larger than any install writes is set aside and
  never waited on; the start goes on, and an install after it works;
- a package naming a file and its ".old" or ".tmp" partner, or the log, is refused before any file
  step: every file of the installation stays as it was (none renamed or removed, the product's own
  ".old" file included), and the log keeps the run's lines.

    updater_journal.py SOURCE_DIR BUILD_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

from updater_layout import DONE_LINE, JOURNAL, PROGRAM, READY_LINE, DemoLayout, fail

RESOURCES = "/Pintrel 2.app/Contents/Resources/"
SET_ASIDE = "A record of an interrupted update was refused and set aside as "
NOT_UNDONE = "The update could not be undone: "
NOT_REACHED = "An interrupted update could not be repaired: "
TRIES_AGAIN = ". The files are left as they are, and the next start of the updater tries again."
FILES = 8
# The largest journal an install writes (the journal's own bound).
LARGEST_JOURNAL = 7 * 65536 + 16384


def read(path):
    with open(path, "rb") as file:
        return file.read()


def start_and_wait(layout, *starts, arguments=(), prefix=()):
    """Starts the program (behind prefix), waits for a log line starting with one of starts and
    for the program to be ready; the log."""
    process = layout.start(*arguments, prefix=prefix)
    found = layout.wait_for_line(process, *starts, deadline=60.0)
    ready = layout.wait_for_line(process, READY_LINE, deadline=60.0)
    layout.stop(process)
    log = layout.read_log()
    if found is None or ready is None:
        fail("no line %r and ready line:\n%s" % (starts, "\n".join(log)))
    return log


def strace_fails_renames():
    """Whether this system lets strace make chosen renames fail."""
    if shutil.which("strace") is None:
        return False
    return subprocess.run(["strace", "-o", "/dev/null", "true"], capture_output=True).returncode == 0


def roll_back_failing(layout, name, names, stuck):
    """Installs new files over the old ones at names (below the product's resources) while the
    system fails to place f5.txt, which rolls the install back, and to put stuck back; the log once
    the red line says so."""
    sources = os.path.join(layout.work, "sources")
    files = []
    for entry in names:
        source = os.path.join(sources, entry)
        os.makedirs(os.path.dirname(source), exist_ok=True)
        for path, text in ((os.path.join(layout.resources, entry), "old "), (source, "new ")):
            with open(path, "w") as file:
                file.write(text + entry)
        files.append((RESOURCES + entry, source))
    package = layout.pack(os.path.join(layout.work, name + ".pnu"), files)
    # Each path in the forms a rename may take: absolute, below the install folder, in its folder.
    prefix = ["strace", "-f", "-o", "/dev/null", "-e", "trace=rename,renameat,renameat2",
              "-e", "inject=rename,renameat,renameat2:error=EIO"]
    for entry in ("f5.txt.tmp", stuck + ".old"):
        for path in (layout.work + RESOURCES + entry, RESOURCES[1:] + entry, os.path.basename(entry)):
            prefix += ["-P", path]
    log = start_and_wait(layout, NOT_UNDONE, arguments=(package,), prefix=prefix)
    if not os.path.isfile(os.path.join(layout.work, JOURNAL)):
        fail(name + ": the journal is gone")
    return log


def expect_all_old(layout, name, names):
    """A plain start undoes the install: every file old, nothing of the updater's left."""
    start_and_wait(layout, "An interrupted update was undone")
    for entry in names:
        if read(os.path.join(layout.resources, entry)) != b"old " + entry.encode():
            fail("%s: %s is not the old file after the next start" % (name, entry))
    if layout.own_leftovers():
        fail("%s: left over after the next start: %s" % (name, layout.own_leftovers()))


def failed_roll_back(source_dir, build_dir, work):
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "rollback"))
    names = ["f%d.txt" % i for i in range(FILES)]
    log = roll_back_failing(layout, "rollback", names, "f1.txt")
    line = next(entry for entry in log if entry.startswith(NOT_UNDONE))
    if layout.resources + "/f1.txt: Input/output error" not in line:
        fail("rollback: the red line names no path and reason: " + line)
    if read(os.path.join(layout.resources, "f1.txt.old")) != b"old f1.txt":
        fail("rollback: the previous f1.txt was not kept")
    expect_all_old(layout, "rollback", names)


def unreachable_folder(source_dir, build_dir, work, links, reason):
    """A roll-back that cannot put sub/g.txt back leaves it for the next start; that start finds
    links (name, text; AWAY the folder outside) where "sub" was, and repairs nothing until the
    folder is back."""
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "unreachable-" + links[0][1]))
    names = ["sub/g.txt"] + ["f%d.txt" % i for i in range(FILES)]
    sub = os.path.join(layout.resources, "sub")
    os.makedirs(sub)
    roll_back_failing(layout, "unreachable", names, "sub/g.txt")
    away = os.path.join(work, "sub-away")
    os.rename(sub, away)
    for name, text in links:
        os.symlink(away if text == "AWAY" else text, os.path.join(layout.resources, name))
    log = start_and_wait(layout, NOT_REACHED, "An interrupted update was undone")
    line = next((entry for entry in log if entry.startswith(NOT_REACHED)), "none")
    if line != NOT_REACHED + sub + "/g.txt: " + reason + TRIES_AGAIN:
        fail("unreachable: the red line names no entry in the folder, its reason or no next start: " + line)
    if any(entry.startswith("An interrupted update was undone") for entry in log):
        fail("unreachable: the repair says it undid the update:\n" + "\n".join(log))
    if not os.path.isfile(os.path.join(layout.work, JOURNAL)):
        fail("unreachable: the journal is gone")
    if read(os.path.join(away, "g.txt.old")) != b"old sub/g.txt":
        fail("unreachable: the previous sub/g.txt was not kept")
    for name, _ in links:
        os.remove(os.path.join(layout.resources, name))
    os.rename(away, sub)
    expect_all_old(layout, "unreachable", names)


def crafted_journal(source_dir, build_dir, work):
    """A journal of this version, and one of the version before, which cannot say which files are
    the install's own: neither touches a file."""
    for version in (2, 1):
        layout = DemoLayout(source_dir, build_dir, os.path.join(work, "crafted%d" % version))
        program = os.path.join(layout.work, PROGRAM)
        before = (read(layout.settings), read(program))
        journal = os.path.join(layout.work, JOURNAL)
        with open(journal, "w") as text:
            text.write("Pintrel Updater install journal %d\nstate undo\nfolder %s\nnew %ssystem.msf\nnew /%s\nend\n"
                       % (version, layout.work, RESOURCES, PROGRAM))
        if version == 2:
            expected = "%s%s.refused-1: it names %s in a way no update does" % (
                SET_ASIDE, journal, layout.work + RESOURCES + "system.msf")
        else:
            expected = "A damaged record of an interrupted update was removed: " + journal
        log = start_and_wait(layout, expected)
        if (read(layout.settings), read(program)) != before:
            fail("crafted %d: the settings table or the program changed" % version)
        if os.path.exists(journal):
            fail("crafted %d: the journal was not set aside" % version)
        log = start_and_wait(layout, READY_LINE)
        if any(line.startswith((SET_ASIDE, "A damaged record")) for line in log):
            fail("crafted %d: the next start repairs again:\n%s" % (version, "\n".join(log)))


def journal_kinds(source_dir, build_dir, work):
    """Each kind of journal no install writes: set aside, the start goes on, an install works."""
    def pipe(path):
        os.mkfifo(path)

    def folder(path):
        os.makedirs(os.path.join(path, "inner"))

    def link(path):
        os.symlink("/dev/zero", path)

    def oversized(path):
        with open(path, "wb") as journal:
            journal.write(b"Pintrel Updater install journal 2\n".ljust(LARGEST_JOURNAL + 1, b"x"))

    def sixty_megabytes(path):
        with open(path, "wb") as journal:
            journal.write(b"Pintrel Updater install journal 2\nstate undo\nfolder /x\n")
            journal.write(b"".join(b"file /f%07d\n" % i for i in range(60 << 20 >> 4)) + b"end\n")

    kinds = [("pipe", pipe, "it is not a regular file"), ("folder", folder, "it is not a regular file"),
             ("link", link, "it is not a regular file"),
             ("oversized", oversized, "it is larger than %d bytes" % LARGEST_JOURNAL),
             ("60 MB", sixty_megabytes, "it is larger than %d bytes" % LARGEST_JOURNAL)]
    timings = []
    for name, make, reason in kinds:
        layout = DemoLayout(source_dir, build_dir, os.path.join(work, name.replace(" ", "")))
        journal = os.path.join(layout.work, JOURNAL)
        make(journal)
        began = time.monotonic()
        log = start_and_wait(layout, SET_ASIDE)
        timings.append("%s %.2f s" % (name, time.monotonic() - began))
        expected = "%s%s.refused-1: %s" % (SET_ASIDE, journal, reason)
        if expected not in log:
            fail("%s: no line %r:\n%s" % (name, expected, "\n".join(log)))
        if os.path.lexists(journal):
            fail("%s: the journal was not set aside" % name)
        log = layout.run_install(os.path.join(layout.work, "demo-update.pnu"))
        if DONE_LINE not in log:
            fail("%s: the install after it did not complete:\n%s" % (name, "\n".join(log)))
    return timings


def refused_names(source_dir, build_dir, work):
    """Packages refused for their names alone, beside the product's own ".old" file."""
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "names"))
    with open(layout.settings + ".old", "w") as own:
        own.write("the product's own")
    source = os.path.join(work, "names-new.txt")
    with open(source, "w") as new:
        new.write("new")
    # Every file by path, with its inode and bytes; the log and the lock are the program's.
    mine = (layout.log, os.path.join(layout.work, ".pintrel-update-lock"))
    def files():
        return {p: (os.lstat(p).st_ino, read(p)) for f, _, names in os.walk(layout.work)
                for p in (os.path.join(f, n) for n in names) if p not in mine}

    settings = RESOURCES + "system.msf"
    for case, names in (("partner", (settings, settings + ".old")), ("temporary", (settings, settings + ".tmp")),
                        ("log", (RESOURCES + "new.txt", layout.log[len(layout.work):]))):
        before = files()
        log = layout.run_install(layout.pack(os.path.join(work, case + ".pnu"), [(n, source) for n in names]))
        refused = 'Refused: Entry 1 "%s": the name is not acceptable' % names[1]
        if refused not in log or READY_LINE not in log or files() != before:
            fail("%s: not refused before any file step, or the log lost its lines:\n%s" % (case, "\n".join(log)))


def main():
    source_dir, build_dir = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    try:
        refused_names(source_dir, build_dir, work)
        crafted_journal(source_dir, build_dir, work)
        timings = journal_kinds(source_dir, build_dir, work)
        rollback = "skipped: strace cannot make renames fail here"
        if strace_fails_renames():
            failed_roll_back(source_dir, build_dir, work)
            # A link leading out is never followed; the folder behind one naming nothing may be back.
            for links, reason in (([("sub", "AWAY")], "its folder leads out of the install folder"),
                                  ([("sub", "gone")], "No such file or directory"),
                                  ([("sub", "ring"), ("ring", "sub")], "Too many levels of symbolic links")):
                unreachable_folder(source_dir, build_dir, work, links, reason)
            rollback = "kept and completed, also past a folder out of reach"
        print("ok; starts until ready with a journal set aside: %s; failed roll-back %s" % (", ".join(timings), rollback))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
