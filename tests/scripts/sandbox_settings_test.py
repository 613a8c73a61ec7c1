#!/usr/bin/env python3
"""scripts/sandbox_settings.py against what may stand at the settings file's
name: a missing file is made, a settings file gets the sandbox's connection
and OFD port, and anything else (a FIFO, a link, a folder, a file that is
not a settings file) is left as it is, without the script waiting on it.

    sandbox_settings_test.py PATH_OF_sandbox_settings.py
"""
import os
import stat
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

SCRIPT = None
# Generous: the script ends at once; only a hang comes near it.
DEADLINE = 120

SETTINGS = b'<?xml version="1.0"?><settings><common a="1"/>' \
           b'<connections><conn name="lan" type="WIFI"/></connections></settings>'


class SandboxSettings(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "kktsettings.xml")

    def tearDown(self):
        self.dir.cleanup()

    def run_script(self, *args):
        return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True,
                              timeout=DEADLINE, stdin=subprocess.DEVNULL)

    def test_settings_are_made_or_added_to(self):
        cases = [
            ("missing", None),
            ("settings file", SETTINGS),
        ]
        for name, text in cases:
            with self.subTest(name):
                for f in (self.path, self.path + ".new"):
                    if os.path.lexists(f):
                        os.unlink(f)
                if text is not None:
                    with open(self.path, "wb") as f:
                        f.write(text)
                r = self.run_script(self.path, "7001")
                self.assertEqual(r.returncode, 0, r.stderr)
                st = os.lstat(self.path)
                self.assertTrue(stat.S_ISREG(st.st_mode))
                self.assertEqual(st.st_mode & 0o777, 0o600, "the settings hold secrets")
                self.assertFalse(os.path.lexists(self.path + ".new"))
                top = ET.parse(self.path).getroot()
                self.assertEqual(top.tag, "settings")
                self.assertEqual(top.find("shift/ofd").get("port"), "7001")
                self.assertEqual(top.find("shift/ofd").get("host"), "127.0.0.1")
                lans = [c for c in top.findall("connections/conn") if c.get("name") == "lan"]
                self.assertEqual(len(lans), 1)
                if text is not None:
                    self.assertEqual(top.find("common").get("a"), "1", "what was there stays")
                    self.assertEqual(lans[0].get("type"), "WIFI", "an existing connection is kept")

    def test_what_is_not_a_settings_file_is_left_alone(self):
        target = os.path.join(self.dir.name, "elsewhere.xml")
        with open(target, "wb") as f:
            f.write(SETTINGS)

        def fifo(p):
            os.mkfifo(p, 0o600)

        def link(p):
            os.symlink(target, p)

        def dangling(p):
            os.symlink(os.path.join(self.dir.name, "nowhere"), p)

        def folder(p):
            os.mkdir(p)

        def text(content):
            def make(p):
                with open(p, "wb") as f:
                    f.write(content)
            return make

        cases = [
            ("FIFO", fifo),
            ("link to a settings file", link),
            ("link to nowhere", dangling),
            ("folder", folder),
            ("not XML", text(b"<settings><common a=\"1\"")),
            ("another document", text(b"<other/>")),
            ("empty", text(b"")),
        ]
        for name, make in cases:
            with self.subTest(name):
                if os.path.isdir(self.path) and not os.path.islink(self.path):
                    os.rmdir(self.path)
                elif os.path.lexists(self.path):
                    os.unlink(self.path)
                make(self.path)
                before = os.lstat(self.path)
                content = None
                if stat.S_ISREG(before.st_mode):
                    with open(self.path, "rb") as f:
                        content = f.read()
                r = self.run_script(self.path, "7001")
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertIn("left to cashdesk", r.stderr)
                after = os.lstat(self.path)
                self.assertEqual(stat.S_IFMT(after.st_mode), stat.S_IFMT(before.st_mode))
                self.assertEqual(after.st_ino, before.st_ino, "the same thing stands there")
                if content is not None:
                    with open(self.path, "rb") as f:
                        self.assertEqual(f.read(), content)
                with open(target, "rb") as f:
                    self.assertEqual(f.read(), SETTINGS, "a link's target is not written")
                self.assertFalse(os.path.lexists(os.path.join(self.dir.name, "nowhere")))
                self.assertFalse(os.path.lexists(self.path + ".new"))

    def test_bad_arguments(self):
        for args in ([], [self.path], [self.path, "port"]):
            with self.subTest(" ".join(args)):
                self.assertEqual(self.run_script(*args).returncode, 2)


if __name__ == "__main__":
    SCRIPT = sys.argv.pop(1)
    unittest.main()
