#!/usr/bin/env python3
"""The real updater given packages that must not install, and a disk that fills up.

- a file below a symlinked folder that leads out of the install folder is refused, nothing is
  written outside;
- a file named like an existing folder is refused, the folder stays;
- a package whose files do not fit on a small tmpfs (in a private mount namespace, where one can
  be made) is refused before anything is written, the red line naming both figures; a disk that
  fills while the files are written (a file size limit: RLIMIT_FSIZE, "File too large") fails the
  write step with the path and the system's reason, and the ".tmp" files written so far are
  removed;
- a small package announcing more than fits is refused before anything is written, with a red line
  naming both figures: an archive of 4 GiB under a 3 GiB address-space limit, and an index whose
  files add up to more than the disk of the install folder has free;
- an install folder with ":" in its path works;
- a journal planted with a link in the product (a folder leading outside, the files there
  identified as the install's own) makes the repair of a plain start touch nothing outside;
- a pipe at a file the start reads never holds the start up: it goes the way of an unreadable
  file, and the pipe stays.

    updater_hostile.py SOURCE_DIR BUILD_DIR
"""
import os
import re
import resource
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile
import time

from updater_layout import DONE_LINE, JOURNAL, READY_LINE, DemoLayout, fail

WRITE_FAILED = "The new files could not be written."
NO_MEMORY = re.compile(r"The update needs (\d+) bytes of memory, but only (\d+) bytes can be had\.$")
NO_SPACE = re.compile(r"The update needs (\d+) bytes on the disk of the install folder, but only (\d+) bytes are free\.$")
CONTENTS = "/Pintrel 2.app/Contents"
# What the tmpfs case tells its parent when no tmpfs can be mounted here.
NO_MOUNT = 77


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)
    return path


def product_files(layout):
    found = {}
    for folder, _, names in os.walk(layout.product):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as file:
                found[os.path.relpath(path, layout.product)] = file.read()
    return found


def expect_line(log, start, contains, case):
    for line in log:
        if line.startswith(start) and contains in line:
            return line
    fail("%s: no line %r ... %r in the log:\n%s" % (case, start, contains, "\n".join(log)))


def symlinked_folder(source_dir, build_dir, work):
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "symlink"))
    outside = os.path.join(work, "outside")
    os.mkdir(outside)
    os.symlink(outside, os.path.join(layout.product, "Contents/Linked"))
    before = product_files(layout)
    package = layout.pack(os.path.join(work, "linked.pnu"),
                          [(CONTENTS + "/Linked/new.txt", write(os.path.join(work, "new.txt"), b"escaped"))])
    log = layout.run_install(package)
    expect_line(log, WRITE_FAILED, "Linked/new.txt: its folder leads out of the install folder", "symlink")
    if os.listdir(outside):
        fail("symlink: written outside the install folder: %s" % os.listdir(outside))
    if product_files(layout) != before or layout.own_leftovers():
        fail("symlink: the product changed")


def file_over_folder(source_dir, build_dir, work):
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "folder"))
    before = product_files(layout)
    package = layout.pack(os.path.join(work, "folder.pnu"),
                          [(CONTENTS + "/Resources", write(os.path.join(work, "resources"), b"a file"))])
    log = layout.run_install(package)
    expect_line(log, WRITE_FAILED, "Contents/Resources: a folder stands where the file goes", "folder")
    if product_files(layout) != before or layout.own_leftovers():
        fail("folder: the product changed: %s" % sorted(product_files(layout)))


def refused_for_room(layout, package, pattern, case, preexec_fn=None):
    """Runs the install, which must stop at the red line the pattern matches, nothing written;
    the two figures of that line."""
    before = product_files(layout)
    process = layout.start(package, preexec_fn=preexec_fn)
    ended = layout.wait_for_line(process, "The update needs", DONE_LINE, "The new files could not",
                                 "The contents of the update", "The update file")
    layout.stop(process)
    match = pattern.match(ended or "")
    if not match:
        fail("%s: no refusal naming both figures:\n%s" % (case, "\n".join(layout.read_log())))
    if [entry for entry in layout.read_log() if entry.startswith("Written: ")]:
        fail("%s: files were written" % case)
    if layout.own_leftovers() or product_files(layout) != before:
        fail("%s: the product changed; leftovers %s" % (case, layout.own_leftovers()))
    return int(match.group(1)), int(match.group(2))


def full_disk_case(source_dir, build_dir, work, sources, limit_file_size):
    """The install on a nearly full disk: refused before writing on a disk the files do not fit
    on; failing in the write step under a file size limit, which a free-space figure cannot see.
    The package is made in sources, off that disk."""
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "disk"))
    before = product_files(layout)
    os.makedirs(sources, exist_ok=True)
    files = [(CONTENTS + "/Resources/small%d.txt" % i, write(os.path.join(sources, "small%d" % i), b"s" * 100))
             for i in range(3)]
    files.append((CONTENTS + "/Resources/large.bin", write(os.path.join(sources, "large"), os.urandom(3 << 20))))
    package = layout.pack(os.path.join(sources, "disk.pnu"), files)
    if not limit_file_size:
        free_before = shutil.disk_usage(work).free
        needed, free = refused_for_room(layout, package, NO_SPACE, "full disk")
        if not needed > 3 << 20 or free > free_before:
            fail("full disk: the figures %d and %d do not fit a %d-byte disk" % (needed, free, free_before))
        if shutil.disk_usage(work).free < free_before - (64 << 10):
            fail("full disk: the space was not given back")
        return "refused, %d bytes needed and %d free" % (needed, free)

    def preexec():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))
    log = layout.run_install(package, preexec_fn=preexec)
    line = expect_line(log, WRITE_FAILED, "large.bin.tmp: File too large", "full disk")
    written = [entry for entry in log if entry.startswith("Written: ")]
    if any("large" in entry for entry in written):
        fail("full disk: the failed file is logged as written: %s" % written)
    if layout.own_leftovers() or product_files(layout) != before:
        fail("full disk: leftovers %s" % layout.own_leftovers())
    return line


def full_disk(source_dir, build_dir, work):
    """A tmpfs just large enough for the installation, in a mount namespace of its own (where one
    can be made), then the file size limit."""
    sources = os.path.join(work, "sources")
    inner = subprocess.run(["unshare", "-rm", sys.executable, __file__, "--tmpfs", source_dir, build_dir,
                            os.path.join(work, "tmpfs"), sources], capture_output=True, text=True)
    if inner.returncode not in (0, NO_MOUNT):
        fail(inner.stdout + inner.stderr)
    tmpfs = "tmpfs " + inner.stdout.strip() if inner.returncode == 0 else "no tmpfs here"
    limit = full_disk_case(source_dir, build_dir, os.path.join(work, "limit"), sources, True)
    return "%s; file size limit: %s" % (tmpfs, limit)


FIELD_MARKER = bytes([0x8F, 0x6A, 0x54, 0xE1, 0x1E, 0x45, 0xA6, 0x00])
END_MARKER = bytes([0x8F, 0x7A, 0x54, 0xE1, 0x1E, 0x45, 0xA7, 0x00])
LARGEST_FILE = 100000000


def units(text):
    return text.encode("utf-16-le")


def hostile_package(index_sizes, raw_length=None):
    """A package built by hand: an archive with the usual instruction lines and an index of
    ("/zNNNN", size) entries but no records, coded with method 8 as literals only. raw_length
    replaces the length the frame announces."""
    text = units("\ufeffTYPE=FULL\rOS=OSX\rBUILD=FULL\r")
    index = struct.pack("<i", len(index_sizes))
    for number, size in enumerate(index_sizes):
        index += struct.pack("<Q", size) + FIELD_MARKER + units("/z%04d" % number) + b"\0\0" + FIELD_MARKER
    archive = (b"PN2USQSH" + struct.pack("<iII", 4, len(index), len(text) // 2) + text + struct.pack("<I", 0)
               + END_MARKER + index + END_MARKER)
    escape = 0xFF
    payload = bytes([escape]) + archive.replace(bytes([escape]), bytes([escape, 0]))
    length = len(archive) if raw_length is None else raw_length
    return b"PN2SQUSH" + struct.pack("<I", 1) + struct.pack(">I", length) + payload + b"PN2SQUSH"


def sanitized(build_dir):
    """Whether the build runs under the sanitizers, which map terabytes of shadow memory at start:
    no address-space limit lets such a program run at all."""
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as cache:
            return "PNU_SANITIZE:BOOL=ON" in cache.read()
    except OSError:
        return False


def announces_too_much(source_dir, build_dir, work):
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "announces"))
    if sanitized(build_dir):
        memory = "the memory case runs in the build without the sanitizers"
    else:
        # An archive of 4 GiB from 300 bytes, where a 3 GiB address space is all the program may map.
        package = write(os.path.join(work, "four-gib.pnu"), hostile_package([10], raw_length=0xFFFFFFFF))
        needed, available = refused_for_room(
            layout, package, NO_MEMORY, "memory",
            preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (3 << 30, 3 << 30)))
        if needed < 0xFFFFFFFF or not 0 < available < 3 << 30:
            fail("memory: the figures %d and %d" % (needed, available))
        memory = "%d bytes needed, %d can be had" % (needed, available)
    # Files of the largest size, as many as the disk of the install folder cannot take even if
    # others free 4 GB of it meanwhile.
    free = shutil.disk_usage(work).free
    count = (free + (4 << 30)) // LARGEST_FILE + 1
    if count * 38 > 65536:
        return "%s; the disk's %d free bytes are more than an index can claim" % (memory, free)
    package = write(os.path.join(work, "too-many.pnu"), hostile_package([LARGEST_FILE] * count))
    needed_on_disk, free_on_disk = refused_for_room(layout, package, NO_SPACE, "disk")
    if needed_on_disk < count * LARGEST_FILE or free_on_disk >= needed_on_disk:
        fail("disk: the figures %d and %d" % (needed_on_disk, free_on_disk))
    return "%s; %d bytes needed on the disk, %d free (a %d-byte package)" % (
        memory, needed_on_disk, free_on_disk, os.path.getsize(package))


def inside_tmpfs(source_dir, build_dir, mount_point, sources):
    os.makedirs(mount_point)
    bundle = os.path.join(build_dir, "Pintrel Updater.app")
    used = sum(os.path.getsize(os.path.join(f, n)) for f, _, names in os.walk(bundle) for n in names)
    size = used + (2 << 20)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % size, "none", mount_point],
                      capture_output=True).returncode != 0:
        sys.exit(NO_MOUNT)
    print(full_disk_case(source_dir, build_dir, os.path.join(mount_point, "install"), sources, False))


def colon_in_folder(source_dir, build_dir, work):
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "Apps:2026"))
    log = layout.run_install(os.path.join(layout.work, "demo-update.pnu"))
    if DONE_LINE not in log:
        fail("colon: the install did not complete:\n" + "\n".join(log))
    with open(os.path.join(layout.resources, "readme.txt")) as readme:
        if readme.read() != "Pintrel 2, version 2.0.2\n":
            fail("colon: the read-me file was not replaced")


REPAIR_LINES = ("An interrupted update", "A record of an interrupted update", "A damaged record")


def planted_journal(source_dir, build_dir, work):
    """A folder of the product that is a link to the outside, and a journal naming files beneath
    it as an install leaves them, the files outside identified as its own: the one an interrupted
    install was finishing with (".tmp" files to place, ".old" files to remove) and the one it was
    undoing (placed files, ".old" files to put back)."""
    plants = {
        # state: the files outside, and the file each entry (x kept, y new) names as its new one
        "finish": (("x", "x.old", "x.tmp", "y.tmp"), ("x.tmp", "y.tmp")),
        "undo": (("x", "x.old", "y"), ("x", "y")),
    }
    for state, (names, written) in plants.items():
        case = "planted journal, " + state
        layout = DemoLayout(source_dir, build_dir, os.path.join(work, "planted-" + state))
        outside = os.path.join(work, "outside-" + state)
        os.mkdir(outside)
        for name in names:
            write(os.path.join(outside, name), ("outside " + name).encode())
        os.symlink(outside, os.path.join(layout.product, "Contents/Plug-ins"))
        before = product_files(layout)
        folder = "/" + os.path.basename(layout.product) + "/Contents/Plug-ins/"
        with open(os.path.join(layout.work, JOURNAL), "w") as journal:
            journal.write("Pintrel Updater install journal 2\nstate %s\nfolder %s\n" % (state, layout.work))
            for kind, name, new in zip(("file", "new"), ("x", "y"), written):
                identity = os.stat(os.path.join(outside, new))
                journal.write("%s %d %d %d %s%s\n" % (kind, identity.st_dev, identity.st_ino, identity.st_size,
                                                     folder, name))
            journal.write("end\n")
        process = layout.start()
        line = layout.wait_for_line(process, *REPAIR_LINES)
        layout.stop(process)
        if line is None:
            fail("%s: no repair line in the log:\n%s" % (case, "\n".join(layout.read_log())))
        outside_now = {name: open(os.path.join(outside, name), "rb").read() for name in os.listdir(outside)}
        if outside_now != {name: ("outside " + name).encode() for name in names}:
            fail("%s: files outside the install folder changed (%s): %s" % (case, line, outside_now))
        if product_files(layout) != before:
            fail("%s: the product changed (%s)" % (case, line))


# Each file the start reads, and what the start shows with a pipe there, as for an unreadable file:
# in its output, or (None) in its log.
START_FILES = (
    ("Pintrel Updater.app/Contents/Resources/PNUpdater.mrf", "[alert] Error."),
    ("Pintrel Updater.app/Contents/Resources/PNUpdater.msf", "[alert] Error."),
    ("Pintrel Updater.app/Contents/UpdateResults.log", "The updater goes on without its log file: "),
    ("Pintrel Updater.app/Contents/testmode", None),
    ("Pintrel 2.app/Contents/Resources/system.msf", "[alert] Pintrel 2 could not be found."),
)


def pipes_at_start_files(source_dir, build_dir, work):
    for number, (name, shown) in enumerate(START_FILES):
        layout = DemoLayout(source_dir, build_dir, os.path.join(work, "pipe-%d" % number))
        pipe = os.path.join(layout.work, name)
        if os.path.exists(pipe):
            os.remove(pipe)
        os.mkfifo(pipe)
        output = os.path.join(work, "pipe-%d.out" % number)
        with open(output, "w") as out:
            process = layout.start(keep_log=True, output=out)
        end = time.monotonic() + 60 * layout.patience
        while not (shown in open(output).read() if shown else READY_LINE in layout.read_log()):
            if time.monotonic() > end:
                layout.stop(process)
                fail("pipe at %s: the start waits:\n%s" % (name, open(output).read()))
            time.sleep(0.01)
        layout.stop(process)
        if not stat.S_ISFIFO(os.lstat(pipe).st_mode):
            fail("pipe at %s: the pipe was replaced" % name)


def main():
    if sys.argv[1] == "--tmpfs":
        inside_tmpfs(*sys.argv[2:6])
        return
    source_dir, build_dir = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    try:
        symlinked_folder(source_dir, build_dir, work)
        file_over_folder(source_dir, build_dir, work)
        colon_in_folder(source_dir, build_dir, work)
        planted_journal(source_dir, build_dir, work)
        pipes_at_start_files(source_dir, build_dir, work)
        print("ok; announcing too much: " + announces_too_much(source_dir, build_dir, work))
        print("full disk: " + full_disk(source_dir, build_dir, work))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
