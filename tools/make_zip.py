#!/usr/bin/env python3
"""Packs a folder into a zip whose bytes depend only on the files' contents.

    make_zip.py FOLDER ZIP YYYY-MM-DD

Two builds of the same source, in other folders and at other times, must
give the same zip, so that a teacher can check a colleague's against the
tested one by its SHA-256. So nothing of the build's machine goes in: every
entry carries the given date, not its file's time; the entries come in the
order of their names (a folder just before what it holds), not in the order
the disk lists them; and each has fixed permissions and no owner (a general
zip tool adds the files' owners and their access times). The time of day is
noon, so that a tool that takes a zip's times for UTC and moves them into
its own time zone still shows the same date.
"""

import os
import sys
import zipfile

PROGRAM_SUFFIXES = (".exe", ".dll")
UNIX = 3  # the system that "made" the entry, so that its permissions are read


def entry(name, date, mode):
    info = zipfile.ZipInfo(name, date_time=date)
    info.create_system = UNIX
    info.external_attr = mode << 16
    return info


def names_in(folder):
    """Every folder (with a trailing /) and file under folder, sorted."""
    names = []
    for parent, folders, files in os.walk(folder):
        relative = os.path.relpath(parent, folder).replace(os.sep, "/")
        prefix = "" if relative == "." else relative + "/"
        names += [prefix + name + "/" for name in folders]
        names += [prefix + name for name in files]
    return sorted(names)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    folder, zip_path, day = sys.argv[1:]
    date = tuple(int(part) for part in day.split("-")) + (12, 0, 0)
    partial = zip_path + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in names_in(folder):
            if name.endswith("/"):
                info = entry(name, date, 0o40755)
                info.external_attr |= 0x10  # the folder bit that Windows reads
                archive.writestr(info, b"")
                continue
            mode = 0o100755 if name.lower().endswith(PROGRAM_SUFFIXES) else 0o100644
            info = entry(name, date, mode)
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
    os.replace(partial, zip_path)


if __name__ == "__main__":
    main()
