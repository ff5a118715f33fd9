"""The host's own work around the install phase, through the real installer:
tool programs left in the install folder are stopped first, and the daily
install log replaces older logs."""
import datetime
import re
import unittest

from winetest import TOOLS, WineTestCase, installer, read_text, wait_for

APP = "C:\\TestApp"


class ToolProcesses(WineTestCase):
    def test_only_executables_directly_in_tool_folders_are_stopped(self):
        programs = {
            "updater": APP + "\\Tools\\Updater\\updater.exe",      # a tool program: stopped
            "elsewhere": "C:\\Other\\UPDATER.EXE",                 # same image name elsewhere: stopped too
            "upper_ext": APP + "\\Tools\\Updater\\Helper.EXE",     # ".EXE" is not ".exe": kept
            "direct": APP + "\\Tools\\direct.exe",                  # directly in Tools: kept
            "deep": APP + "\\Tools\\A\\B\\deep.exe",                # two levels down: kept
        }
        for path in programs.values():
            self.install_file(TOOLS / "sleeper.exe", path)
        launch = [programs["updater"], programs["updater"], programs["elsewhere"],
                  programs["upper_ext"], programs["direct"], programs["deep"]]
        watcher = self.start(TOOLS / "spawnwatch.exe", "C:\\ready.txt", "C:\\done.txt", "C:\\result.txt", *launch)
        self.assertTrue(wait_for(lambda: self.host("C:\\ready.txt").exists()), "watcher did not start")

        code = self.run_program(installer("phases_installer"), "/InstallSlience", "true",
                                env={"ZRL_TEST_INSTALL_PATH": APP})
        self.assertEqual(code, 0)
        self.host("C:\\done.txt").write_text("")
        watcher.wait(timeout=60)

        result = read_text(self.host("C:\\result.txt")).splitlines()
        self.assertEqual(result, [
            programs["updater"] + " exit=10000",
            programs["updater"] + " exit=10000",
            programs["elsewhere"] + " exit=10000",
            programs["upper_ext"] + " running",
            programs["direct"] + " running",
            programs["deep"] + " running",
        ])
        log = read_text(next(self.temp_dir().glob("Install_*.log")))
        self.assertIn("KillAllToolProcess: ", log)
        self.assertIn("strAppPath:C:\\TestApp\\Tools\\\r\n", log)
        self.assertIn("] C:\\TestApp\\Tools\\Updater\r\n", log)
        self.assertIn("] 2:----updater.exe\r\n", log)


class InstallLog(WineTestCase):
    def test_start_replaces_older_logs_and_writes_the_daily_file(self):
        temp = self.temp_dir()
        temp.mkdir(parents=True, exist_ok=True)
        old = ["Install_2024-05-01.log", "Install_2024-05-02.log", "Install_notes.txt"]
        kept = ["Install.log.bak", "InstallShield_1.log", "Other_2024-05-01.log"]
        for name in old + kept:
            (temp / name).write_text("old")

        self.assertEqual(self.run_program(installer("phases_installer"), "/InstallSlience", "true",
                                          env={"ZRL_TEST_INSTALL_PATH": APP}), 0)

        for name in old:
            self.assertFalse((temp / name).exists(), name)
        for name in kept:
            self.assertTrue((temp / name).exists(), name)
        # Today's date as the Windows side sees it (local time; the prefix uses the host's zone).
        today = datetime.date.today().isoformat()
        log = read_text(temp / f"Install_{today}.log")
        line = re.compile(r"^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] \[info\] \[\d+\] "
                          r"\[installmgr\.cpp KillAllToolProcess: \d+\] strAppPath:C:\\TestApp\\Tools\\\r$",
                          re.MULTILINE)
        self.assertRegex(log, line)


if __name__ == "__main__":
    unittest.main()
