"""Script-library functions that need a whole installer run: message boxes
answered on a real display, log lines in the install log, the process command
line, and the program folder on a machine with a second fixed drive."""
import os
import unittest

from winetest import TOOLS, WineTestCase, installer, read_text, wait_for

CHINESE = "安装程序"   # "setup program"


class ScriptLibrary(WineTestCase):
    def run_chunk(self, lua, *args, env=None):
        """Runs `lua` in the recipe's first phase of a silent install; returns
        the exit code and what the chunk wrote to C:\\results.txt."""
        self.host("C:\\chunk.lua").write_text(lua, encoding="utf-8")
        self.host("C:\\results.txt").unlink(missing_ok=True)
        code = self.run_program(installer("scriptlib_installer"), "/InstallSlience", "true", *args,
                                env={"ZRL_TEST_CHUNK": "C:\\chunk.lua", **(env or {})})
        return code, read_text(self.host("C:\\results.txt"))

    @staticmethod
    def writing(body):
        """A chunk that runs `body` with a function out(...) writing one line per call."""
        return ('local f = assert(io.open("C:\\\\results.txt", "wb"))\n'
                'local function out(...) local t = {} for i = 1, select("#", ...) do '
                't[i] = tostring((select(i, ...))) end f:write(table.concat(t, "|"), "\\n") end\n'
                + body + "\nf:close()\n")

    def test_message_boxes_are_answered_and_report_the_button(self):
        cases = [
            # (arguments as Lua source, button the reader presses, caption, text, result)
            (f"'{CHINESE}'", 1, "", CHINESE, "1"),
            (f"'Continue?', '{CHINESE}', 65536 + 1 + 48", 2, CHINESE, "Continue?", "2"),
            ("", 1, "", "", "1"),
            ("'a', 'b', 0, 'too many'", 1, "", "", "1"),
        ]
        for arguments, button, caption, text, result in cases:
            with self.subTest(arguments=arguments):
                box = f"C:\\box-{button}.txt"
                self.host(box).unlink(missing_ok=True)
                reader = self.start(TOOLS / "boxreader.exe", box, 60000, button)
                code, results = self.run_chunk(self.writing(f"out(Lua_MsgBox({arguments}))"))
                reader.wait(timeout=60)
                self.assertEqual(code, 0)
                self.assertEqual(results, result + "\n")
                self.assertEqual(read_text(self.host(box)), f"caption={caption}\n{text}")

    def test_logout_writes_the_trace_and_an_ansi_line_in_the_install_log(self):
        text = f"{CHINESE} step 1"
        code, results = self.run_chunk(self.writing(f"out(select('#', Lua_Logout('{text}')))"),
                                       env={"LC_ALL": "zh_CN.UTF-8"})
        self.assertEqual(code, 0)
        self.assertEqual(results, "0\n")   # no result
        self.assertIn(f"kq {text}\n", self.trace())
        logs = list(self.temp_dir().glob("Install_*.log"))
        self.assertEqual(len(logs), 1)
        log = logs[0].read_bytes()
        self.assertIn(b"] [info] ", log)
        self.assertRegex(log, rb"\[scriptmessages\.cpp Lua_Logout: \d+\] log:" + text.encode("gbk") + b"\r?\n")

    def test_command_line_argv_keeps_spaces_and_chinese(self):
        target = f"C:\\My Apps\\{CHINESE} 目录"
        code, results = self.run_chunk(
            self.writing("for i, a in ipairs(Lua_GetCommandLineArgv()) do out(i, a) end\n"
                         "out('module', Lua_GetModuleFileName())"),
            "/Target", target, "/Name", CHINESE)
        self.assertEqual(code, 0)
        program = self.windows_path(installer("scriptlib_installer"))
        self.assertEqual(results.splitlines(), [
            f"1|{program}", "2|/InstallSlience", "3|true", "4|/Target", f"5|{target}",
            "6|/Name", f"7|{CHINESE}", f"module|{program}"])

    def test_program_folder_moves_to_a_later_fixed_drive_that_has_it(self):
        drive_d = self.prefix / "drive_d"
        drive_d.mkdir()
        os.symlink(drive_d, self.prefix / "dosdevices" / "d:")
        chunk = self.writing("out(Lua_GetDriverInstallPath())")
        code, results = self.run_chunk(chunk)
        self.assertEqual(code, 0)
        self.assertEqual(results, "C:\\Program Files (x86)\\\n")
        (drive_d / "Program Files (x86)").mkdir()
        code, results = self.run_chunk(chunk)
        self.assertEqual(results, "D:\\Program Files (x86)\\\n")


if __name__ == "__main__":
    unittest.main()
