"""Start-up and run modes through the real installer: the silent sequence,
the listen window, mode choice, single instance, script errors and load failures."""
import unittest

from winetest import TOOLS, WineTestCase, installer, read_text, wait_for

PHASES = ["BeforeInit", "BeforeInstall", "OnInstall", "BeforeComplete", "AfterComplete"]
FATAL = 1603


def phase_names(text):
    return [line for line in text.splitlines() if "=" not in line]


class SilentRun(WineTestCase):
    def test_phases_run_in_order_then_the_listener_gets_3014(self):
        listener, out, hwnd = self.start_listener()
        code = self.run_program(installer("phases_installer"), "/InstallSlience", "true",
                                "/InstallListenWnd", hwnd,
                                env={"ZRL_TEST_INSTALL_PATH": "C:\\Apps\\Tarnwick"})
        self.assertEqual(code, 0)
        phases = read_text(self.host("C:\\phases.txt"))
        self.assertEqual(phase_names(phases), PHASES)
        self.assertIn("InstallPath=C:\\Apps\\Tarnwick ss=true", phases)
        listener.wait(timeout=30)
        # The listener saw 3014 (wParam 0, lParam 0) only once all five phases had run.
        self.assertIn("3014 wparam=0 lparam=0 phases=" + ",".join(PHASES[:2]), read_text(out))
        self.assertTrue(read_text(out).rstrip().endswith("AfterComplete,"), read_text(out))
        self.assertIn("kq global_ss_install==true ~!\r\n", self.trace())
        self.assertIn("kq start ss install!\n", self.trace())

    def test_exact_switch_value_decides_and_hex_listen_window_is_zero(self):
        # "TRUE" is no request for silence: windowed mode, which ends after the first phase
        # in this build; "0x..." parses as 0, so no notification is attempted.
        code = self.run_program(installer("phases_installer"), "/InstallSlience", "TRUE",
                                "/InstallListenWnd", "0x1A2B")
        self.assertEqual(code, FATAL)
        self.assertEqual(phase_names(read_text(self.host("C:\\phases.txt"))), ["BeforeInit"])
        self.assertIn("windowed mode:", self.trace())

    def test_recipe_may_ask_for_silence_only_when_enabled(self):
        cases = [({"ZRL_TEST_ENABLE_SS": "1", "ZRL_TEST_RECIPE_SILENT": "1"}, 0, PHASES),
                 ({"ZRL_TEST_ENABLE_SS": "0", "ZRL_TEST_RECIPE_SILENT": "1"}, FATAL, PHASES[:1])]
        for env, expected_code, expected_phases in cases:
            with self.subTest(env=env):
                self.host("C:\\phases.txt").unlink(missing_ok=True)
                self.assertEqual(self.run_program(installer("phases_installer"), env=env), expected_code)
                self.assertEqual(phase_names(read_text(self.host("C:\\phases.txt"))), expected_phases)


class SingleInstance(WineTestCase):
    def start_held_first_copy(self, env=None):
        first = self.start_program(installer("phases_installer"), "/InstallSlience", "true",
                                   env={"ZRL_TEST_HOLD_FILE": "C:\\release.txt", **(env or {})})
        self.assertTrue(wait_for(lambda: "OnInstall" in read_text(self.host("C:\\phases.txt"))),
                        "first copy did not reach its install phase")
        return first

    def release(self, first):
        self.host("C:\\release.txt").write_text("go")
        self.assertEqual(self.exit_code(first, 60), 0)

    def test_second_copy_brings_the_running_window_forward_and_ends(self):
        window = self.start(TOOLS / "classwnd.exe", "CDlgInstall", "C:\\window.txt", 60000)
        self.assertTrue(wait_for(lambda: "ready" in read_text(self.host("C:\\window.txt"))))
        first = self.start_held_first_copy()

        second_phases = "C:\\second-phases.txt"
        code = self.run_program(installer("phases_installer"), env={"ZRL_TEST_PHASE_FILE": second_phases})
        self.assertEqual(code, 1618)
        self.assertEqual(read_text(self.host(second_phases)), "", "the refused copy ran a phase")
        self.assertIn("kq CreateAppInstance return true", self.trace())
        self.assertIn("kq  szObjectName = Global\\{A043B702-166A-4FB8-9733-E2BC4713F36F}158 ", self.trace())
        self.assertTrue(wait_for(lambda: "restored" in read_text(self.host("C:\\window.txt")), timeout=10),
                        "the running installer's window was not restored")
        self.release(first)
        window.kill()

    def test_who_blocks_whom(self):
        first = self.start_held_first_copy()
        cases = [
            ("same app id, with the silence key present (any value) runs", {}, ["/InstallSlience", "false"], FATAL),
            ("other app id runs", {"ZRL_TEST_APP_ID": "159"}, [], FATAL),
            ("same app id is refused", {}, [], 1618),
        ]
        for label, env, args, expected in cases:
            with self.subTest(label):
                phases = "C:\\p-%d.txt" % len(label)
                code = self.run_program(installer("phases_installer"), *args,
                                        env={"ZRL_TEST_PHASE_FILE": phases, **env})
                self.assertEqual(code, expected)
                ran = phase_names(read_text(self.host(phases)))
                self.assertEqual(ran, [] if expected == 1618 else ["BeforeInit"])
        self.release(first)

    def test_recipe_mutex_name_is_used_exactly(self):
        env = {"ZRL_TEST_MUTEX": "Global\\zrl-test-own-name"}
        first = self.start_held_first_copy(env)
        self.assertEqual(self.run_program(installer("phases_installer"),
                                          env={**env, "ZRL_TEST_PHASE_FILE": "C:\\x.txt"}), 1618)
        self.assertIn("kq  szObjectName = Global\\zrl-test-own-name ", self.trace())
        self.release(first)


class ScriptErrors(WineTestCase):
    def test_error_box_shows_message_and_call_stack(self):
        env = {"ZRL_TEST_FAIL_PHASE": "BeforeInit"}
        setup = self.start_program(installer("phases_installer"), env=env)
        reader = self.run_program(TOOLS / "boxreader.exe", "C:\\box.txt", 60000)
        self.assertEqual(reader, 0, "no message box appeared")
        setup_code = self.exit_code(setup, 60)
        box = read_text(self.host("C:\\box.txt"))
        self.assertIn("caption=:-( 杯具，脚本执行时发生错误", box)
        self.assertIn("boom in BeforeInit\n", box.replace("\r\n", "\n"))
        self.assertIn("<call stack>", box)
        self.assertIn("-> | unknown : line -1 [=[C] : line -1]", box)
        self.assertIn("--  | error() : line -1", box)
        # The phase is called from the host, so Lua knows no name for it.
        self.assertRegex(box, r"--  \| unknown : line \d+ \[@instscript.lua : line \d+\]")
        self.assertIn("instscript.lua:", box)
        self.assertTrue(box.rstrip().endswith("请向我们反馈以上错误信息，以便我们改善产品质量！"), box)
        self.assertEqual(setup_code, FATAL)
        self.assertEqual(phase_names(read_text(self.host("C:\\phases.txt"))), ["BeforeInit"])

    def test_silent_run_logs_the_error_instead_of_waiting_on_a_box(self):
        listener, out, hwnd = self.start_listener(timeout_ms=20000)
        code = self.run_program(installer("phases_installer"), "/InstallSlience", "true",
                                "/InstallListenWnd", hwnd,
                                env={"ZRL_TEST_FAIL_PHASE": "OnInstall"}, timeout=60)
        self.assertEqual(code, FATAL)
        self.assertEqual(phase_names(read_text(self.host("C:\\phases.txt"))), PHASES[:3])
        logs = list(self.temp_dir().glob("Install_*.log"))
        self.assertEqual(len(logs), 1)
        log = read_text(logs[0])
        self.assertIn("script error: instscript.lua:", log)
        self.assertIn("boom in OnInstall", log)
        self.assertIn("script error:       <call stack>", log)
        self.assertIn("boom in OnInstall", self.trace())
        listener.wait(timeout=30)
        self.assertNotIn("3014", read_text(out), "a failed install must not report its end as done")

    def test_recipe_that_does_not_load_ends_with_the_fatal_code(self):
        code = self.run_program(installer("broken_installer"), "/InstallSlience", "true")
        self.assertEqual(code, FATAL)
        trace = self.trace()
        self.assertIn("kq luaL_loadbuffer failed!\r\n", trace)
        self.assertIn("kq DoResLua failed, INSTSCRIPT.LUAC", trace)
        self.assertIn("kq [string \"INSTSCRIPT.LUAC\"]:3: <name> or '...' expected near <eof>", trace)


if __name__ == "__main__":
    unittest.main()
