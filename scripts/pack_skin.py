#!/usr/bin/env python3
"""Packs a skin folder into a ZIP deterministically: sorted entries, fixed
times, directory entries included, deflate for everything."""
import os
import sys
import zipfile

FIXED_TIME = (2020, 1, 1, 0, 0, 0)


def main(source: str, target: str) -> None:
    entries = []
    for folder, dirs, files in os.walk(source):
        dirs.sort()
        rel = os.path.relpath(folder, source).replace(os.sep, "/")
        if rel != ".":
            entries.append((rel + "/", None))
        for name in sorted(files):
            path = os.path.join(folder, name)
            entries.append((os.path.relpath(path, source).replace(os.sep, "/"), path))
    entries.sort(key=lambda e: e[0])
    tmp = target + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name, path in entries:
            info = zipfile.ZipInfo(name, FIXED_TIME)
            if path is None:
                info.external_attr = 0o40755 << 16 | 0x10
                archive.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = 0o644 << 16
                with open(path, "rb") as f:
                    archive.writestr(info, f.read())
    os.replace(tmp, target)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
