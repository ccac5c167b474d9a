#!/usr/bin/env python3
"""The real updater given packages that must not install, and a disk that fills up.

- a file below a symlinked folder that leads out of the install folder is refused, nothing is
  written outside;
- a file named like an existing folder is refused, the folder stays;
- on a full disk the write step fails with the path and the system's reason, and the ".tmp" files
  written so far are removed (a small tmpfs in a private mount namespace where one can be made,
  else a file size limit: RLIMIT_FSIZE, "File too large");
- an install folder with ":" in its path works.

    updater_hostile.py SOURCE_DIR BUILD_DIR
"""
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

from updater_layout import DONE_LINE, DemoLayout, fail

WRITE_FAILED = "The new files could not be written."
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


def full_disk_case(source_dir, build_dir, work, sources, limit_file_size):
    """The install on a nearly full disk; limit_file_size stands in for the full disk. The package
    is made in sources, off that disk."""
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "disk"))
    before = product_files(layout)
    os.makedirs(sources, exist_ok=True)
    files = [(CONTENTS + "/Resources/small%d.txt" % i, write(os.path.join(sources, "small%d" % i), b"s" * 100))
             for i in range(3)]
    files.append((CONTENTS + "/Resources/large.bin", write(os.path.join(sources, "large"), os.urandom(3 << 20))))
    package = layout.pack(os.path.join(sources, "disk.pnu"), files)
    preexec = None
    if limit_file_size:
        def preexec():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 20, 1 << 20))
    free_before = shutil.disk_usage(work).free
    log = layout.run_install(package, preexec_fn=preexec)
    reason = "File too large" if limit_file_size else "No space left on device"
    line = expect_line(log, WRITE_FAILED, "large.bin.tmp: " + reason, "full disk")
    written = [entry for entry in log if entry.startswith("Written: ")]
    if any("large" in entry for entry in written):
        fail("full disk: the failed file is logged as written: %s" % written)
    if layout.own_leftovers() or product_files(layout) != before:
        fail("full disk: leftovers %s" % layout.own_leftovers())
    # Everything written for the install is gone again (a little slack for the log). Only a disk
    # of the test's own can tell.
    if not limit_file_size and shutil.disk_usage(work).free < free_before - (64 << 10):
        fail("full disk: the space was not given back")
    return line


def full_disk(source_dir, build_dir, work):
    """A tmpfs just large enough for the installation, in a mount namespace of its own; the
    file size limit where no such namespace can be made."""
    sources = os.path.join(work, "sources")
    inner = subprocess.run(["unshare", "-rm", sys.executable, __file__, "--tmpfs", source_dir, build_dir,
                            os.path.join(work, "tmpfs"), sources], capture_output=True, text=True)
    if inner.returncode == 0:
        return "tmpfs: " + inner.stdout.strip()
    if inner.returncode != NO_MOUNT:
        fail(inner.stdout + inner.stderr)
    return "file size limit: " + full_disk_case(source_dir, build_dir, os.path.join(work, "limit"), sources, True)


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
        print("ok; full disk by " + full_disk(source_dir, build_dir, work))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
