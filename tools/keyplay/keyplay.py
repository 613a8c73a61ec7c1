#!/usr/bin/env python3
"""keyplay: plays a key script on a running cash register's keypad FIFO,
waiting on the screens its trace announces, and leaves screenshots.

    keyplay.py --root DIR --trace FILE [--shots DIR] [--fbshot PATH]
               [--wait-seconds N] SCRIPT
    keyplay.py --check SCRIPT

One statement a line; blank lines and lines starting with "#" are skipped:

    key NAME...       press and release keys: 0-9, enter, cancel, back, clear
                      (Backspace held over a second), up, down, fn, f1, f2,
                      f4, f5, add, remove, edit, or code:N (a key code)
    text TEXT         the rest of the line typed into an entry field: each
                      letter, digit or space as its digit key, then F4 until
                      the letter comes (the letters of the keys below)
    wait NAME         wait for a screen drawn after the last key: NAME is a
                      description file ("kkt_menu_sales.xml"), or else the
                      title of a message box or of a form built without a
                      description file (the rest of the line)
    pause MS          wait MS milliseconds
    shot NAME         the screen as it is now into SHOTS/NAME.png

A wait gives up after --wait-seconds (default 60): the line and what came
instead go to stderr, exit status 1. A bad line: "SCRIPT line N: what" on
stderr and exit status 2 (so do bad arguments)."""

import argparse
import json
import os
import struct
import subprocess
import sys
import time

# The keypad's Linux key codes.
KEYS = {
    "enter": 28, "cancel": 223, "back": 14, "up": 103, "down": 108, "fn": 102,
    "f1": 59, "f2": 60, "f4": 69, "f5": 139, "add": 241, "remove": 242, "edit": 243,
}
for _d in range(1, 10):
    KEYS[str(_d)] = 1 + _d
KEYS["0"] = 11
BACKSPACE = 14
NEXT_LETTER = 69  # F4 steps an entry field's pending key to its next letter
HOLD_SECONDS = 1.3  # the keypad driver takes a press of over 1 s as held

# The letters of the digit keys in the program's entry fields, in the order
# the presses step through them.
LETTERS = {
    "0": "0 @-+*/=#", "1": "1.,QZqz_'\"", "2": "2АБВГабвгABCabc", "3": "3ДЕЖЗдежзDEFdef",
    "4": "4ИЙКЛийклGHIghi", "5": "5МНОПмнопJKLjkl", "6": "6РСТУрстуMNOmno", "7": "7ФХЦЧфхцчPRSprs",
    "8": "8ШЩЪЫшщъыTUVtuv", "9": "9ЬЭЮЯьэюяWXYwxy",
}
TYPING = {}
for _key, _row in LETTERS.items():
    for _i, _c in enumerate(_row):
        TYPING.setdefault(_c, (_key, _i))


class ScriptError(Exception):
    pass


def key_code(name):
    if name in KEYS:
        return KEYS[name]
    if name.startswith("code:") and name[5:].isdigit() and 0 < int(name[5:]) <= 0xFFFF:
        return int(name[5:])
    return None


def parse_script(text, source):
    """The statements as (line number, verb, argument) tuples."""
    out = []
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        verb, _, rest = line.partition(" ")
        rest = rest.strip()
        where = "%s line %d: " % (source, number)
        if verb == "key":
            if not rest:
                raise ScriptError(where + "\"key\" takes one or more key names")
            codes = []
            for name in rest.split():
                if name == "clear":
                    codes.append("clear")
                    continue
                code = key_code(name)
                if code is None:
                    raise ScriptError(where + "no key \"%s\"" % name)
                codes.append(code)
            out.append((number, "key", codes))
        elif verb == "text":
            # The raw line keeps the spaces inside the text.
            typed = raw.strip()[len("text"):]
            typed = typed[1:] if typed.startswith(" ") else typed
            if not typed:
                raise ScriptError(where + "\"text\" takes the text to type")
            for c in typed:
                if c not in TYPING:
                    raise ScriptError(where + "\"%s\" is on no key" % c)
            out.append((number, "text", typed))
        elif verb == "wait":
            if not rest:
                raise ScriptError(where + "\"wait\" takes a screen: a description file or a title")
            out.append((number, "wait", rest))
        elif verb == "pause":
            if not rest.isdigit() or int(rest) > 600000:
                raise ScriptError(where + "\"pause\" takes milliseconds (0-600000)")
            out.append((number, "pause", int(rest)))
        elif verb == "shot":
            if not rest or not all(c.isalnum() or c in "-_." for c in rest) or rest.startswith("."):
                raise ScriptError(where + "\"shot\" takes a name of letters, digits, \"-\", \"_\" and \".\"")
            out.append((number, "shot", rest))
        else:
            raise ScriptError(where + "unknown statement \"%s\"" % verb)
    return out


class Player:
    def __init__(self, root, trace, shots, fbshot, wait_seconds):
        self.root = root
        self.trace = trace
        self.shots = shots
        self.fbshot = fbshot
        self.wait_seconds = wait_seconds
        self.keypad = os.open(os.path.join(root, "dev/keypad"), os.O_RDWR)
        self.mark = 0  # screens drawn after this offset count; at first all of them

    def trace_size(self):
        try:
            return os.path.getsize(self.trace)
        except OSError:
            return 0

    def record(self, code, value):
        now = time.time()
        os.write(self.keypad, struct.pack("<IIHHi", int(now), int(now % 1 * 1e6), 1, code, value))

    def press(self, code):
        self.mark = self.trace_size()
        self.record(code, 1)
        self.record(code, 0)

    def clear(self):
        self.mark = self.trace_size()
        self.record(BACKSPACE, 1)
        time.sleep(HOLD_SECONDS)
        self.record(BACKSPACE, 0)

    def screens(self):
        """The screen lines written since the last key."""
        try:
            with open(self.trace, "rb") as f:
                f.seek(self.mark)
                data = f.read()
        except OSError:
            return []
        out = []
        for raw in data.split(b"\n")[:-1]:  # a line still being written waits
            try:
                item = json.loads(raw.decode("utf-8"))
            except ValueError:
                continue
            if isinstance(item, dict) and item.get("event") == "screen":
                out.append(item)
        return out

    def wait(self, name):
        end = time.monotonic() + self.wait_seconds
        while True:
            seen = self.screens()
            for s in seen:
                if (s.get("file") == name) if name.endswith(".xml") else (not s.get("file") and s.get("header") == name):
                    return None
            if time.monotonic() > end:
                last = seen[-1] if seen else None
                return "no screen \"%s\" within %d s (last drawn: %s)" % (
                    name, self.wait_seconds,
                    "nothing" if last is None else (last.get("file") or "\"%s\"" % last.get("header", "")))
            time.sleep(0.05)

    def settled(self):
        """Waits until two readings of the screen file a little apart agree."""
        fb = os.path.join(self.root, "dev/graphics/fb0")
        before = None
        for _ in range(100):
            with open(fb, "rb") as f:
                now = f.read()
            if now == before:
                return
            before = now
            time.sleep(0.1)

    def shot(self, name):
        if not self.shots or not self.fbshot:
            return "no --shots folder or --fbshot program for a shot"
        os.makedirs(self.shots, exist_ok=True)
        self.settled()
        png = os.path.join(self.shots, name + ".png")
        if subprocess.call([self.fbshot, "--root", self.root, png]) != 0:
            return "fbshot could not write " + png
        return None

    def play(self, statements, source):
        for number, verb, arg in statements:
            failure = None
            if verb == "key":
                for code in arg:
                    self.clear() if code == "clear" else self.press(code)
            elif verb == "text":
                for c in arg:
                    key, steps = TYPING[c]
                    self.press(KEYS[key])
                    for _ in range(steps):
                        self.press(NEXT_LETTER)
            elif verb == "wait":
                failure = self.wait(arg)
            elif verb == "pause":
                time.sleep(arg / 1000.0)
            elif verb == "shot":
                failure = self.shot(arg)
            if failure:
                print("%s line %d: %s" % (source, number, failure), file=sys.stderr)
                return 1
        return 0


class Parser(argparse.ArgumentParser):
    def error(self, message):
        self.print_usage(sys.stderr)
        print("keyplay: " + message, file=sys.stderr)
        sys.exit(2)


def main():
    p = Parser(description="Plays a key script on the cash register's keypad.")
    p.add_argument("--check", action="store_true", help="only check the script")
    p.add_argument("--root", help="the terminal root (its dev/keypad)")
    p.add_argument("--trace", help="the program's trace (CASHDESK_TRACE)")
    p.add_argument("--shots", help="the folder of the shots")
    p.add_argument("--fbshot", help="the fbshot program")
    p.add_argument("--wait-seconds", type=int, default=60)
    p.add_argument("script")
    a = p.parse_args()
    try:
        with open(a.script, encoding="utf-8") as f:
            text = f.read()
    except (OSError, UnicodeDecodeError) as e:
        print("keyplay: cannot read %s: %s" % (a.script, e), file=sys.stderr)
        return 2
    try:
        statements = parse_script(text, a.script)
    except ScriptError as e:
        print(e, file=sys.stderr)
        return 2
    if a.check:
        return 0
    if not a.root or not a.trace or a.wait_seconds <= 0:
        p.error("--root and --trace are needed to play, --wait-seconds above 0")
    try:
        player = Player(a.root, a.trace, a.shots, a.fbshot, a.wait_seconds)
    except OSError as e:
        print("keyplay: no keypad in %s: %s" % (a.root, e), file=sys.stderr)
        return 2
    return player.play(statements, a.script)


if __name__ == "__main__":
    sys.exit(main())
