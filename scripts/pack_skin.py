#!/usr/bin/env python3
"""Packs a skin folder into a ZIP deterministically: entries sorted by path,
one fixed time stamp, fixed attributes, host system and compression level,
a directory entry for every folder ("Image/", "Layout/"), deflate for files.
Hidden files (editor and OS leftovers) are left out. The same folder always
gives the same bytes, whatever the checkout's file times or umask."""
import os
import sys
import zipfile

FIXED_TIME = (2020, 1, 1, 0, 0, 0)
LEVEL = 9


def entry(name, is_dir):
    info = zipfile.ZipInfo(name, FIXED_TIME)
    info.create_system = 3          # Unix attributes in the high word
    info.create_version = 20
    info.extract_version = 20
    if is_dir:
        info.external_attr = (0o40755 << 16) | 0x10
        info.compress_type = zipfile.ZIP_STORED
    else:
        info.external_attr = 0o100644 << 16
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main(source: str, target: str) -> None:
    entries = []
    for folder, dirs, files in os.walk(source):
        dirs[:] = sorted(d for d in dirs if not d.startswith("."))
        rel = os.path.relpath(folder, source).replace(os.sep, "/")
        if rel != ".":
            entries.append((rel + "/", None))
        for name in sorted(files):
            if name.startswith("."):
                continue
            path = os.path.join(folder, name)
            entries.append((os.path.relpath(path, source).replace(os.sep, "/"), path))
    entries.sort(key=lambda e: e[0])
    tmp = target + ".tmp"
    with zipfile.ZipFile(tmp, "w", compresslevel=LEVEL) as archive:
        for name, path in entries:
            if path is None:
                archive.writestr(entry(name, True), b"")
            else:
                with open(path, "rb") as f:
                    archive.writestr(entry(name, False), f.read(), compresslevel=LEVEL)
    os.replace(tmp, target)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
