#!/usr/bin/env python3
"""Payload extraction benchmark: our installer against the LZMA SDK's reference
extractor, an NSIS installer of the same files, and native 7zz.

It generates a deterministic payload (text, executables, already-compressed
data), packs it the way the build packs payloads (scripts/pack_payload.py),
builds an installer whose recipe only extracts it and an NSIS installer of the
same files, then runs, one after another on this machine and under the same
Wine prefix:

  ours         bench_installer.exe /InstallSlience true (silent install)
  ours-1       the same with ZRLSETUP_EXTRACT_WORKERS=1 (serial decode)
  7zdec        the SDK's C/Util/7z/7zMain.c built for the target, "x" on the archive
  nsis         the NSIS installer (solid LZMA) with /S
  7zz          7zz x natively (no Wine): the ceiling

and prints one table: wall time, CPU time (the process tree plus the
wineserver's share for Wine runs), peak private memory (the sum of RssAnon over
the process tree, sampled every 20 ms, the wineserver excluded), output MB/s,
and each figure's ratio to ours. Every extracted tree is compared with the
generated payload, so a fast wrong result cannot pass.

  bench/payload_bench.py --size-mb 800 --files 12000 [--runs 3] [--work DIR]

Generated inputs are kept in the work folder (per size) and reused.
"""
import argparse
import filecmp
import hashlib
import os
import random
import shutil
import statistics
import struct
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
CLK_TCK = os.sysconf("SC_CLK_TCK")


# Payload generation -----------------------------------------------------

def vocabulary(rng, count):
    letters = "etaoinshrdlucmfwypvbgkjqxz"
    return ["".join(rng.choices(letters, k=rng.randint(2, 11))) for _ in range(count)]


def text_bytes(rng, size, words, weights):
    out, total = [], 0
    while total < size:
        line = " ".join(rng.choices(words, cum_weights=weights, k=rng.randint(4, 18))) + "\r\n"
        out.append(line)
        total += len(line)
    return "".join(out).encode()[:size]


def pe_header():
    """The start of a 32-bit x86 PE file, enough for 7-Zip to pick the x86 filter."""
    header = bytearray(0x200)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    header[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", header, 0x44, 0x14C, 1, 0, 0, 0, 0xE0, 0x102)
    struct.pack_into("<H", header, 0x58, 0x10B)
    return bytes(header)


def code_bytes(rng, size, instructions, weights):
    """An executable: a PE header, then machine-code-like bytes (frequent short
    instruction patterns and relative calls, E8 rel32, to nearby addresses,
    which the x86 filter turns absolute)."""
    parts, total = [pe_header()], 0x200
    while total < size:
        chunk = rng.choices(instructions, cum_weights=weights, k=4096)
        call = (0xE8).to_bytes(1, "little") + rng.randint(-65536, 65536).to_bytes(4, "little", signed=True)
        chunk[::24] = [call] * len(chunk[::24])
        block = b"".join(chunk)
        parts.append(block)
        total += len(block)
    return b"".join(parts)[:size]


def generate_payload(folder, size_mb, files, seed=20261210):
    rng = random.Random(seed)
    words = vocabulary(rng, 6000)
    word_weights = list(__import__("itertools").accumulate(1.0 / (i + 1) for i in range(len(words))))
    instructions = [bytes(rng.getrandbits(8) for _ in range(rng.choice((1, 2, 2, 3, 3, 3, 4, 5, 6, 7))))
                    for _ in range(600)]
    code_weights = list(__import__("itertools").accumulate(1.0 / (i + 1) ** 0.8 for i in range(len(instructions))))
    dirs = [""]
    for i in range(max(1, files // 40)):
        parent = rng.choice(dirs)
        if parent.count("/") < 4:
            dirs.append((parent + "/" if parent else "") + rng.choice(words) + str(i))
    raw = [rng.lognormvariate(0, 1.7) for _ in range(files)]
    scale = size_mb * 1_000_000 / sum(raw)
    sizes = [int(r * scale) for r in raw]
    kinds = [("text", ".txt"), ("text", ".xml"), ("text", ".js"), ("text", ".ini"),
             ("code", ".exe"), ("code", ".dll"), ("code", ".dll"),
             ("packed", ".png"), ("packed", ".zip"), ("packed", ".dat")]
    for i, size in enumerate(sizes):
        kind, ext = kinds[i % len(kinds)]
        frng = random.Random(seed * 7919 + i)
        if kind == "text":
            data = text_bytes(frng, size, words, word_weights)
        elif kind == "code":
            data = code_bytes(frng, size, instructions, code_weights)
        else:
            data = frng.randbytes(size)
        path = Path(folder) / rng.choice(dirs) / f"f{i:05d}{ext}"
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    return sum(sizes)


# Process measurement ----------------------------------------------------

def children_map():
    parents = {}
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            stat = Path(entry.path, "stat").read_text()
        except OSError:
            continue
        fields = stat[stat.rindex(")") + 2:].split()
        parents.setdefault(int(fields[1]), []).append(int(entry.name))
    return parents


def tree_of(pid):
    parents = children_map()
    tree, todo = [], [pid]
    while todo:
        p = todo.pop()
        tree.append(p)
        todo.extend(parents.get(p, []))
    return tree


def proc_cpu(pid):
    stat = Path(f"/proc/{pid}/stat").read_text()
    fields = stat[stat.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def proc_anon_kb(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("RssAnon:"):
            return int(line.split()[1])
    return 0


def wineserver_pid(prefix):
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            if os.path.basename(os.readlink(f"/proc/{entry.name}/exe")) != "wineserver":
                continue
            environ = Path(f"/proc/{entry.name}/environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environ:
            return int(entry.name)
    return None


def measure(command, env, cwd, wine_prefix=None):
    """Runs command to its end; returns (wall s, cpu s, peak anon MB, exit code)."""
    server = wineserver_pid(wine_prefix) if wine_prefix else None
    server_cpu = proc_cpu(server) if server else 0.0
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak, cpu_seen, usage, tree, samples = 0, {}, None, [], 0
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid == process.pid:
            process.returncode = os.waitstatus_to_exitcode(status)
            break
        if samples % 10 == 0:   # the tree changes rarely; scanning /proc costs
            tree = [p for p in tree_of(process.pid) if p != server]
        samples += 1
        total = 0
        for pid in tree:
            try:
                total += proc_anon_kb(pid)
                cpu_seen[pid] = proc_cpu(pid)
            except (OSError, ValueError):
                pass
        peak = max(peak, total)
        time.sleep(0.02)
    wall = time.monotonic() - start
    # The launched process's own figure comes from the kernel at its end (with the
    # children it waited for); the other tree members from their last sample.
    cpu = sum(v for pid, v in cpu_seen.items() if pid != process.pid)
    cpu += usage.ru_utime + usage.ru_stime
    if server:
        cpu += proc_cpu(server) - server_cpu
    return wall, cpu, peak / 1024, process.returncode


# Builds -----------------------------------------------------------------

def pack(payload, work):
    # Kept per version of the packing script, so a change of it packs again.
    key = hashlib.sha256((ROOT / "scripts" / "pack_payload.py").read_bytes()).hexdigest()[:10]
    work = work / f"pack-{key}"
    work.mkdir(exist_ok=True)
    swapped = work / "payload.7z.swapped"
    plain = work / "payload.7z"
    if not plain.exists():
        started = time.monotonic()
        subprocess.run([sys.executable, str(ROOT / "scripts" / "pack_payload.py"), str(payload), str(swapped)], check=True)
        data = bytearray(swapped.read_bytes())
        data[0], data[1] = data[1], data[0]
        plain.write_bytes(bytes(data))
        print(f"packed in {time.monotonic() - started:.0f} s: {plain.stat().st_size / 1e6:.0f} MB", flush=True)
    return swapped, plain


def build_ours(swapped, work):
    build = work / "build"
    exe = build / "bench_installer.exe"
    if not exe.exists():
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
                        f"-DCMAKE_TOOLCHAIN_FILE={ROOT / 'cmake' / 'mingw-i686.cmake'}",
                        "-DBUILD_TESTING=OFF", f"-DZRL_BENCH_PACKED_PAYLOAD={swapped}"],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["ninja", "-C", str(build), "bench_installer"], check=True, stdout=subprocess.DEVNULL)
    return exe


def build_nsis(payload, work):
    exe = work / "nsis_setup.exe"
    if not exe.exists():
        script = work / "setup.nsi"
        script.write_text(f'''Unicode true
SetCompressor /SOLID lzma
OutFile "{exe}"
InstallDir "$TEMP\\nsis-out"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "$INSTDIR"
  File /r "{payload}/*"
SectionEnd
''')
        started = time.monotonic()
        subprocess.run(["makensis", "-V2", str(script)], check=True, stdout=subprocess.DEVNULL)
        print(f"NSIS installer built in {time.monotonic() - started:.0f} s", flush=True)
    return exe


def reference_extractor():
    deps = Path(os.environ.get("ZRL_DEPS_CACHE", Path.home() / ".cache" / "zrlsetup-deps")) / "deps.cmake"
    for line in deps.read_text().splitlines():
        if line.startswith("set(ZRL_LZMA_DIR "):
            return Path(line.split('"')[1]) / "src" / "7zdec.exe"
    raise SystemExit("no ZRL_LZMA_DIR in " + str(deps))


def make_prefix(work):
    prefix = work / "prefix"
    subprocess.run([str(ROOT / "scripts" / "wine-env.sh"), "prefix", str(prefix)], check=True)
    return prefix


# Main -------------------------------------------------------------------

def same_tree(expected, actual):
    comparison = filecmp.dircmp(expected, actual)
    def clean(c):
        if c.left_only or c.right_only or c.diff_files or c.funny_files:
            return False
        # dircmp compares by stat; compare contents for real.
        _, mismatch, errors = filecmp.cmpfiles(c.left, c.right, c.common_files, shallow=False)
        return not mismatch and not errors and all(clean(s) for s in c.subdirs.values())
    return clean(comparison)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--size-mb", type=int, default=800)
    parser.add_argument("--files", type=int, default=12000)
    parser.add_argument("--runs", type=int, default=1, help="runs per contender; the table shows medians")
    parser.add_argument("--work", type=Path, default=ROOT / "build-bench")
    parser.add_argument("--only", default="ours,ours-1,7zdec,nsis,7zz")
    parser.add_argument("--out-dir", type=Path,
                        help="where the contenders write (e.g. under /dev/shm, to time decoding "
                             "rather than the disk); default: inside the Wine prefix")
    args = parser.parse_args()

    work = (args.work / f"{args.size_mb}mb-{args.files}").resolve()
    work.mkdir(parents=True, exist_ok=True)
    payload = work / "payload"
    if not (work / "payload.done").exists():
        shutil.rmtree(payload, ignore_errors=True)
        started = time.monotonic()
        generate_payload(payload, args.size_mb, args.files)
        (work / "payload.done").write_text("ok")
        print(f"payload generated in {time.monotonic() - started:.0f} s", flush=True)
    payload_bytes = sum(p.stat().st_size for p in payload.rglob("*") if p.is_file())
    file_count = sum(1 for p in payload.rglob("*") if p.is_file())

    contenders = args.only.split(",")
    swapped, plain = pack(payload, work)
    ours = build_ours(swapped, swapped.parent) if any(c.startswith("ours") for c in contenders) else None
    nsis = build_nsis(payload, work) if "nsis" in contenders else None
    prefix = make_prefix(work)

    env = dict(os.environ, WINEPREFIX=str(prefix), HOME=str(prefix / "home"), WINEARCH="win64",
               WINEDEBUG="-all", WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d")
    env.pop("ZRLSETUP_EXTRACT_WORKERS", None)
    # One wineserver for every Wine run, started and warmed up beforehand.
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    subprocess.run(["wine", "cmd", "/c", "exit"], env=env, check=True, stdout=subprocess.DEVNULL)

    drive = prefix / "drive_c" / "bench"
    out = drive / "out"
    if drive.is_symlink():
        drive.unlink()
    if args.out_dir:
        # C:\bench is then a link to the chosen folder.
        shutil.rmtree(drive, ignore_errors=True)
        args.out_dir.mkdir(parents=True, exist_ok=True)
        drive.symlink_to(args.out_dir.resolve(), target_is_directory=True)
        drive = args.out_dir.resolve()
        out = drive / "out"

    def wine_path(path):
        return "Z:" + str(path).replace("/", "\\")

    def setup_ours(extra):
        def run():
            out.mkdir(parents=True)
            run_env = dict(env, ZRL_BENCH_DEST="C:\\bench\\out", ZRL_BENCH_RESULT="C:\\bench\\result.txt", **extra)
            result = measure(["wine", str(ours), "/InstallSlience", "true"], run_env, str(work), str(prefix))
            ok = (drive / "result.txt").read_text().strip() == "true"
            return result, ok
        return run

    def run_7zdec():
        out.mkdir(parents=True)
        return measure(["wine", str(reference_extractor()), "x", wine_path(plain)], env, str(out), str(prefix)), True

    def run_nsis():
        out.mkdir(parents=True)
        return measure(["wine", str(nsis), "/S", "/D=C:\\bench\\out"], env, str(work), str(prefix)), True

    def run_7zz():
        out.mkdir(parents=True)
        return measure(["7zz", "x", "-y", "-bso0", "-bsp0", f"-o{out}", str(plain)], env, str(work)), True

    runners = {"ours": setup_ours({}), "ours-1": setup_ours({"ZRLSETUP_EXTRACT_WORKERS": "1"}),
               "7zdec": run_7zdec, "nsis": run_nsis, "7zz": run_7zz}
    results = {}
    for name in contenders:
        samples = []
        for _ in range(args.runs):
            shutil.rmtree(drive, ignore_errors=True)
            drive.mkdir(parents=True)
            (wall, cpu, peak, code), ok = runners[name]()
            ok = ok and code == 0 and same_tree(payload, out)
            samples.append((wall, cpu, peak))
            print(f"{name}: wall {wall:.1f} s, cpu {cpu:.1f} s, peak {peak:.0f} MB, exit {code}, "
                  f"{'output identical' if ok else 'OUTPUT WRONG'}", flush=True)
            if not ok:
                results[name + " (wrong)"] = None
        results[name] = tuple(statistics.median(s[i] for s in samples) for i in range(3))
        shutil.rmtree(drive, ignore_errors=True)
    subprocess.run(["wineserver", "-k"], env=env)

    print()
    print(f"payload: {payload_bytes / 1e6:.0f} MB in {file_count} files, archive {plain.stat().st_size / 1e6:.0f} MB, "
          f"{os.cpu_count()} cores, medians of {args.runs} run(s), output to {drive}")
    base = results.get("ours")
    header = f"{'contender':<10} {'wall s':>8} {'cpu s':>8} {'peak MB':>8} {'MB/s':>7} {'wall/ours':>10} {'cpu/ours':>9} {'mem/ours':>9}"
    print(header)
    print("-" * len(header))
    for name, figures in results.items():
        if figures is None:
            print(f"{name:<10} output did not match the payload")
            continue
        wall, cpu, peak = figures
        ratios = ("", "", "") if not base else (f"{wall / base[0]:.2f}", f"{cpu / base[1]:.2f}", f"{peak / base[2]:.2f}")
        print(f"{name:<10} {wall:>8.1f} {cpu:>8.1f} {peak:>8.0f} {payload_bytes / 1e6 / wall:>7.1f} "
              f"{ratios[0]:>10} {ratios[1]:>9} {ratios[2]:>9}")


if __name__ == "__main__":
    main()
