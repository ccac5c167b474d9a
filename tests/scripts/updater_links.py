#!/usr/bin/env python3
"""The real updater and links inside the install folder.

- a framework whose Versions/Current is a link to A is updated through that link: the new file
  lands in A and the link stays;
- a file whose installed name is a link (to a file inside, or to one outside) is replaced by the
  new file, never written through;
- an install rolled back (the system made to fail a later rename) puts those links back; where
  putting a link back fails too, the journal and the link's ".old" stay, and the next plain start
  puts it back;
- a link on the way that climbs out of the install folder, alone or at the end of a chain, is
  refused with its red line, and nothing outside is touched.

    updater_links.py SOURCE_DIR BUILD_DIR
"""
import os
import shutil
import sys
import tempfile

from updater_journal import NOT_UNDONE, start_and_wait, strace_fails_renames
from updater_layout import DONE_LINE, JOURNAL, DemoLayout, fail

CONTENTS = "/Pintrel 2.app/Contents"
LEADS_OUT = "its folder leads out of the install folder"


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as file:
        file.write(text)
    return path


def read(path):
    with open(path) as file:
        return file.read()


def expect_logged(log, text, case):
    if not any(text in line for line in log):
        fail("%s: no line with %r in the log:\n%s" % (case, text, "\n".join(log)))


def linked_product(layout, outside):
    """A framework with Versions/Current -> A, and two files whose names are links: one to a file
    beside it, one to a file outside. The package for them, with one plain file after them."""
    contents = os.path.join(layout.product, "Contents")
    framework = os.path.join(contents, "Frameworks/Brush.framework/Versions")
    write(os.path.join(framework, "A/Brush"), "old brush")
    os.symlink("A", os.path.join(framework, "Current"))
    write(os.path.join(contents, "Resources/notes.txt"), "old notes")
    os.symlink("notes.txt", os.path.join(contents, "Resources/current.txt"))
    os.symlink(write(os.path.join(outside, "target.txt"), "outside"), os.path.join(contents, "Resources/out.txt"))
    write(os.path.join(contents, "Resources/z.txt"), "old z")
    sources = os.path.join(layout.work, "sources")
    files = [(CONTENTS + "/Frameworks/Brush.framework/Versions/Current/Brush", write(sources + "/brush", "new brush")),
             (CONTENTS + "/Resources/current.txt", write(sources + "/current", "new current")),
             (CONTENTS + "/Resources/out.txt", write(sources + "/out", "new out")),
             (CONTENTS + "/Resources/z.txt", write(sources + "/z", "new z"))]
    return layout.pack(os.path.join(layout.work, "links.pnu"), files)


def expect_links_back(layout, outside, case):
    resources = os.path.join(layout.product, "Contents/Resources")
    if os.readlink(os.path.join(resources, "current.txt")) != "notes.txt":
        fail(case + ": current.txt is not the link it was")
    if os.readlink(os.path.join(resources, "out.txt")) != os.path.join(outside, "target.txt"):
        fail(case + ": out.txt is not the link it was")
    framework = os.path.join(layout.product, "Contents/Frameworks/Brush.framework/Versions")
    if read(os.path.join(framework, "A/Brush")) != "old brush" or read(os.path.join(resources, "z.txt")) != "old z":
        fail(case + ": the previous files are not back")
    if layout.own_leftovers():
        fail("%s: left over: %s" % (case, layout.own_leftovers()))


def expect_outside_untouched(outside, case):
    if os.listdir(outside) != ["target.txt"] or read(os.path.join(outside, "target.txt")) != "outside":
        fail(case + ": the file outside the install folder changed")


def installs_through_links(source_dir, build_dir, work):
    case = "install"
    outside = os.path.join(work, "outside-install")
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, case))
    log = layout.run_install(linked_product(layout, outside))
    expect_logged(log, DONE_LINE, case)
    framework = os.path.join(layout.product, "Contents/Frameworks/Brush.framework/Versions")
    if os.readlink(os.path.join(framework, "Current")) != "A" or read(os.path.join(framework, "A/Brush")) != "new brush":
        fail(case + ": the framework was not updated through Versions/Current")
    resources = os.path.join(layout.product, "Contents/Resources")
    for name, text in (("current.txt", "new current"), ("out.txt", "new out"), ("notes.txt", "old notes")):
        path = os.path.join(resources, name)
        if os.path.islink(path) or read(path) != text:
            fail("%s: %s is not the file %r" % (case, name, text))
    expect_outside_untouched(outside, case)
    if layout.own_leftovers():
        fail("%s: left over: %s" % (case, layout.own_leftovers()))


def failing_renames(layout, entries):
    """A tracer prefix that makes the renames of the entries (below the resources) fail, each in
    the forms a rename may take: absolute, below the install folder, in its folder."""
    prefix = ["strace", "-f", "-o", "/dev/null", "-e", "trace=rename,renameat,renameat2",
              "-e", "inject=rename,renameat,renameat2:error=EIO"]
    for entry in entries:
        for path in (os.path.join(layout.resources, entry), CONTENTS[1:] + "/Resources/" + entry, entry):
            prefix += ["-P", path]
    return prefix


def rolled_back(source_dir, build_dir, work, stuck):
    """Placing z.txt fails, so the install is rolled back; with stuck, putting current.txt back
    fails as well and the next start finishes the undo."""
    case = "roll-back" + (", completed at the next start" if stuck else "")
    outside = os.path.join(work, "outside-" + str(stuck))
    layout = DemoLayout(source_dir, build_dir, os.path.join(work, "rollback-" + str(stuck)))
    package = linked_product(layout, outside)
    entries = ["z.txt.tmp"] + (["current.txt.old"] if stuck else [])
    log = start_and_wait(layout, NOT_UNDONE if stuck else "The new files could not be moved into place.",
                         arguments=(package,), prefix=failing_renames(layout, entries))
    if stuck:
        old = os.path.join(layout.resources, "current.txt.old")
        if os.readlink(old) != "notes.txt" or not os.path.isfile(os.path.join(layout.work, JOURNAL)):
            fail(case + ": the link was not kept as itself with the journal")
        log = start_and_wait(layout, "An interrupted update was undone")
    expect_logged(log, "An interrupted update was undone" if stuck else "The new files could not", case)
    expect_links_back(layout, outside, case)
    expect_outside_untouched(outside, case)


def refused_ways_out(source_dir, build_dir, work):
    """Contents/Up climbs out of the install folder with ".."; Contents/Chain leads there through
    Up."""
    for name in ("Up", "Chain"):
        case = "way out through " + name
        layout = DemoLayout(source_dir, build_dir, os.path.join(work, "out-" + name))
        contents = os.path.join(layout.product, "Contents")
        os.symlink("../../..", os.path.join(contents, "Up"))
        os.symlink("Up", os.path.join(contents, "Chain"))
        landing = os.path.join(os.path.dirname(layout.work), "escaped.txt")
        package = layout.pack(os.path.join(layout.work, "out.pnu"),
                              [(CONTENTS + "/%s/escaped.txt" % name, write(layout.work + "/sources/x", "x"))])
        log = layout.run_install(package)
        expect_logged(log, "%s/escaped.txt: %s" % (name, LEADS_OUT), case)
        if os.path.exists(landing) or layout.own_leftovers():
            fail(case + ": written outside the install folder, or left over")


def main():
    source_dir, build_dir = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    try:
        installs_through_links(source_dir, build_dir, work)
        refused_ways_out(source_dir, build_dir, work)
        undo = "skipped: strace cannot make renames fail here"
        if strace_fails_renames():
            rolled_back(source_dir, build_dir, work, False)
            rolled_back(source_dir, build_dir, work, True)
            undo = "links put back, also at the next start"
        print("ok; roll-back " + undo)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
