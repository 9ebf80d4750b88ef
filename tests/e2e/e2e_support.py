"""Shared pieces of the end-to-end tests: a private X server, the program in a temporary application
directory, a user's keyboard and pointer (xdotool), and a reader for the data files.

Every wait has a limit; nothing here sleeps without one. The tests talk only to 127.0.0.1."""

import ctypes
import ctypes.util
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

# Where the controls are, in client coordinates of the main window (761 x 566 as laid out). Each
# point is the middle of the control, so a few pixels of skin or font difference do not matter.
MAIN = {
    "auto_insert": (57, 15),
    "save": (423, 15),
    "load": (500, 15),
    "subject": (118, 139),
    "body": (117, 228),
    "url": (400, 139),
    "add_url": (70, 359),
    "username": (115, 386),
    "password": (115, 414),
    "user_paste": (198, 386),
    "password_paste": (198, 414),
    "first_forum": (110, 443),
}
# The browser pane's top-left corner in the main window; test pages place their fields from there.
PANE = (259, 189)
# The Load Message dialog.
LOAD_DIALOG = {"list": (180, 60), "load": (85, 335)}

DEFAULT_WAIT = 20.0


class Timeout(AssertionError):
    pass


def wait_for(what, condition, limit=DEFAULT_WAIT, step=0.1):
    """Returns condition()'s first true value, polling until limit seconds have passed."""
    deadline = time.monotonic() + limit
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout("waited %.0f s for %s" % (limit, what))
        time.sleep(step)


def read_records(path):
    """Reads a data file: CR LF lines, '^' after every field, and in a field the escape byte 0x10
    followed by 'c' ('^'), 'r', 'n', '0' (NUL) or itself. Returns the records after the header."""
    with open(path, "rb") as f:
        data = f.read()
    decode = {b"c": b"^", b"r": b"\r", b"n": b"\n", b"0": b"\0", b"\x10": b"\x10"}
    records = []
    for line in data.split(b"\r\n")[1:]:
        if not line:
            continue
        fields = []
        for raw in line.split(b"^")[:-1]:
            out = bytearray()
            i = 0
            while i < len(raw):
                if raw[i:i + 1] == b"\x10" and raw[i + 1:i + 2] in decode:
                    out += decode[raw[i + 1:i + 2]]
                    i += 2
                else:
                    out += raw[i:i + 1]
                    i += 1
            fields.append(out.decode("utf-8"))
        records.append(fields)
    return records


def write_records(path, header, records):
    """Writes a data file as the program does (used to stage files "from a previous run")."""
    codes = {"\x10": "\x10\x10", "^": "\x10c", "\r": "\x10r", "\n": "\x10n", "\0": "\x100"}
    lines = [header]
    for record in records:
        lines.append("".join("".join(codes.get(c, c) for c in field) + "^" for field in record))
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("utf-8"))


class Display:
    """A private Xvfb server; the display number is chosen by the server itself. It keeps its state
    (the keymap) when the last client leaves, between two runs of the program."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + DEFAULT_WAIT
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.process.poll() is not None:
                os.close(read_end)
                self.close()
                raise Timeout("Xvfb did not start")
            if not select.select([read_end], [], [], 0.5)[0]:
                continue
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            self.close()
            raise Timeout("Xvfb did not tell its display number")
        self.name = ":" + number.decode().strip()

    # Key codes of the default keymap that carry only multimedia symbols (F13 to F24 and beyond),
    # free for the tests' letters.
    SPARE_KEYCODES = list(range(191, 203)) + list(range(240, 256))

    def add_letters(self, text):
        """Puts every non-ASCII character of text on a key of its own, the capital on the shift level,
        before the program starts. xdotool would otherwise bind a spare key for each character while
        typing, and a program that has not yet seen that change reads the old symbol or none."""
        letters = []
        for c in sorted(set(text)):
            if ord(c) < 128 or any(c in pair for pair in letters):
                continue
            upper, lower = c.upper(), c.lower()
            if c == lower and len(upper) == 1 and upper != c:
                letters.append((c, upper))
            elif c == upper and len(lower) == 1 and lower != c:
                letters.append((lower, c))
            else:
                letters.append((c, c))
        if len(letters) > len(self.SPARE_KEYCODES):
            raise AssertionError("too many different letters for the spare keys")

        def keysym(c):  # Latin-1 letters are their own key symbols; the rest are Unicode ones
            return ord(c) if ord(c) <= 0xFF else 0x1000000 | ord(c)

        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                               ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = x11.XOpenDisplay(self.name.encode())
        if not display:
            raise AssertionError("cannot open display %s" % self.name)
        try:
            for keycode, pair in zip(self.SPARE_KEYCODES, letters):
                syms = (ctypes.c_ulong * 2)(*(keysym(c) for c in pair))
                x11.XChangeKeyboardMapping(display, keycode, 2, syms, 1)
            x11.XSync(display, 0)
        finally:
            x11.XCloseDisplay(display)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class App:
    """The real executable, started in an application directory under a private home."""

    def __init__(self, display, app_dir, home):
        self.display = display
        self.app_dir = app_dir
        self.env = dict(os.environ)
        for key in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER"):
            self.env.pop(key, None)
        self.env.update({
            "DISPLAY": display.name,
            "HOME": home,
            "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_CACHE_HOME": os.path.join(home, ".cache"),
            "XDG_RUNTIME_DIR": os.path.join(home, "runtime"),
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
            "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu",
        })
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        self.process = None

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                                timeout=DEFAULT_WAIT)
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def find_window(self, title):
        out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title, check=False)
        ids = out.split()
        return ids[0] if ids else None

    def start(self, executable="Threadwick"):
        self.log_path = os.path.join(self.app_dir, "..", "program-%d.log" % time.monotonic_ns())
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen([os.path.join(self.app_dir, executable)], cwd="/", env=self.env,
                                        stdout=self.log, stderr=subprocess.STDOUT)
        wait_for("the main window", lambda: self.alive() and self.find_window("Threadwick"), 60)
        # The window is shown before the browser engine has settled; give it a moment.
        time.sleep(1.5)

    def alive(self):
        if self.process.poll() is not None:
            with open(self.log_path, errors="replace") as log:
                tail = log.read()[-2000:]
            raise AssertionError("the program ended with status %s:\n%s" % (self.process.returncode, tail))
        return True

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process:
            self.log.close()
        self.process = None

    # --- a user's hands ---
    def main_window(self):
        # Looked up for every action: the toolkit may replace the native window while the browser
        # engine starts, and an old id is then gone.
        return wait_for("the main window", lambda: self.alive() and self.find_window("Threadwick"))

    def click(self, point, window=None, double=False):
        x, y = point
        args = ["mousemove", "--window", window or self.main_window(), str(x), str(y), "click"]
        if double:
            args += ["--repeat", "2", "--delay", "120"]
        self.xdotool(*args, "1")
        time.sleep(0.3)

    def type(self, text):
        # Lines one by one with Return between them: a line break is what the user types as Return.
        for i, line in enumerate(text.split("\n")):
            if i:
                self.key("Return")
            if line:
                self.xdotool("type", "--delay", "40", "--", line)
        time.sleep(0.2)

    def key(self, *keys):
        self.xdotool("key", "--delay", "50", *keys)
        time.sleep(0.2)

    def replace_text(self, point, text):
        self.click(point)
        self.key("ctrl+a", "BackSpace")
        self.type(text)


class Workspace:
    """A temporary home, display and application directory, all removed at the end."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="threadwick-e2e-")
        self.home = os.path.join(self.root, "home")
        self.app_dir = os.path.join(self.root, "app")
        os.makedirs(self.home)
        self.display = Display()

    def install_program(self, build_dir, source_dir):
        os.makedirs(self.app_dir, exist_ok=True)
        shutil.copy2(os.path.join(build_dir, "app", "Threadwick"), self.app_dir)
        shutil.copy2(os.path.join(source_dir, "resources", "demo", "Formats.dat"), self.app_dir)

    def app(self, app_dir=None):
        return App(self.display, app_dir or self.app_dir, self.home)

    def close(self):
        self.display.close()
        shutil.rmtree(self.root, ignore_errors=True)
