#!/usr/bin/env python3
"""Time from process start to the first painted frame: the skin toolkit with
the carried skin (skinview.exe) side by side with an NSIS Modern UI installer,
both under the same Wine and Xvfb, warm (one run of each first, not counted).

Both are measured the same way from outside: the clock starts when `wine` is
spawned and stops when the window is mapped and its area is no longer a
single colour (polled with xdotool and ImageMagick). skinview also reports
its own first WM_PAINT, measured from its process creation time.

It also prints the size the toolkit and the skin add to an executable.

usage: first_paint.py <build dir> [runs, default 7]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]

NSI = r'''
Unicode true
!include "MUI2.nsh"
Name "BenchMUI"
OutFile "{out}"
InstallDir "$PROGRAMFILES\BenchMUI"
RequestExecutionLevel user
SetCompressor /SOLID lzma
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"
Section
  SetOutPath "$INSTDIR"
  File "{payload}"
SectionEnd
'''


def run(cmd, env, **kw):
    return subprocess.run(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, **kw)


def window_geometry(env, title):
    ids = run(["xdotool", "search", "--onlyvisible", "--name", title], env).stdout.split()
    if not ids:
        return None
    out = run(["xdotool", "getwindowgeometry", "--shell", ids[0]], env).stdout
    g = dict(line.split("=", 1) for line in out.split())
    return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])


def painted(env, geometry):
    x, y, w, h = geometry
    if w < 50 or h < 50:
        return False
    out = run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w - 20, h - 20, x + 10, y + 10),
               "-format", "%[fx:standard_deviation]", "info:"], env).stdout
    try:
        return float(out) > 0.02
    except ValueError:
        return False


def time_to_paint(env, args, title, timeout=60):
    start = time.monotonic()
    process = subprocess.Popen(["wine", *args], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = None
    try:
        while time.monotonic() - start < timeout:
            g = window_geometry(env, title)
            if g and painted(env, g):
                elapsed = (time.monotonic() - start) * 1000
                break
            time.sleep(0.01)
    finally:
        process.kill()
        run(["wineserver", "-k"], env)
        run(["wineserver", "-w"], env)
    return elapsed


def main(build, runs):
    build = Path(build)
    work = Path(tempfile.mkdtemp(prefix="first-paint-"))
    prefix = work / "prefix"
    shutil.copytree(build / "wine" / "template", prefix, symlinks=True)
    xvfb_read, xvfb_write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(xvfb_write), "-screen", "0", "1280x1024x24", "-nolisten",
                             "tcp", "-noreset"], pass_fds=(xvfb_write,), stderr=subprocess.DEVNULL)
    os.close(xvfb_write)
    display = ":" + os.fdopen(xvfb_read).readline().strip()
    env = dict(os.environ, WINEPREFIX=str(prefix), HOME=str(prefix / "home"), WINEDEBUG="-all", DISPLAY=display,
               WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d")
    try:
        payload = work / "payload.bin"
        payload.write_bytes(os.urandom(64 * 1024))
        nsis_exe = work / "nsis-mui.exe"
        (work / "bench.nsi").write_text(NSI.format(out=nsis_exe, payload=payload), encoding="utf-8")
        subprocess.run(["makensis", "-V1", str(work / "bench.nsi")], check=True)

        skin = build / "zrlinstaller.res" / "skin.zip"
        report = work / "report.txt"
        skinview = [str(build / "tests" / "tools" / "skinview.exe"), str(skin), "Z:" + str(report).replace("/", "\\")]
        candidates = {"skin toolkit (carried skin)": (skinview, "SkinViewTest"),
                      "NSIS Modern UI": ([str(nsis_exe)], "BenchMUI")}
        figures = {name: [] for name in candidates}
        internal, entry = [], []
        for name, (args, title) in candidates.items():
            time_to_paint(env, args, title)    # warm-up
        for _ in range(runs):
            for name, (args, title) in candidates.items():
                if report.exists():
                    report.unlink()
                ms = time_to_paint(env, args, title)
                figures[name].append(ms)
                if name.startswith("skin") and report.exists():
                    for line in report.read_text(encoding="utf-8").splitlines():
                        if line.startswith("firstpaint "):
                            internal.append(int(line.split()[1]))
                        if line.startswith("entry "):
                            entry.append(int(line.split()[1]))
        print("first painted frame, warm, %d runs each (ms, measured from outside)" % runs)
        print("%-30s %8s %8s %8s" % ("", "median", "min", "max"))
        for name, values in figures.items():
            values = [v for v in values if v is not None]
            print("%-30s %8.0f %8.0f %8.0f" % (name, statistics.median(values), min(values), max(values)))
        if internal:
            print("skin toolkit, own first WM_PAINT after process creation: median %d ms" % statistics.median(internal))
        if entry:
            print("  of which before wmain (Wine process start):             median %d ms" % statistics.median(entry))

        base = build / "bench" / "skinui" / "uisize_base.exe"
        full = build / "tests" / "tools" / "skinview.exe"
        sizes = {}
        for exe in (base, full):
            stripped = work / (exe.stem + ".stripped.exe")
            subprocess.run(["i686-w64-mingw32-strip", "-o", str(stripped), str(exe)], check=True)
            sizes[exe.stem] = stripped.stat().st_size
        print()
        print("size growth (bytes)")
        print("%-44s %10d" % ("toolkit code (stripped skinview - baseline)", sizes["skinview"] - sizes["uisize_base"]))
        print("%-44s %10d" % ("skin package (resource ZIP/249)", skin.stat().st_size))
        print("%-44s %10d" % ("NSIS MUI installer, whole (for scale)", nsis_exe.stat().st_size))
    finally:
        xvfb.terminate()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 7)
