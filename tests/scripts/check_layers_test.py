#!/usr/bin/env python3
"""The include check on small trees: a clean one passes, and each planted
upward include fails naming the file, its line and both layers."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "..", "scripts", "check-layers.py")

# One header per layer folder, each including the one of the layer below
# (the way the real tree includes: by name only), and a tool that uses the
# toolkit.
CLEAN = {
    "platform/osal/osal.h": "",
    "platform/bt/bt.h": '#include "osal.h"\n',
    "link/frame.h": '#include "osal.h"\n',
    "link/frame.cpp": '#include "frame.h"\n#include <string.h>\n',
    "libvu/core/core.h": '#include "frame.h"\n',
    "libvu/widgets/widget.h": '#include "core.h"\n',
    "app/shell/shell.h": '#include "widget.h"\n',
    "app/comms/comms.h": '#include "shell.h"\n#include "bt.h"\n',
    "app/fiscal/fiscal.h": '#include "comms.h"\n',
    "app/main/main.cpp": '#include "fiscal.h"\n#include "comms.h"\n#include "shell.h"\n',
    "tools/sim/sim.cpp": '#include "widget.h"\n#include "frame.h"\n',
    "tests/any/any_test.cpp": '#include "main.cpp"\n#include "fiscal.h"\n',
}


class Tree:
    def __init__(self, files):
        self.dir = tempfile.TemporaryDirectory()
        for rel, text in files.items():
            self.write(rel, text)

    def write(self, rel, text):
        path = os.path.join(self.dir.name, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)

    def check(self, *extra):
        return subprocess.run([sys.executable, CHECK, self.dir.name] + list(extra),
                              capture_output=True, text=True)

    def close(self):
        self.dir.cleanup()


class CheckLayers(unittest.TestCase):
    def tree(self, files):
        tree = Tree(files)
        self.addCleanup(tree.close)
        return tree

    def test_clean_tree_passes(self):
        r = self.tree(CLEAN).check()
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_upward_include_fails_naming_file_line_and_layers(self):
        # (file, its text, line of the planted include, its layer, the layer
        # of the header it includes)
        cases = [
            ("app/shell/status.cpp", '#include "shell.h"\n#include "comms.h"\n', 2, "app-shell", "app-comms"),
            ("app/comms/link.cpp", '\n\n#include "fiscal.h"\n', 3, "app-comms", "app-fiscal"),
            ("app/fiscal/menu.h", '#include "main.h"\n', 1, "app-fiscal", "app-main"),
            ("link/reply.cpp", '#include <widget.h>\n', 1, "link", "libvu-widgets"),
            ("libvu/core/trace.cpp", '#include "core.h"\n  #  include "widget.h"\n', 2,
             "libvu-core", "libvu-widgets"),
            ("libvu/widgets/box.cpp", '#include "shell.h"\n', 1, "libvu-widgets", "app-shell"),
            ("platform/osal/osal.cpp", '#include "frame.h"\n', 1, "platform", "link"),
            ("app/shell/deep.cpp", '#include "../comms/comms.h"\n', 1, "app-shell", "app-comms"),
            ("tools/sim/screen.cpp", '#include "frame.h"\n#include "shell.h"\n', 2, "tools", "app-shell"),
        ]
        for rel, text, line, below, above in cases:
            with self.subTest(rel):
                files = dict(CLEAN)
                files["app/main/main.h"] = ""
                files[rel] = text
                r = self.tree(files).check()
                self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                fault = [l for l in r.stdout.splitlines() if l.startswith("%s:%d:" % (rel, line))]
                self.assertEqual(len(fault), 1, r.stdout)
                self.assertIn(below, fault[0])
                self.assertIn(above, fault[0])
                self.assertEqual(sum(1 for l in r.stdout.splitlines() if "a layer above" in l), 1, r.stdout)

    def test_commented_out_include_is_no_include(self):
        files = dict(CLEAN)
        files["app/shell/old.cpp"] = ('// #include "comms.h"\n/*\n#include "fiscal.h"\n*/\n'
                                      '#include "shell.h"\n')
        r = self.tree(files).check()
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_allowed_list_lets_a_listed_include_pass_and_only_shrinks(self):
        files = dict(CLEAN)
        files["libvu/core/ui.cpp"] = '#include "widget.h"\n'
        files["scripts/layers-allowed.txt"] = "# known\nlibvu/core/ui.cpp widget.h\n"
        tree = self.tree(files)
        r = tree.check()
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertIn('allowed: libvu/core/ui.cpp includes "widget.h"', r.stdout)
        # the include goes, the line stays: the list must be trimmed
        tree.write("libvu/core/ui.cpp", '#include "core.h"\n')
        r = tree.check()
        self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
        self.assertIn("libvu/core/ui.cpp", r.stdout)
        # a listed include does not excuse another one of the same file
        tree.write("libvu/core/ui.cpp", '#include "widget.h"\n#include "shell.h"\n')
        r = tree.check()
        self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
        self.assertIn('libvu/core/ui.cpp:2: libvu-core includes "shell.h" of app-shell', r.stdout)


if __name__ == "__main__":
    unittest.main()
