"""Runs Lua through the installer's script engine (tests/tools/luarun.exe) in
the test's Wine prefix and reads back what the script recorded with put()."""
import itertools
import subprocess

from winetest import TOOLS, WineTestCase, read_text

# put(key, ...) records the values a call returned: "key=v1,v2" (no value: "key=").
PRELUDE = r'''
local results = io.open(RESULTS, "wb")
function put(key, ...)
  local parts = {}
  for i = 1, select("#", ...) do parts[#parts + 1] = tostring((select(i, ...))) end
  results:write(key, "=", table.concat(parts, ","), "\n")
  results:flush()
end
'''


class ScriptTestCase(WineTestCase):
    """A Wine test case that runs Lua snippets through the real engine."""

    _runs = itertools.count(1)

    def tool(self, name):
        """Copies a test tool into C:\\tools of the prefix; returns its C: path."""
        path = "C:\\tools\\" + name
        if not self.host(path).exists():
            self.install_file(TOOLS / name, path)
        return path

    def start_lua(self, code, *args, env=None):
        """Starts a script; returns the process (exit code through exitcode.exe)."""
        n = next(self._runs)
        script, results, exit_file = (f"C:\\zrl-script-{n}.lua", f"C:\\zrl-results-{n}.txt",
                                      f"C:\\zrl-exit-lua-{n}.txt")
        self.host(script).write_text(f"RESULTS = [[{results}]]\n" + PRELUDE + code, encoding="utf-8")
        process = subprocess.Popen(
            ["wine", str(TOOLS / "exitcode.exe"), exit_file, self.tool("luarun.exe"), script, *map(str, args)],
            env={**self.env, **(env or {})}, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.processes.append(process)
        process.result_file = self.host(exit_file)
        process.results_file = self.host(results)
        return process

    def results(self, process):
        return self.read_results(process.results_file)

    @staticmethod
    def read_results(path):
        values = {}
        for line in read_text(path).splitlines():
            key, _, value = line.partition("=")
            values[key] = value
        return values

    def run_lua(self, code, *args, env=None, timeout=None):
        """Runs a script to its end; returns (exit code, {key: recorded text})."""
        process = self.start_lua(code, *args, env=env)
        code = self.exit_code(process, timeout)
        return code, self.results(process)

    def lua_ok(self, code, *args, **kwargs):
        """Runs a script that must end normally; returns its recorded values."""
        exit_code, values = self.run_lua(code, *args, **kwargs)
        self.assertEqual(exit_code, 0, self.trace())
        return values

    def run_lua_in(self, directory, code):
        """Runs a script as the session's first program, in `directory` (a C: path):
        no Windows parent process shares its current directory. Returns the values."""
        n = next(self._runs)
        script, results = f"C:\\zrl-script-{n}.lua", f"C:\\zrl-results-{n}.txt"
        self.host(script).write_text(f"RESULTS = [[{results}]]\n" + PRELUDE + code, encoding="utf-8")
        run = subprocess.run(["wine", str(TOOLS / "luarun.exe"), script], env=self.env, cwd=self.host(directory),
                             capture_output=True, timeout=self.timeout)
        self.assertEqual(run.returncode, 0, self.trace())
        return self.read_results(self.host(results))

    def keep_wineserver(self):
        """Keeps this prefix's wineserver (and its services) alive until clean-up. The
        session's system processes start here, detached from any test's output pipes."""
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
