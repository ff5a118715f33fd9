#!/usr/bin/env python3
"""Runs the carried installer silently in a fresh Wine prefix and prints a
short report: exit code, time taken, installed files, registry entries the
install wrote, shortcuts, the install log and the debug trace."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path


def run(cmd, env, **kw):
    return subprocess.run(cmd, env=env, **kw)


def main(build: Path) -> int:
    root = Path(__file__).resolve().parents[1]
    template = build / "wine" / "template"
    run([root / "scripts" / "wine-env.sh", "prefix", template], os.environ, check=True)
    work = Path(tempfile.mkdtemp(prefix="zrl-demo-"))
    prefix = work / "prefix"
    subprocess.run(["cp", "-a", str(template), str(prefix)], check=True)
    env = dict(os.environ, WINEPREFIX=str(prefix), HOME=str(prefix / "home"), WINEARCH="win64",
               WINEDEBUG="-all", WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d",
               ZRLSETUP_TRACE_FILE="C:\\zrl-trace.txt")
    drive = prefix / "drive_c"
    before = {p for p in drive.rglob("*")}

    setup = build / "zrlinstaller.exe"
    exit_file = "C:\\zrl-exit.txt"
    started = time.monotonic()
    run(["wine", build / "tests" / "tools" / "exitcode.exe", exit_file,
         "Z:" + str(setup).replace("/", "\\"), "/InstallSlience", "true"], env,
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=600)
    elapsed = time.monotonic() - started
    run(["wineserver", "-w"], env)
    code = (drive / "zrl-exit.txt").read_text().strip()

    skip = {"zrl-exit.txt", "zrl-trace.txt"}
    new_files = sorted(p for p in drive.rglob("*")
                       if p not in before and p.is_file() and p.name not in skip
                       and "Temp" not in p.parts)
    print(f"zrlsetup demo: silent install of {setup.name} ({setup.stat().st_size // 1024} KiB)")
    print(f"  exit code     : {code}")
    print(f"  time taken    : {elapsed:.1f} s (Wine start-up included)")
    print(f"  files written : {len(new_files)}")
    for path in new_files[:40]:
        print(f"    C:\\{path.relative_to(drive)}".replace("/", "\\") + f"  ({path.stat().st_size} bytes)")
    logs = sorted((drive / "users").rglob("Install_*.log"))
    print("  install log   : " + (str(logs[-1].name) if logs else "none"))
    for log in logs[-1:]:
        for line in log.read_text(errors="replace").splitlines():
            print("    " + line)
    trace = drive / "zrl-trace.txt"
    print("  debug trace   :")
    for line in (trace.read_text(errors="replace").splitlines() if trace.exists() else []):
        print("    " + line)
    run(["wineserver", "-k"], env)
    shutil.rmtree(work, ignore_errors=True)
    return 0 if code == "0" else 1


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1]).resolve()))
