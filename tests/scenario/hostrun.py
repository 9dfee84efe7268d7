"""Runs the real host executable under wine, as a player's machine would, and
looks at it from outside: its engine log (standard output), its window (through
the winprobe helper in the same wine prefix), its files and its exit code."""

import os
import queue
import re
import select
import signal
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

BUILD_DIR = os.environ["HOST_BUILD_DIR"]
HOST_EXE = os.environ["HOST_EXE"]
WINPROBE_EXE = os.environ["WINPROBE_EXE"]
TEST_ENV_DIR = os.environ["TEST_ENV_DIR"]
GAME_TITLE = "H\u1ea3i V\u00e2n Truy\u1ec7n"
HERE_SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The update scene's window: the design size halved, so that the alert's retry
# button sits at a known client point.
CONFIG_PORTRAIT = '{"init_cfg": {"isLandscape": false, "width": 375, "height": 667}}'
# The popup is centred on the design area (750 x 1334); its button 145 below.
RETRY_BUTTON = (375 // 2, (1334 - (667 - 145)) // 2)


# CTest reports a test that exits with this code as skipped (SKIP_RETURN_CODE).
SKIP_EXIT_CODE = 77


def run_cases(names):
    """Runs the named unittest cases. Exits 0 when they passed, 1 when one failed,
    and SKIP_EXIT_CODE when none failed but one skipped itself: a case that could
    not decide on this machine is not counted as passed."""
    program = unittest.main(argv=[sys.argv[0]] + list(names), verbosity=2, exit=False)
    result = program.result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.skipped:
        sys.exit(SKIP_EXIT_CODE)
    sys.exit(0)


def wine_env(prefix=None, debug=None):
    """The environment of the build's wine prefix (written by the wine.setup fixture)."""
    env = dict(os.environ)
    with open(os.path.join(TEST_ENV_DIR, "env.sh"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"export (\w+)='(.*)'$", line.strip())
            if m:
                env[m.group(1)] = m.group(2)
    env["WINEDEBUG"] = debug or "-all"
    if prefix:
        env["WINEPREFIX"] = prefix
    return env


def write_file(folder, relative, data):
    """Writes text (as UTF-8, no newline translation) or bytes under folder; returns the full path."""
    full = os.path.join(folder, relative)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data.encode("utf-8") if isinstance(data, str) else data)
    return full


def to_windows_path(path):
    """Wine maps the unix root to drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Scratch:
    """A throw-away folder for one scenario, removed when the scenario passes."""

    def __init__(self, name):
        # A folder of its own even when another scenario, running beside it,
        # asks for the same name.
        parent = os.path.join(BUILD_DIR, "scenario-tmp")
        os.makedirs(parent, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix=name + "-", dir=parent)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def write(self, relative, data):
        return write_file(self.root, relative, data)

    def install_host(self, folder="game", exe=HOST_EXE):
        """Copies the executable into a game folder of its own; returns that folder."""
        target = self.path(folder)
        os.makedirs(target, exist_ok=True)
        shutil.copy2(exe, target)
        return target

    def clone_prefix(self):
        """A prefix of its own for scenarios that change the registry: its own
        registry files, the shared prefix's drive_c (read-mostly) by link."""
        base = wine_env()["WINEPREFIX"]
        prefix = self.path("prefix")
        os.makedirs(prefix)
        for name in os.listdir(base):
            src = os.path.join(base, name)
            if name.endswith(".reg") or name.startswith("."):
                shutil.copy2(src, prefix)
            elif name == "drive_c":
                os.symlink(src, os.path.join(prefix, name))
            elif name == "dosdevices":
                shutil.copytree(src, os.path.join(prefix, name), symlinks=True)
        return prefix

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)


class PrivateDisplay:
    """An X display of its own (Xvfb), for a scenario that reads its window's
    pixels off the screen: no window of another test can cover them, or come
    and go while the screen is read. Wine puts a process's windows on the
    display its own DISPLAY names, whatever the prefix's other programs use;
    the size is the shared display's, whose monitor the prefix has recorded."""

    START_TIMEOUT_S = 30

    def __init__(self, screen="2048x1536x24"):
        self._log = tempfile.TemporaryFile()
        read_end, write_end = os.pipe()
        # -displayfd: Xvfb takes the first free display number and writes it
        # back, so displays started side by side never pick the same one.
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
                                     pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=self._log,
                                     stderr=subprocess.STDOUT)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + self.START_TIMEOUT_S
        try:
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([read_end], [], [], 0.2)
                if ready:
                    chunk = os.read(read_end, 16)
                    if not chunk:
                        break
                    number += chunk
        finally:
            os.close(read_end)
        if not number.strip().isdigit():
            self.close()
            self._log.seek(0)
            raise AssertionError("Xvfb did not start: %s" % self._log.read().decode("utf-8", "replace"))
        self.name = ":" + number.strip().decode()

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self._log.close()


class Host:
    """One running host process; its standard output is the engine log."""

    def __init__(self, game_dir, args=(), prefix=None, debug=None, env_extra=None, exe=HOST_EXE, display=None,
                 cwd=None):
        """cwd: the folder the process starts in (a shortcut's start folder); the game folder by default."""
        self.env = wine_env(prefix, debug)
        if display:
            self.env["DISPLAY"] = display
        if env_extra:
            self.env.update(env_extra)
        self.prefix = prefix
        exe = os.path.join(game_dir, os.path.basename(exe))
        self.windows_exe = to_windows_path(exe)
        self.proc = subprocess.Popen(
            [self.env["WINE_LOADER"], exe, *args],
            cwd=cwd or game_dir, env=self.env, stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.lines = []
        self.err_lines = []
        # When each line arrived (time.monotonic()), for checks against what a run itself took.
        self.line_times = []
        self.err_line_times = []
        self._new = queue.Queue()
        self._readers = [
            threading.Thread(target=self._read, args=(self.proc.stdout, self.lines, self.line_times, True),
                             daemon=True),
            threading.Thread(target=self._read, args=(self.proc.stderr, self.err_lines, self.err_line_times, False),
                             daemon=True),
        ]
        for r in self._readers:
            r.start()

    def _read(self, stream, sink, times, notify):
        for raw in iter(stream.readline, b""):
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            times.append(time.monotonic())
            sink.append(line)
            if notify:
                self._new.put(line)

    def arrival(self, pattern, stderr=False):
        """When the first line matching pattern arrived (engine log, or standard
        error with stderr=True), as time.monotonic(); None when none did."""
        rx = re.compile(pattern)
        lines, times = (self.err_lines, self.err_line_times) if stderr else (self.lines, self.line_times)
        for line, when in zip(list(lines), list(times)):
            if rx.search(line):
                return when
        return None

    def log_text(self):
        return "\n".join(self.lines)

    def wait_for_line(self, pattern, timeout=30):
        """Waits for an engine-log line matching pattern; returns the match."""
        rx = re.compile(pattern)
        for line in list(self.lines):
            m = rx.search(line)
            if m:
                return m
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                line = self._new.get(timeout=0.2)
            except queue.Empty:
                if self.proc.poll() is not None and self._new.empty():
                    break
                continue
            m = rx.search(line)
            if m:
                return m
        raise AssertionError("no log line matching %r within %ss; log:\n%s\nstderr:\n%s"
                             % (pattern, timeout, self.log_text(), "\n".join(self.err_lines[-40:])))

    def debug_texts(self):
        """The host's OutputDebugStringA texts, in order (needs debug="-all,+debugstr")."""
        out = []
        for line in list(self.err_lines):
            m = re.search(r'OutputDebugStringA "(.*)"$', line)
            if m:
                out.append(m.group(1).replace("\\n", "").replace("\\\\", "\\"))
        return out

    def wait_for_debug(self, pattern, timeout=60):
        """Waits for a debug-output text matching pattern; returns the match."""
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for text in self.debug_texts():
                m = rx.search(text)
                if m:
                    return m
            if self.proc.poll() is not None:
                break
            time.sleep(0.1)
        raise AssertionError("no debug line matching %r; debug lines:\n%s\nlog:\n%s\nexit status: %r\nstderr:\n%s"
                             % (pattern, "\n".join(self.debug_texts()), self.log_text(), self.proc.poll(),
                                "\n".join(self.err_lines[-60:])))

    def probe(self, verb, *args, timeout=60):
        """winprobe on this host's own game window."""
        return probe(verb, GAME_TITLE, self.windows_exe, *args, env=self.env, timeout=timeout)

    def window(self, timeout_ms=20000):
        """(client width, client height, left, top) of the game window, once the
        start-up has placed it (the main loop logs the writable path first)."""
        self.wait_for_line(r"^==write path==$")
        out = self.probe("wait", str(timeout_ms)).stdout
        m = re.search(r"client=(\d+)x(\d+) window=(-?\d+),(-?\d+),", out)
        assert m, "winprobe said: %r" % out
        return tuple(int(v) for v in m.groups())

    def retry_from_the_alert(self, asked_again, timeout=30):
        """Clicks where an error alert's retry button is until asked_again()
        holds. An alert the update engine's error raises shows on a later
        frame, with no line to mark it, and only a shown alert answers a
        click: one click at a fixed moment can come too early."""
        self.window()
        deadline = time.monotonic() + timeout
        while not asked_again():
            if time.monotonic() > deadline:
                raise AssertionError("no alert answered the retry click within %ss; log:\n%s"
                                     % (timeout, self.log_text()))
            self.probe("click", str(RETRY_BUTTON[0]), str(RETRY_BUTTON[1]))
            time.sleep(1.0)

    def close(self, timeout=30):
        """Closes the window as a user would and returns the exit code that
        Windows reports for the process. The unix process status may not carry
        it: wineserver kills (SIGKILL) the unix side of an ended process whose
        teardown takes over about a second, as it can under emulation."""
        # The probe gets the prefix's plain environment: under another locale wine
        # would pass it the window title in that locale's code page.
        out = probe("closewait", GAME_TITLE, self.windows_exe, str(timeout * 1000),
                    env=wine_env(self.prefix), timeout=timeout + 30).stdout
        m = re.search(r"^exit=(\d+)\r?$", out, re.M)
        assert m, "winprobe said: %r" % out
        code = int(m.group(1))
        status = self.wait(timeout)
        if status not in (code & 0xFF, -signal.SIGKILL):
            raise AssertionError("the host ended with Windows code %d but unix status %d" % (code, status))
        return code

    def wait(self, timeout=30):
        try:
            code = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise AssertionError("host did not end within %ss; log:\n%s" % (timeout, self.log_text()))
        for r in self._readers:
            r.join(timeout=5)
        return code

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.prefix:
            subprocess.run(["wineserver", "-k"], env=self.env, check=False)


def probe(*args, env=None, timeout=60):
    env = env or wine_env()
    result = subprocess.run([env["WINE_LOADER"], WINPROBE_EXE, *args], env=env, capture_output=True,
                            timeout=timeout)
    result.stdout = result.stdout.decode("utf-8", "replace")
    result.stderr = result.stderr.decode("utf-8", "replace")
    if result.returncode != 0:
        raise AssertionError("winprobe %s failed (%d): %s" % (" ".join(args), result.returncode, result.stderr))
    return result


def set_dpi(prefix, dpi):
    env = wine_env(prefix)
    subprocess.run([env["WINE_LOADER"], "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                    "/t", "REG_DWORD", "/d", str(dpi), "/f"], env=env, check=True, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env, check=False)
