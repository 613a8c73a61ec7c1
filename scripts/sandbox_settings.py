#!/usr/bin/env python3
"""The sandbox's settings: an Ethernet connection "lan" (ETH1 on 127.0.0.1)
and srvsim's port as the OFD server's ("shift/ofd"), added to the settings
file of the sandbox (scripts/sandbox.sh).

    scripts/sandbox_settings.py SETTINGS_FILE PORT

A missing file is made. A regular file that is a settings file gets the
two added and is replaced whole (a new file beside it, renamed over it).
Anything else at the name, a FIFO, a device, a folder, a link, a file that
is not a settings file or cannot be read, is left to the program, which
refuses it: the script says so on stderr and changes nothing, and it never
waits on what it finds there. The exit status is 0 in all these cases, 2
for bad arguments.
"""
import os
import stat
import sys
import xml.etree.ElementTree as ET


def note(path, why):
    print(f"sandbox_settings: {path} {why}: left to cashdesk as it is", file=sys.stderr)


def read_settings(path):
    """The tree of the file, None for a missing one, or False when the file
    is left alone."""
    try:
        st = os.lstat(path)
    except FileNotFoundError:
        return None
    if not stat.S_ISREG(st.st_mode):
        note(path, "is not a regular file")
        return False
    try:
        # Not through a link, not waiting on what took the name meanwhile.
        fd = os.open(path, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK | os.O_NOCTTY)
    except OSError as e:
        note(path, f"cannot be opened ({e.strerror})")
        return False
    with os.fdopen(fd, "rb") as f:
        if not stat.S_ISREG(os.fstat(f.fileno()).st_mode):
            note(path, "is not a regular file")
            return False
        data = f.read()
    try:
        tree = ET.ElementTree(ET.fromstring(data))
    except ET.ParseError as e:
        note(path, f"is not XML ({e})")
        return False
    if tree.getroot().tag != "settings":
        note(path, "is not a settings file")
        return False
    return tree


def add_sandbox(top, port):
    conns = top.find("connections")
    if conns is None:
        conns = ET.SubElement(top, "connections")
    if not any(c.get("name") == "lan" for c in conns.findall("conn")):
        ET.SubElement(conns, "conn", name="lan", type="ETH1", dhcp="0", ip="127.0.0.1", mask="255.0.0.0")
    shift = top.find("shift")
    if shift is None:
        shift = ET.SubElement(top, "shift")
    ofd = shift.find("ofd")
    if ofd is None:
        ofd = ET.SubElement(shift, "ofd")
    ofd.set("host", "127.0.0.1")
    ofd.set("port", port)


def write_whole(tree, path):
    temp = path + ".new"
    try:
        os.unlink(temp)
    except FileNotFoundError:
        pass
    fd = os.open(temp, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW, 0o600)
    with os.fdopen(fd, "wb") as f:
        tree.write(f, encoding="UTF-8", xml_declaration=True)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temp, path)


def main(argv):
    if len(argv) != 3 or not argv[2].isdigit():
        print("usage: sandbox_settings.py SETTINGS_FILE PORT", file=sys.stderr)
        return 2
    path, port = argv[1], argv[2]
    tree = read_settings(path)
    if tree is False:
        return 0
    if tree is None:
        tree = ET.ElementTree(ET.Element("settings"))
    add_sandbox(tree.getroot(), port)
    write_whole(tree, path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
