"""Process, shell and service script functions through the real engine, with
real processes, windows and a service under Wine."""
import os
import re
import subprocess
import unittest

from scriptrun import ScriptTestCase
from winetest import read_text, wait_for

SC_CLOSE = 61536
WM_APP_1 = 0x8001

# A child script: waits a moment, then records its first argument in the file its
# second argument names, or else in child-ran.txt of its working directory.
CHILD = r'''
local t = os.time() while os.time() - t < 2 do end
local f = io.open(ARGS[2] or "child-ran.txt", "wb") f:write(ARGS[1]) f:close()
'''


class Starting(ScriptTestCase):
    def setUp(self):
        super().setUp()
        self.luarun = self.tool("luarun.exe")
        self.sleeper = self.tool("sleeper.exe")
        self.host("C:\\child.lua").write_text(CHILD)
        self.host("C:\\data.zzz").write_text("no program opens this")

    def test_exec_modes_and_verbs(self):
        values = self.lua_ok(r'''
            put("wait", Lua_Exec("C:\\tools\\luarun.exe", nil, "C:\\child.lua waited", true))
            local f = io.open("C:\\tools\\child-ran.txt", "rb")
            put("child_done_on_return", f and f:read("*a")) if f then f:close() end
            put("open_missing", Lua_Exec("C:\\tools\\missing.exe", "open", ""))
            put("unpin_missing", Lua_Exec("C:\\missing.lnk", "taskbarunpin", ""))
            put("startunpin_missing", Lua_Exec("C:\\missing.lnk", "Startunpin", ""))
            put("pin_missing", Lua_Exec("C:\\missing.lnk", "taskbarpin", ""))
            put("open_unknown_type", Lua_Exec("C:\\data.zzz", "open", ""))
            put("pin_unknown_type", Lua_Exec("C:\\data.zzz", "TaskbarPin", ""))
            put("url", Lua_Exec("http://127.0.0.1:9/zrl-page", "open", "dropped"))
        ''', env={"PATH": f"{self.fake_xdg_open()}:{os.environ['PATH']}"})
        self.assertEqual(values, {
            "wait": "true", "child_done_on_return": "waited", "open_missing": "false", "unpin_missing": "true",
            "startunpin_missing": "true", "pin_missing": "false", "open_unknown_type": "false",
            "pin_unknown_type": "true", "url": "true"})
        trace = self.trace()
        self.assertIn("kq Fun:Lua_Exec, Description:C:\\tools\\missing.exe it's not exists!\r\n", trace)
        self.assertIn("kq Fun:Lua_Exec, Description:C:\\missing.lnk it's not exists!\r\n", trace)
        self.assertEqual(trace.count("missing.lnk"), 1)   # the unpin verbs pass silently
        # The URL went to the desktop's browser launcher, without the parameters.
        self.assertTrue(wait_for(lambda: read_text(self.xdg_log)), "URL was not opened")
        self.assertEqual(read_text(self.xdg_log).strip(), "http://127.0.0.1:9/zrl-page")

    def fake_xdg_open(self):
        bin_dir = self.prefix / "fakebin"
        bin_dir.mkdir()
        self.xdg_log = self.prefix / "xdg-open.log"
        (bin_dir / "xdg-open").write_text(f'#!/bin/sh\necho "$@" >> "{self.xdg_log}"\n')
        (bin_dir / "xdg-open").chmod(0o755)
        return bin_dir

    def test_explorer_and_hidden_shell_launches(self):
        values = self.lua_ok(r'''
            put("explorer", Lua_ExplorerExec("C:\\tools\\sleeper.exe", ""))
            local t, found = os.time(), -1
            while found == -1 and os.time() - t < 20 do found = Lua_GetProcessId("sleeper.exe") end
            put("sleeper_started", found ~= -1)
            put("stopped", Lua_KillAllTaskByName("sleeper.exe"))
            put("explorer_missing", Lua_ExplorerExec("C:\\tools\\missing.exe", ""))
            put("shellexec", Lua_ShellExec("C:\\tools\\luarun.exe", "C:\\child.lua hidden C:\\hidden.txt"))
        ''')
        self.assertEqual((values["explorer"], values["sleeper_started"], values["stopped"], values["shellexec"]),
                         ("true", "true", "true", "true"))
        # Not waited for: the child finishes on its own after the call returned.
        self.assertTrue(wait_for(lambda: read_text(self.host("C:\\hidden.txt")) == "hidden"))


class Stopping(ScriptTestCase):
    def start_window(self, window_class, log, *mode):
        process = self.start_program(self.host(self.tool("msgwnd.exe")), window_class, log, *mode)
        text = wait_for(lambda: read_text(self.host(log)), timeout=30)
        self.assertIn("ready pid=", text)
        return process, int(re.search(r"pid=(\d+)", text).group(1))

    def test_window_close_then_forced_stop(self):
        polite, _ = self.start_window("ZrlPolite", "C:\\polite.txt")
        stubborn, _ = self.start_window("ZrlStubborn", "C:\\stubborn.txt", "stubborn")
        custom, custom_pid = self.start_window("ZrlCustom", "C:\\custom.txt", "stubborn")
        values = self.lua_ok(r'''
            put("polite", Lua_TaskKill("msgwnd.exe", "ZrlPolite"))
            put("stubborn", Lua_TaskKill("MSGWND.EXE", "ZrlStubborn"))
            put("custom", Lua_TaskKill(ARGS[1], "ZrlCustom", ARGS[2], 5, 6))
        ''', custom_pid, WM_APP_1)
        self.assertEqual(values, {"polite": "true", "stubborn": "true", "custom": "true"})
        # The polite window closed itself (exit code 7); the stubborn ones were ended by force (0).
        self.assertEqual(self.exit_code(polite), 7)
        self.assertEqual(self.exit_code(stubborn), 0)
        self.assertEqual(self.exit_code(custom), 0)
        self.assertIn(f"syscommand {SC_CLOSE}\nclose", read_text(self.host("C:\\polite.txt")))
        # The class window got SC_CLOSE from Lua_TaskKill; the process stop posts it again just
        # before its timed wait, so on a loaded machine that second one may not be handled in time.
        self.assertGreaterEqual(read_text(self.host("C:\\stubborn.txt")).count(f"syscommand {SC_CLOSE}"), 1)
        self.assertIn(f"msg {WM_APP_1} 5 6", read_text(self.host("C:\\custom.txt")))

    def test_stop_by_name_without_a_window_and_only_the_first(self):
        sleeper = self.tool("sleeper.exe")
        for _ in range(3):
            self.start(sleeper)
        values = self.lua_ok(r'''
            local t = os.time()
            while select("#", Lua_GetProcessId("sleeper.exe")) < 3 and os.time() - t < 20 do end
            local ids = {Lua_GetProcessId("Sleeper.exe")}
            put("ids", #ids)
            local paths = {}
            for i, id in ipairs(ids) do paths[i] = Lua_GetImagePathByPid(id) end
            put("paths", table.concat(paths, ";"))
            put("no_such_id", Lua_GetImagePathByPid(2147483644))
            put("unknown_name", Lua_GetProcessId("no-such-program.exe"))
            put("kill_unknown", Lua_KillAllTaskByName("no-such-program.exe"))
            put("taskkill_no_window", Lua_TaskKill("sleeper.exe", "ZrlNoSuchClass"))
            put("left_after_taskkill", select("#", Lua_GetProcessId("sleeper.exe")))
            put("first", ids[1], Lua_GetProcessId("sleeper.exe") == ids[1])
            put("killall", Lua_KillAllTaskByName("sleeper.exe"))
            put("left_after_killall", select("#", Lua_GetProcessId("sleeper.exe")))
            put("by_id", Lua_KillAllTaskByName(Lua_GetProcessId("sleeper.exe")))
            put("left_after_by_id", Lua_GetProcessId("sleeper.exe"))
        ''')
        self.assertEqual(values["ids"], "3")
        self.assertEqual(values["paths"], ";".join(["C:\\tools\\sleeper.exe"] * 3))
        self.assertEqual(values["no_such_id"], "")   # no result at all
        self.assertEqual((values["unknown_name"], values["kill_unknown"]), ("-1", "true"))
        self.assertEqual((values["taskkill_no_window"], values["left_after_taskkill"]), ("true", "2"))
        self.assertIn("kq Lua_TaskKill: no window of class ZrlNoSuchClass, nothing posted\r\n", self.trace())
        self.assertEqual((values["killall"], values["left_after_killall"]), ("true", "1"))
        self.assertEqual((values["by_id"], values["left_after_by_id"]), ("true", "-1"))


class Services(ScriptTestCase):
    def setUp(self):
        super().setUp()
        self.keep_wineserver()
        service = self.tool("zrlsvc.exe")
        for name, command in [("zrltest", f"{service} C:\\svc.txt"), ("zrlhang", f"{service} C:\\hang.txt hang")]:
            subprocess.run(["wine", "sc", "create", name, "binPath=", command], env=self.env, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def test_start_stop_and_the_bounded_wait(self):
        values = self.lua_ok(r'''
            put("start", Lua_SCM("zrltest", "START"))
            put("start_running", Lua_SCM("zrltest", "start"))
            put("stop", Lua_SCM("zrltest", "Stop"))
            put("stop_stopped", Lua_SCM("zrltest", "stop"))
            put("not_installed", Lua_SCM("zrl-not-installed", "start"))
            put("other_action", Lua_SCM("zrltest", "pause"))
            put("never_running", Lua_SCM("zrlhang", "start"))
        ''', timeout=180)
        self.assertEqual(values, {"start": "true", "start_running": "true", "stop": "true", "stop_stopped": "true",
                                  "not_installed": "true", "other_action": "false", "never_running": "false"})
        self.assertEqual(read_text(self.host("C:\\svc.txt")).splitlines(), ["running", "stop requested", "stopped"])
        self.assertIn("start pending for good", read_text(self.host("C:\\hang.txt")))
        trace = self.trace()
        self.assertNotIn("zrl-not-installed", trace)
        self.assertNotIn("OpenService failed!", trace)
        self.assertIn("kq Unknow Error in fun:Lua_SCM\r\n", trace)
        self.assertIn("kq Lua_SCM: service zrlhang still in state 2, not 4, after 30000 ms; gave up\r\n", trace)


if __name__ == "__main__":
    unittest.main()
