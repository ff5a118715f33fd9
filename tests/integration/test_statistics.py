"""Statistics: JVStatModule against the real pqstat.dll and the loopback
collector, and pqstat.dll driven in the install recipe's call order."""
import shutil
import sys

import subprocess

from winetest import BUILD, TOOLS, WineTestCase, installer, read_text

sys.path.insert(0, str(TOOLS.parent.parent / "tests" / "tools"))
sys.path.insert(0, str(BUILD.parent / "tests" / "tools"))
from statcollector import SilentServer, StatCollector  # noqa: E402

PQSTAT = BUILD / "pqstat" / "pqstat.dll"
PROBE_DIR = "C:\\probe"


class StatisticsTest(WineTestCase):

    def install_probe(self, with_dll=True):
        self.install_file(TOOLS / "statprobe.exe", PROBE_DIR + "\\statprobe.exe")
        if with_dll:
            self.install_file(PQSTAT, PROBE_DIR + "\\pqstat.dll")
        return self.host(PROBE_DIR + "\\statprobe.exe")

    def probe(self, *args):
        probe = self.install_probe()
        out = "C:\\probe-out.txt"
        self.assertEqual(self.run_program(probe, args[0], out, *args[1:]), 0)
        return dict(line.split("=", 1) for line in read_text(self.host(out)).split() if "=" in line)

    def test_module_reports_in_click_order_then_shuts_down(self):
        with StatCollector() as collector:
            probe = self.install_probe()
            out = "C:\\probe-out.txt"
            # 300 and 70000 do not fit: the DLL receives the low byte and the low 16 bits.
            code = self.run_program(probe, "module", out, 300, 70000,
                                    f"127.0.0.1:{collector.udp_port}", 25104, 25106)
            self.assertEqual(code, 0)
            self.assertEqual(read_text(self.host(out)).split(), ["init=1", "done"])
            reports = [r["json"] for r in collector.wait(3, channel="udp")]
        self.assertEqual([r["type"] for r in reports], ["action", "action", "offline"])
        self.assertEqual([r.get("actions") for r in reports[:2]], [[25104], [25106]])
        for report in reports:
            self.assertEqual((report["appid"], report["unionid"]), (44, 4464))
            self.assertEqual(report["version"], "2.3.4.5")   # statprobe.exe's product version
        self.assertEqual([r["options"] for r in reports[:2]], [256, 256])
        self.assertEqual([r["seq"] for r in reports], sorted(r["seq"] for r in reports))

    def test_reports_still_queued_at_shutdown_are_dropped(self):
        with StatCollector() as collector:
            probe = self.install_probe()
            # The worker is held by a task that only Stop's Cancel releases.
            code = self.run_program(probe, "module", "C:\\probe-out.txt", 158, 40000,
                                    f"127.0.0.1:{collector.udp_port}", "blocked", 25104, 25106)
            self.assertEqual(code, 0)
            reports = [r["json"] for r in collector.wait(3, timeout=3, channel="udp")]
        self.assertEqual([r["type"] for r in reports], ["offline"])

    def test_module_without_the_dll_reports_nothing(self):
        with StatCollector() as collector:
            probe = self.install_probe(with_dll=False)
            out = "C:\\probe-out.txt"
            code = self.run_program(probe, "module", out, 158, 40000,
                                    f"127.0.0.1:{collector.udp_port}", 25104, 25106)
            self.assertEqual(code, 0)
            self.assertEqual(read_text(self.host(out)).split(), ["init=0", "done"])
            self.assertEqual(collector.wait(1, timeout=2), [])

    def test_recipe_order_sends_the_install_report_and_posts_it(self):
        with StatCollector() as collector:
            result = self.probe("recipe", f"127.0.0.1:{collector.udp_port}", collector.url("/api/InstallStat"))
            self.assertEqual(result, {"init": "1", "post": "1", "close": "1"})
            udp = collector.wait(1, channel="udp")
            http = collector.wait(1, channel="http")
        install = udp[0]["json"]
        self.assertEqual((install["type"], install["kind"], install["appid"], install["unionid"],
                          install["level"], install["version"]),
                         ("install", 1, 158, 40004, 2, "1.0.0.6"))
        self.assertEqual(http[0]["path"], "/api/InstallStat")
        self.assertEqual((http[0]["json"]["type"], http[0]["json"]["kind"]), ("install", 1))
        self.assertIn(("Content-Type", "application/json"), http[0]["headers"])

    def test_wrapped_body_goes_out_as_text_field(self):
        reason = "界面太复杂 \"quoted\" \\ \t\n"
        body = self.host("C:\\reason.txt")
        body.write_bytes(reason.encode("utf-8"))
        with StatCollector() as collector:
            result = self.probe("recipe", f"127.0.0.1:{collector.udp_port}",
                                collector.url("/feedback/api/v1/feedback/add"), "C:\\reason.txt")
            self.assertEqual(result["post"], "1")
            http = collector.wait(1, channel="http")
        self.assertEqual(http[0]["json"]["text"], reason)

    def test_http_post_fails_on_error_status_silence_and_bad_hosts(self):
        with StatCollector(status=500, body=b"boom") as collector, SilentServer() as silent:
            cases = [
                ("status 500", collector.url("/api/InstallStat")),
                ("silent server", f"http://127.0.0.1:{silent.port}/api/InstallStat"),
                ("unresolvable", "http://nohost.invalid/api/InstallStat"),
                ("https is not spoken", f"https://127.0.0.1:{collector.http_port}/x"),
            ]
            for name, url in cases:
                with self.subTest(name):
                    result = self.probe("recipe", f"127.0.0.1:{collector.udp_port}", url)
                    self.assertEqual(result["post"], "0")
                    self.assertEqual(result["init"], "1")
            self.assertEqual(len(collector.wait(5, timeout=1, channel="http")), 1)   # the 500 only


class WindowedStartupTest(WineTestCase):
    """The installer's windowed start-up configures pqstat.dll beside it and
    closes it at the end; its dispatch host is 127.0.0.1:48700 in this variant."""

    def set_union_id(self, value):
        key = "HKCU\\SOFTWARE\\tarnwick"
        if value is None:
            command = ["wine", "reg", "delete", key, "/v", "UnionId", "/f"]
        else:
            command = ["wine", "reg", "add", key, "/v", "UnionId", "/t", "REG_DWORD", "/d", str(value), "/f"]
        subprocess.run(command, env=self.env, capture_output=True)

    def test_start_up_hands_ids_and_version_to_the_dll_and_closes_it(self):
        setup = self.install_file(installer("stat_installer"), "C:\\setup\\setup.exe")
        self.install_file(PQSTAT, "C:\\setup\\pqstat.dll")
        cases = [  # union id in the registry, recipe environment, expected (app id, union id)
            (None, {}, (158, 40000)),
            (99, {}, (158, 40000)),
            (100, {}, (158, 100)),
            (70000, {"ZRL_TEST_APP_ID": "300"}, (44, 4464)),
            (100, {"ZRL_TEST_MUTEX": "Local\\own-name"}, (0, 100)),
        ]
        with StatCollector(udp_port=48700) as collector:
            for union_id, env, expected in cases:
                with self.subTest(union_id=union_id, env=env):
                    self.set_union_id(union_id)
                    seen = len(collector.records)
                    self.run_program(setup, env=env)
                    reports = [r["json"] for r in collector.wait(seen + 1, channel="udp")[seen:]]
                    self.assertEqual([r["type"] for r in reports], ["offline"])
                    self.assertEqual((reports[0]["appid"], reports[0]["unionid"]), expected)
                    self.assertEqual(reports[0]["version"], "1.0.0.6")


if __name__ == "__main__":
    import unittest
    unittest.main()
