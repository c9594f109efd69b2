#!/usr/bin/env python3
"""Compiles the help file faq.chm from its sources, the same bytes from the same sources.

usage: compile-help.py CHMCMD SOURCE_DIR WORK_DIR OUTPUT

The project file declares Russian (Language=0x419), so a viewer reads the title, the contents
file and the pages in Windows-1251. The sources are kept in UTF-8 and written out here in
Windows-1251, with their charset declarations. In a page a character that code page lacks
becomes a character reference (&#8594;); in the project and contents files, which take none,
it stops the build. The compiler stamps the file with the time it ran in two places (the file header and the
#SYSTEM entry 10; entry 4 has room for one more, which some compilers fill): they are set to
zero afterwards, and a file where they cannot be found stops the build.
"""
import os
import re
import shutil
import struct
import subprocess
import sys

TEXT_SUFFIXES = (".hhp", ".hhc", ".hhk", ".html", ".htm")


def to_cp1251(path, target):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r"charset=utf-8", "charset=windows-1251", text, flags=re.IGNORECASE)
    page = path.lower().endswith((".html", ".htm"))
    try:
        data = text.encode("cp1251", "xmlcharrefreplace" if page else "strict")
    except UnicodeEncodeError as e:
        sys.exit(f"{path}: {text[e.start]!r} has no Windows-1251 code")
    with open(target, "wb") as f:
        f.write(data)


def encint(data, at):
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def section0_file(chm, name):
    """Offset and length of an uncompressed file of the archive (section 0)."""
    directory = struct.unpack_from("<Q", chm, 0x48)[0]
    content = struct.unpack_from("<Q", chm, 0x58)[0]
    if chm[directory:directory + 4] != b"ITSP":
        raise ValueError("no directory header")
    header = struct.unpack_from("<I", chm, directory + 8)[0]
    chunk_size = struct.unpack_from("<I", chm, directory + 16)[0]
    chunks = struct.unpack_from("<I", chm, directory + 44)[0]
    for n in range(chunks):
        chunk = directory + header + n * chunk_size
        if chm[chunk:chunk + 4] != b"PMGL":
            continue
        free = struct.unpack_from("<I", chm, chunk + 4)[0]
        at, end = chunk + 20, chunk + chunk_size - free
        while at < end:
            length, at = encint(chm, at)
            entry = chm[at:at + length]
            at += length
            section, at = encint(chm, at)
            offset, at = encint(chm, at)
            size, at = encint(chm, at)
            if entry == name and section == 0:
                return content + offset, size
    raise ValueError(f"no {name.decode()} in section 0")


def clear_time_stamps(chm):
    if chm[:4] != b"ITSF" or struct.unpack_from("<I", chm, 4)[0] != 3:
        raise ValueError("not a version 3 ITSF file")
    chm[0x10:0x14] = bytes(4)
    start, size = section0_file(chm, b"/#SYSTEM")
    at, end = start + 4, start + size  # after the version
    cleared = False
    while at + 4 <= end:
        code, length = struct.unpack_from("<HH", chm, at)
        at += 4
        if code == 10 and length >= 4:
            chm[at:at + 4] = bytes(4)
            cleared = True
        elif code == 4 and length >= 28:
            chm[at + 20:at + 28] = bytes(8)
        at += length
    if not cleared:
        raise ValueError("no time stamp entry in #SYSTEM")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.splitlines()[2])
    chmcmd, source, work, output = sys.argv[1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for name in sorted(os.listdir(source)):
        path = os.path.join(source, name)
        if name.lower().endswith(TEXT_SUFFIXES):
            to_cp1251(path, os.path.join(work, name))
        elif os.path.isfile(path):
            shutil.copyfile(path, os.path.join(work, name))
    project = [n for n in os.listdir(work) if n.endswith(".hhp")]
    if len(project) != 1:
        sys.exit(f"{source}: expected one .hhp project file")
    with open(work + ".log", "wb") as log:
        run = subprocess.run([chmcmd, project[0]], cwd=work, stdout=log, stderr=subprocess.STDOUT)
    compiled = os.path.join(work, os.path.splitext(project[0])[0] + ".chm")
    if run.returncode != 0 or not os.path.isfile(compiled):
        sys.exit(f"{chmcmd} failed; see {work}.log")
    with open(compiled, "rb") as f:
        chm = bytearray(f.read())
    try:
        clear_time_stamps(chm)
    except (ValueError, struct.error, IndexError) as e:
        sys.exit(f"{compiled}: {e}")
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    with open(output, "wb") as f:
        f.write(chm)


if __name__ == "__main__":
    main()
