#!/usr/bin/env python3
"""Packs a payload folder into a 7z archive (LZMA2, BCJ for executables,
solid blocks of bounded size) and stores it with its first two bytes
exchanged, the form the installer carries as resource _7Z/APP.7Z.

The installer decodes independent solid blocks in parallel, each with a
window of the dictionary's size: 32 MB blocks give several blocks per payload
and a 16 MB dictionary keeps each decoder small."""
import os
import subprocess
import sys
import tempfile


def main(source: str, target: str) -> None:
    with tempfile.TemporaryDirectory() as work:
        archive = os.path.join(work, "payload.7z")
        subprocess.run(
            ["7zz", "a", "-t7z", "-mx=7", "-m0=LZMA2", "-mqs=on", "-md=16m", "-ms=32m", "-mtm=on",
             "-bd", "-bso0", "-bsp0", archive, "."],
            cwd=source, check=True)
        with open(archive, "rb") as f:
            data = bytearray(f.read())
    data[0], data[1] = data[1], data[0]
    tmp = target + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, target)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
