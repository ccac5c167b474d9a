"""A demo installation for tests of the real updater program: the product beside the updater's
bundle (as tools/update-server/make-demo.sh lays it out), packages made with pnupack, and the
program started headless with its log read back."""
import os
import signal
import subprocess
import sys
import time

PROGRAM = "Pintrel Updater.app/Contents/MacOS/Pintrel Updater"
DONE_LINE = "The update has been installed."
READY_LINE = "WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!"
JOURNAL = ".pintrel-update-journal"


def fail(message):
    print(message)
    sys.exit(1)


def group_alive(group):
    try:
        os.killpg(group, 0)
        return True
    except ProcessLookupError:
        return False


def stop_group(process):
    """Ends every process of the group the process leads: asked first, then killed."""
    for signal_number, patience in ((signal.SIGTERM, 60.0), (signal.SIGKILL, 10.0)):
        try:
            os.killpg(process.pid, signal_number)
        except ProcessLookupError:
            break
        end = time.monotonic() + patience
        while time.monotonic() < end:
            process.poll()
            if not group_alive(process.pid):
                break
            time.sleep(0.01)
        if not group_alive(process.pid):
            break
    process.wait()


class DemoLayout:
    def __init__(self, source_dir, build_dir, work):
        if not os.access(os.path.join(build_dir, PROGRAM), os.X_OK):
            fail("the updater program is not built")
        self.build_dir = build_dir
        self.work = work
        # A sanitizer build runs several times slower: its waits are three times as long.
        try:
            with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8") as cache:
                self.patience = 3 if "PNU_SANITIZE:BOOL=ON" in cache.read() else 1
        except OSError:
            self.patience = 1
        os.makedirs(work, exist_ok=True)
        subprocess.run([os.path.join(source_dir, "tools/update-server/make-demo.sh"), build_dir, work, "1"],
                       check=True, stdout=subprocess.DEVNULL)
        self.program = os.path.join(work, PROGRAM)
        self.log = os.path.join(work, "Pintrel Updater.app/Contents/UpdateResults.log")
        self.product = os.path.join(work, "Pintrel 2.app")
        self.resources = os.path.join(self.product, "Contents/Resources")
        self.settings = os.path.join(self.resources, "system.msf")

    def pack(self, output, files, lines=("TYPE=FULL", "OS=OSX", "BUILD=FULL")):
        """A package of (name, source path) pairs, each with mode 644; names the updater refuses
        are written as given."""
        command = [os.path.join(self.build_dir, "tools/pnupack/pnupack"), "--unchecked-names"]
        for line in lines:
            command += ["--line", line]
        for name, source in files:
            command += ["--file", name, source, "644"]
        subprocess.run(command + [output], check=True)
        return output

    def read_log(self):
        try:
            with open(self.log, "rb") as log:
                data = log.read()
        except FileNotFoundError:
            return []
        return data[: len(data) // 2 * 2].decode("utf-16-le", "replace").replace("\n\r", "\n").split("\n")

    def start(self, *arguments, preexec_fn=None, keep_log=False, prefix=(), output=subprocess.DEVNULL):
        """The program started, behind the command prefix (a tracer) when one is given, its standard
        output and error to output; its log is removed first unless another copy is writing it."""
        if not keep_log and os.path.exists(self.log):
            os.remove(self.log)
        environment = dict(os.environ, PNU_HEADLESS="1", SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
        # Behind a tracer the program is a grandchild, which the tracer leaves running when it is
        # stopped: tracer and program get a process group of their own, stopped as one.
        process = subprocess.Popen([*prefix, self.program, *arguments], stdin=subprocess.DEVNULL,
                                   stdout=output, stderr=output, env=environment,
                                   preexec_fn=preexec_fn, start_new_session=bool(prefix))
        process.own_group = bool(prefix)
        return process

    def wait_for_line(self, process, *starts, deadline=60.0):
        """The first log line starting with one of the texts, or None when the process ended or the
        deadline passed first (only a program that hangs takes that long)."""
        end = time.monotonic() + deadline * self.patience
        while time.monotonic() < end:
            for line in self.read_log():
                if line.startswith(starts):
                    return line
            if process.poll() is not None:
                return None
            time.sleep(0.001)
        return None

    def stop(self, process):
        if getattr(process, "own_group", False):
            stop_group(process)
        elif process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(60 * self.patience)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def run_install(self, package, preexec_fn=None):
        """Installs the package with the real program; the log once the install ended either way."""
        process = self.start(package, preexec_fn=preexec_fn)
        ended = self.wait_for_line(process, DONE_LINE, "The new files could not", "The contents of the update",
                                   "Files left by", "The old files could not", "The update file")
        self.stop(process)
        log = self.read_log()
        if ended is None:
            fail("the install did not end:\n" + "\n".join(log))
        return log

    def own_leftovers(self, skip=()):
        """Every ".tmp", ".old" or journal file in the installation (the updater's bundle aside)."""
        found = []
        for folder, _, names in os.walk(self.work):
            if "Pintrel Updater.app" in folder or any(folder.startswith(s) for s in skip):
                continue
            found += [os.path.join(folder, n) for n in names
                      if n.endswith((".tmp", ".old")) or n.startswith(JOURNAL)]
        return found
