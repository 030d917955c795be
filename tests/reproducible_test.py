#!/usr/bin/env python3
"""The zip for a class, built again, must be the zip the tests ran.

    reproducible_test.py SOURCE TESTED_ZIP WORK

Copies SOURCE's files (those git tracks or would track, or all but build/
where there is no git) into WORK, another folder, and runs `./build.sh zip`
there: a second build of the same source, minutes after the first, by the
teacher's shorter way, with freeglut fetched and built again. Its zip must
have the SHA-256 of TESTED_ZIP. When it differs, the test names the first
file inside the zip that differs, and how.
"""

import hashlib
import os
import shutil
import subprocess
import sys
import zipfile


def git(source, *arguments):
    return subprocess.run(["git", "-C", source, *arguments], check=True, capture_output=True).stdout.decode()


def source_files(source):
    """The source's files, as a clean clone of it would hold them."""
    try:
        # A copy of the tree inside another checkout's build folder is no
        # checkout of its own: git would answer for the other one.
        if os.path.realpath(git(source, "rev-parse", "--show-toplevel").strip()) != os.path.realpath(source):
            raise OSError("not the top of a checkout")
        listed = git(source, "ls-files", "-z", "--cached", "--others", "--exclude-standard")
        names = [name for name in listed.split("\0") if name]
    except (OSError, subprocess.CalledProcessError):
        names = []
        for parent, folders, files in os.walk(source):
            if parent == source and "build" in folders:
                folders.remove("build")
            names += [os.path.relpath(os.path.join(parent, name), source) for name in files]
    return [name for name in names if os.path.isfile(os.path.join(source, name))]


def copy_source(source, copy):
    shutil.rmtree(copy, ignore_errors=True)
    for name in source_files(source):
        target = os.path.join(copy, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(os.path.join(source, name), target)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def header(info):
    return {"date": info.date_time, "permissions": oct(info.external_attr >> 16),
            "system": info.create_system, "compression": info.compress_type, "extra": info.extra,
            "comment": info.comment}


def first_difference(tested_path, rebuilt_path):
    """Where the two zips first differ, in words."""
    with zipfile.ZipFile(tested_path) as tested, zipfile.ZipFile(rebuilt_path) as rebuilt:
        a, b = tested.infolist(), rebuilt.infolist()
        for index, (x, y) in enumerate(zip(a, b)):
            if x.filename != y.filename:
                return f"entry {index + 1} is {x.filename} in the tested zip, {y.filename} in the rebuilt one"
            ours, theirs = tested.read(x), rebuilt.read(y)
            if ours != theirs:
                at = next((i for i, (p, q) in enumerate(zip(ours, theirs)) if p != q), min(len(ours), len(theirs)))
                return (f"{x.filename}: its bytes differ, first at offset {at} (0x{at:x}) "
                        f"of {len(ours)} and {len(theirs)} bytes")
            for field, value in header(x).items():
                if header(y)[field] != value:
                    return f"{x.filename}: its {field} is {value} in the tested zip, {header(y)[field]} in the rebuilt one"
        if len(a) != len(b):
            extra, which = (a, "tested") if len(a) > len(b) else (b, "rebuilt")
            return f"only the {which} zip holds {extra[min(len(a), len(b))].filename}"
        if tested.comment != rebuilt.comment:
            return "the zips' comments differ"
    return "every file is the same, but the zips' own records differ"


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: reproducible_test.py SOURCE TESTED_ZIP WORK")
    source, tested, work = (os.path.abspath(path) for path in sys.argv[1:])
    copy = os.path.join(work, "tidewick")
    copy_source(source, copy)
    log = os.path.join(work, "build.log")
    print(f"Building the zip again in {copy} with ./build.sh zip (its output: {log})", flush=True)
    with open(log, "w") as output:
        built = subprocess.run(["bash", "build.sh", "zip"], cwd=copy, stdout=output, stderr=subprocess.STDOUT)
    if built.returncode != 0:
        with open(log) as output:
            print("".join(output.readlines()[-30:]))
        sys.exit(f"FAILED: ./build.sh zip failed (status {built.returncode}) in {copy}")
    rebuilt = os.path.join(copy, "build", "zip", os.path.basename(tested))
    if not os.path.isfile(rebuilt):
        sys.exit(f"FAILED: ./build.sh zip made no {rebuilt}")
    ours, theirs = sha256(tested), sha256(rebuilt)
    print(f"tested:  {ours}  {tested}")
    print(f"rebuilt: {theirs}  {rebuilt}")
    if ours != theirs:
        sys.exit("FAILED: the zips differ. The first difference: " + first_difference(tested, rebuilt))
    print("The same bytes.")


if __name__ == "__main__":
    main()
