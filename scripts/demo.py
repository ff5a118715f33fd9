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


REGISTRY_KEYS = [
    "HKLM\\Software\\Wow6432Node\\tarnwick",
    "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\tarnwick",
    "HKCU\\Software\\tarnwick",
]


def query(args, env):
    """Lines a Wine console tool prints (reg, sc), without the blank ones."""
    out = subprocess.run(["wine", *args], env=env, capture_output=True, text=True, errors="replace").stdout
    return [line.rstrip() for line in out.splitlines() if line.strip()]


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
    code = (drive / "zrl-exit.txt").read_text().strip()
    # Ask while the session (and so the service) still runs.
    registry = {key: query(["reg", "query", key], env) for key in REGISTRY_KEYS}
    service = query(["sc", "query", "tarnwickSvc"], env)
    run(["wineserver", "-w"], env)

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
    print("  registry      :")
    for key, lines in registry.items():
        print(f"    {key}" + ("" if lines else "  (absent)"))
        for line in lines[1:]:
            print("      " + line.strip())
    state = next((line.split(":", 1)[1].strip() for line in service if "STATE" in line), "not installed")
    print(f"  service       : tarnwickSvc {state}")
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
