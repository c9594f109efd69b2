#!/usr/bin/env python3
"""The help file next to the executable: its title in the code page it declares (Windows-1251
for Russian), and the same bytes when compiled again from the same sources.

usage: help_file_test.py BUILT_CHM SOURCE_DIR COMPILER...
"""
import struct
import subprocess
import sys
import tempfile

TITLE = "Zantrel: вопросы и ответы"


def encint(data, at):
    value = 0
    while True:
        value = (value << 7) | (data[at] & 0x7F)
        at += 1
        if data[at - 1] < 0x80:
            return value, at


def system_entries(chm):
    """The #SYSTEM file's entries (code: data), from the directory's first listing chunk."""
    assert chm[:4] == b"ITSF", "not a compiled help file"
    directory, content = struct.unpack_from("<Q", chm, 0x48)[0], struct.unpack_from("<Q", chm, 0x58)[0]
    chunk = directory + struct.unpack_from("<I", chm, directory + 8)[0]
    assert chm[chunk:chunk + 4] == b"PMGL"
    at = chunk + 20
    while True:
        length, at = encint(chm, at)
        name = chm[at:at + length]
        section, at = encint(chm, at + length)
        offset, at = encint(chm, at)
        size, at = encint(chm, at)
        if name == b"/#SYSTEM":
            break
    assert section == 0
    system = chm[content + offset:content + offset + size]
    entries, at = {}, 4
    while at + 4 <= len(system):
        code, length = struct.unpack_from("<HH", system, at)
        entries[code] = system[at + 4:at + 4 + length]
        at += 4 + length
    return entries


def main():
    built, source, compiler = sys.argv[1], sys.argv[2], sys.argv[3:]
    with open(built, "rb") as f:
        chm = f.read()
    entries = system_entries(chm)
    assert struct.unpack_from("<I", entries[4], 0)[0] == 0x419, "not Russian"
    title = entries[3]
    assert title == TITLE.encode("cp1251") + b"\0", f"title bytes {title!r}"

    with tempfile.TemporaryDirectory() as scratch:
        subprocess.run(compiler + [source, scratch + "/work", scratch + "/again.chm"], check=True)
        with open(scratch + "/again.chm", "rb") as f:
            again = f.read()
    differ = [i for i in range(min(len(chm), len(again))) if chm[i] != again[i]]
    assert len(chm) == len(again) and not differ, f"compiled again: differs at {differ[:8]}"


if __name__ == "__main__":
    main()
