#!/usr/bin/env python3
"""What a user might write instead of setsieve: the same three report bodies
from a Python dict. usage: peer.py file1 file2 (writes into the current
folder unique1, unique2 and common, without headers)."""
import re
import sys

TEXT = re.compile(rb"[\x21-\x7e\x80-\xff]")


def lines_of(path):
    with open(path, "rb") as f:
        data = f.read()
    lines = data.replace(b"\r\n", b"\n").split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return lines


def main():
    lines1, lines2 = lines_of(sys.argv[1]), lines_of(sys.argv[2])
    members = {}
    for no, text in enumerate(lines2):
        if TEXT.search(text):
            members.setdefault(text.lower(), []).append(no)
    used = set()
    u1, co = [], []
    for no, text in enumerate(lines1):
        if not TEXT.search(text):
            continue
        group = members.get(text.lower())
        if group is None:
            u1.append(b"%d\t%s\r\n" % (no, text))
            continue
        co.append(b"\r\n%d\t%s\r\n" % (no, text))
        for m in group:
            co.append(b"%d\t%s\r\n" % (m, lines2[m]))
        used.update(group)
    u2 = [b"%d\t%s\r\n" % (no, text) for no, text in enumerate(lines2)
          if no not in used and TEXT.search(text)]
    for name, parts in (("unique1", u1), ("unique2", u2), ("common", co)):
        with open(name, "wb") as f:
            f.write(b"".join(parts))


if __name__ == "__main__":
    main()
