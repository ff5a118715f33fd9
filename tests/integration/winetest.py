"""Integration-test harness: real Windows executables in a fresh Wine prefix.

Each test case gets its own copy of the prefix template (Windows 10, no crash
dialog, Chinese fonts mapped), its own wineserver, and helpers to map C: paths,
run programs with their exit codes, wait for files and start an Xvfb display.
"""
import os
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

BUILD = Path(os.environ.get("ZRL_BUILD_DIR", Path(__file__).resolve().parents[2] / "build"))
SOURCE = Path(os.environ.get("ZRL_SOURCE_DIR", Path(__file__).resolve().parents[2]))
WINE_ROOT = Path(os.environ.get("ZRL_WINE_ROOT", BUILD / "wine"))
TOOLS = BUILD / "tests" / "tools"


def read_text(path, default=""):
    try:
        return Path(path).read_bytes().decode("utf-8", "replace")
    except FileNotFoundError:
        return default


def wait_for(predicate, timeout=30.0, interval=0.1):
    """Polls until predicate() is truthy; returns its last value."""
    deadline = time.monotonic() + timeout
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(interval)
        value = predicate()
    return value


class Xvfb:
    """A private X display for tests that show windows."""

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            self.display = ":" + pipe.readline().strip()
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)


class WineTestCase(unittest.TestCase):
    """A test case with a fresh Wine prefix of its own."""

    timeout = 120

    def setUp(self):
        template = WINE_ROOT / "template"
        if not (template / ".zrl-ready").exists():
            subprocess.run([SOURCE / "scripts" / "wine-env.sh", "prefix", template], check=True)
        runs = WINE_ROOT / "runs"
        runs.mkdir(parents=True, exist_ok=True)
        self.prefix = Path(tempfile.mkdtemp(prefix=self.id().split(".")[-1][:40] + "-", dir=runs))
        shutil.rmtree(self.prefix)
        subprocess.run(["cp", "-a", str(template), str(self.prefix)], check=True)
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": str(self.prefix),
            "HOME": str(self.prefix / "home"),
            "WINEARCH": "win64",
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "winemenubuilder.exe=d;mscoree=d;mshtml=d",
            "ZRLSETUP_TRACE_FILE": "C:\\zrl-trace.txt",
        })
        self.processes = []
        self.addCleanup(self._clean_up)
        # Windows need a display: every test gets a private one.
        self.display = self.enterContext(Xvfb())
        self.env["DISPLAY"] = self.display.display

    def _clean_up(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)
        if not os.environ.get("ZRL_KEEP_PREFIX"):
            shutil.rmtree(self.prefix, ignore_errors=True)

    # Paths -------------------------------------------------------------
    def host(self, windows_path):
        """Host path of a C: path inside this prefix."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return self.prefix / "drive_c" / windows_path[3:].replace("\\", "/")

    def temp_dir(self):
        """Host path of the user's temporary folder (GetTempPath)."""
        return self.prefix / "drive_c" / "users" / os.environ.get("USER", "root") / "Temp"

    def trace(self):
        return read_text(self.host("C:\\zrl-trace.txt"))

    def install_file(self, source, windows_path):
        target = self.host(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(source, target)
        return target

    # Processes ---------------------------------------------------------
    def start(self, program, *args, env=None):
        process = subprocess.Popen(["wine", str(program), *map(str, args)],
                                   env={**self.env, **(env or {})},
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.processes.append(process)
        return process

    def run_program(self, program, *args, env=None, timeout=None):
        """Runs a program to its end; returns its full exit code."""
        process = self.start_program(program, *args, env=env)
        return self.exit_code(process, timeout)

    def start_program(self, program, *args, env=None):
        """Starts a program whose exit code exit_code() reads later."""
        self.exit_runs = getattr(self, "exit_runs", 0) + 1
        result = "C:\\zrl-exit-%d.txt" % self.exit_runs
        process = self.start(TOOLS / "exitcode.exe", result, self.windows_path(program), *args, env=env)
        process.result_file = self.host(result)
        return process

    def exit_code(self, process, timeout=None):
        try:
            process.communicate(timeout=timeout or self.timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            self.fail(f"{process.args} did not end within {timeout or self.timeout} s")
        text = read_text(process.result_file).strip()
        self.assertTrue(text, f"no exit code recorded for {process.args}")
        return int(text)

    @staticmethod
    def windows_path(host_path):
        """Wine's Z: path for a host file."""
        return "Z:" + str(host_path).replace("/", "\\")

    def registry(self, key):
        """The values under a registry key, read back with `reg export` (lossless)."""
        out = "C:\\zrl-reg-export.reg"
        self.host(out).unlink(missing_ok=True)
        subprocess.run(["wine", "reg", "export", key, out, "/y"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        path = self.host(out)
        if not path.exists():
            return {}
        keys = parse_reg_export(path.read_bytes().decode("utf-16"))
        return next((values for name, values in keys.items() if name.lower().endswith(key.split("\\", 1)[1].lower())), {})

    def start_listener(self, phase_file="C:\\phases.txt", timeout_ms=60000):
        """Starts the listener window; returns (process, output path, hwnd)."""
        out = "C:\\listener.txt"
        process = self.start(TOOLS / "listener.exe", out, phase_file, timeout_ms)
        text = wait_for(lambda: "hwnd=" in read_text(self.host(out)) and read_text(self.host(out)))
        self.assertTrue(text, "listener did not start")
        hwnd = int(text.split("hwnd=")[1].split()[0])
        return process, self.host(out), hwnd


def installer(name):
    """Path of an installer variant built by the tests."""
    return BUILD / "tests" / "integration" / f"{name}.exe"


def parse_reg_export(text):
    """Values of a `reg export` file: {key path: {value name: (type, data)}}.
    Types: "sz" (str), "dword" (int), "hex" / "hex(N)" (bytes)."""
    keys, current, pending = {}, None, ""
    for raw in text.splitlines():
        line = pending + raw.strip()
        if line.endswith("\\") and not line.startswith("["):
            pending = line[:-1]
            continue
        pending = ""
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1], {})
        elif current is not None and line.startswith(("\"", "@")):
            name, _, value = _split_reg_line(line)
            current[name] = _reg_value(value)
    return keys


def _split_reg_line(line):
    if line.startswith("@"):
        return "", "=", line[2:]
    i, name = 1, []
    while line[i] != "\"":
        if line[i] == "\\":
            i += 1
        name.append(line[i])
        i += 1
    return "".join(name), "=", line[i + 2:]


def _reg_value(value):
    if value.startswith("\""):
        return "sz", value[1:-1].replace("\\\"", "\"").replace("\\\\", "\\")
    if value.startswith("dword:"):
        return "dword", int(value[6:], 16)
    kind, _, data = value.partition(":")
    return kind, bytes(int(b, 16) for b in data.split(",") if b)
