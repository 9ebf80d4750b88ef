"""The user installation: scripts/install.sh into a temporary prefix and XDG data directory. The
menu entry must start the installed program, the program must keep its files in the installed
directory, a re-install must keep the user's files, uninstall must remove exactly what install
added, and the tarball must unpack into a directory that runs.

    test_install.py BUILD_DIR SOURCE_DIR"""

import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import MAIN, Workspace, read_records, wait_for, write_records  # noqa: E402

BUILD_DIR, SOURCE_DIR = sys.argv[1:3] if len(sys.argv) >= 3 else ("build", ".")
SCRIPT = os.path.join(SOURCE_DIR, "scripts", "install.sh")
APP_ID = "io.github.threadwick.Threadwick"
PROGRAM_FILES = {"Threadwick", "threadwick.svg", "help.html", ".threadwick-install"}


def desktop_entry(path):
    entry = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("["):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    return entry


def exec_argv(value):
    """The arguments of an Exec value: the string type's escapes first (a doubled backslash is one),
    then the entry's own quoting: a double-quoted argument with \\", \\`, \\$ and \\\\ escaped, and
    "%%" for a percent sign."""
    value = re.sub(r"\\(.)", lambda m: {"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(m[1], "\\" + m[1])
                   if m[1] != "\\" else "\\", value)
    args = []
    for quoted, plain in re.findall(r'"((?:[^"\\]|\\.)*)"|(\S+)', value):
        args.append((re.sub(r'\\([`"$\\])', r"\1", quoted) if quoted else plain).replace("%%", "%"))
    return args


class InstallTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="threadwick-install-")
        # A prefix with a blank, a dollar sign and a percent sign: the menu entry must quote them.
        self.prefix = os.path.join(self.root, "my apps", "thread$wick 100%")
        self.data_home = os.path.join(self.root, "xdg")
        self.env = dict(os.environ, HOME=os.path.join(self.root, "home"), XDG_DATA_HOME=self.data_home)
        self.desktop = os.path.join(self.data_home, "applications", APP_ID + ".desktop")
        self.metainfo = os.path.join(self.data_home, "metainfo", APP_ID + ".metainfo.xml")
        self.icon = os.path.join(self.data_home, "icons", "hicolor", "scalable", "apps", APP_ID + ".svg")

    def tearDown(self):
        subprocess.run(["rm", "-rf", "--", self.root], check=False)

    def script(self, *args):
        result = subprocess.run(["bash", SCRIPT, *args], env=self.env, capture_output=True, text=True,
                                timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def path(self, name):
        return os.path.join(self.prefix, name)

    def test_install_run_reinstall_uninstall(self):
        self.script("install", BUILD_DIR, self.prefix)
        self.assertTrue(PROGRAM_FILES | {"Formats.dat"} <= set(os.listdir(self.prefix)))
        entry = desktop_entry(self.desktop)
        self.assertEqual(exec_argv(entry["Exec"]), [self.path("Threadwick")])
        self.assertEqual((entry["Type"], entry["Icon"]), ("Application", APP_ID))
        self.assertTrue(os.path.isfile(self.icon))
        # The menu entry and the software centre's description are valid by their own tools.
        for command in (["desktop-file-validate", self.desktop],
                        ["appstreamcli", "validate", "--no-net", "--explain", self.metainfo]):
            result = subprocess.run(command, capture_output=True, text=True, timeout=60)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

        # Started as the menu would start it, from elsewhere, the program saves beside itself.
        space = Workspace()
        self.addCleanup(space.close)
        app = space.app(self.prefix)
        self.addCleanup(app.stop)
        app.start()
        app.click(MAIN["subject"])
        app.type("Installed")
        app.click(MAIN["body"])
        app.type("Saved beside\nthe program")
        app.click(MAIN["save"])
        wait_for("Messages.dat in the installed directory",
                 lambda: os.path.exists(self.path("Messages.dat")) and read_records(self.path("Messages.dat")))
        app.stop()
        self.assertEqual(read_records(self.path("Messages.dat")), [["Installed", "Saved beside\nthe program"]])

        # A re-install replaces the program and keeps the user's files, changed templates included.
        with open(self.path("Formats.dat"), "ab") as f:
            f.write(b"mine^[^|^]^mailto:^\r\n")
        with open(self.path("Formats.dat"), "rb") as f:
            templates = f.read()
        # The menu entry of an earlier version, named "threadwick", is replaced too, not doubled.
        old_entry = os.path.join(self.data_home, "applications", "threadwick.desktop")
        shutil.copyfile(self.desktop, old_entry)
        self.script("install", BUILD_DIR, self.prefix)
        self.assertFalse(os.path.exists(old_entry))
        with open(self.path("Formats.dat"), "rb") as f:
            self.assertEqual(f.read(), templates)
        self.assertEqual(read_records(self.path("Messages.dat")), [["Installed", "Saved beside\nthe program"]])

        self.script("uninstall", self.prefix)
        self.assertEqual(set(os.listdir(self.prefix)), {"Messages.dat", "Formats.dat"})
        self.assertFalse(os.path.exists(self.desktop))
        self.assertFalse(os.path.exists(self.icon))
        self.assertFalse(os.path.exists(self.metainfo))

    def test_uninstall_removes_what_install_added(self):
        cases = [
            # (what the user did in between, files left in the prefix afterwards (None: no prefix))
            ("nothing", None),
            ("changed the templates", {"Formats.dat"}),
            ("added forums", {"Forums.dat"}),
        ]
        for change, left in cases:
            with self.subTest(change=change):
                self.script("install", BUILD_DIR, self.prefix)
                if change == "changed the templates":
                    with open(self.path("Formats.dat"), "ab") as f:
                        f.write(b"mine^[^|^]^mailto:^\r\n")
                elif change == "added forums":
                    with open(self.path("Forums.dat"), "wb") as f:
                        f.write(b"URL^Username^Password^\r\nhttp://127.0.0.1/^me^pw^\r\n")
                self.script("uninstall", self.prefix)
                if left is None:
                    self.assertFalse(os.path.exists(self.prefix))
                else:
                    self.assertEqual(set(os.listdir(self.prefix)), left)
                    subprocess.run(["rm", "-rf", "--", self.prefix], check=True)
                self.assertFalse(os.path.exists(self.desktop))

    def test_uninstall_of_another_prefix_keeps_the_menu_entry(self):
        self.script("install", BUILD_DIR, self.prefix)
        self.script("uninstall", os.path.join(self.root, "elsewhere"))
        self.assertEqual(exec_argv(desktop_entry(self.desktop)["Exec"]), [self.path("Threadwick")])
        self.assertTrue(os.path.isfile(self.path("Threadwick")))

    def test_dist_unpacks_into_a_runnable_directory(self):
        out = os.path.join(self.root, "dist")
        tarball = self.script("dist", BUILD_DIR, out).strip().splitlines()[-1]
        self.assertTrue(tarball.startswith(out) and tarball.endswith(".tar.gz"), tarball)
        unpacked = os.path.join(self.root, "unpacked")
        with tarfile.open(tarball) as archive:
            names = archive.getnames()
            self.assertTrue(all(n == "threadwick" or n.startswith("threadwick/") for n in names), names)
            if hasattr(tarfile, "data_filter"):
                archive.extractall(unpacked, filter="data")
            else:  # older Pythons; the names were checked above
                archive.extractall(unpacked)
        top = os.path.join(unpacked, "threadwick")
        self.assertTrue({"Threadwick", "Formats.dat", "help.html", "threadwick.svg"} <= set(os.listdir(top)))
        self.assertTrue(os.access(os.path.join(top, "Threadwick"), os.X_OK))
        self.assertEqual(os.listdir(out), [os.path.basename(tarball)], "no partial files left behind")


class DemoDirectoryTest(unittest.TestCase):
    """The demo's forum list leads with the practice forum, by an address that works wherever the
    demo lies, and a user's own list is kept."""

    def make_demo(self, demo):
        result = subprocess.run(["bash", os.path.join(SOURCE_DIR, "scripts", "make-demo.sh"), BUILD_DIR, demo],
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_practice_forum_is_listed_once(self):
        mine = ["http://127.0.0.1:8/", "me", "pw^1"]
        cases = [
            # (demo directory name, Forums.dat before, the records after the practice forum)
            ("demo", None, [["https://forum.example.org/", "alice", "correct-horse"],
                            ["https://boards.example.net/community/", "alice_w", "battery-staple"]]),
            ("my demo ^ 100%", None, None),
            ("kept", [mine], [mine]),
        ]
        for name, before, after in cases:
            with self.subTest(name=name):
                root = tempfile.mkdtemp(prefix="threadwick-demo-")
                self.addCleanup(subprocess.run, ["rm", "-rf", "--", root])
                demo = os.path.join(root, name)
                if before is not None:
                    os.makedirs(demo)
                    write_records(os.path.join(demo, "Forums.dat"), "URL^Username^Password^", before)
                self.make_demo(demo)
                self.make_demo(demo)  # a second run changes nothing
                records = read_records(os.path.join(demo, "Forums.dat"))
                practice = urllib.parse.urlparse(records[0][0])
                self.assertEqual(practice.scheme, "file")
                self.assertEqual(urllib.parse.unquote(practice.path), os.path.join(demo, "practice-forum.html"))
                self.assertTrue(os.path.isfile(urllib.parse.unquote(practice.path)))
                self.assertEqual(records[0][1:], ["demo", "practice"])
                if after is not None:
                    self.assertEqual(records[1:], after)
                self.assertEqual(os.stat(os.path.join(demo, "Forums.dat")).st_mode & 0o077, 0)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]], verbosity=2)
