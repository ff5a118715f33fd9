"""The carried recipes installing the sample product, end to end, through a
real silent install: files, uninstall scripts, registry, shortcuts, service,
firewall commands, the statistics report and the listen window."""
import datetime
import subprocess
import sys
import time
import unittest
from pathlib import Path

from winetest import BUILD, TOOLS, WineTestCase, installer, read_text, wait_for

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))
from statcollector import SilentServer, StatCollector  # noqa: E402

INSTALL_DIR = "C:\\Program Files (x86)\\Tarnwick"
PAYLOAD = BUILD / "payload"
HKLM_PRODUCT = "HKLM\\Software\\Wow6432Node\\tarnwick"
HKLM_UNINSTALL = "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\tarnwick"
HKCU_PRODUCT = "HKCU\\Software\\tarnwick"
HKCU_RUN = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarnwick"
UDP_PORT, HTTP_PORT = 48710, 48711


class ProductInstall(WineTestCase):
    timeout = 300

    def setUp(self):
        super().setUp()
        # Wine's netsh does nothing: a recorder of ours takes its place.
        for folder in ("system32", "syswow64"):
            self.install_file(TOOLS / "netshrec.exe", f"C:\\windows\\{folder}\\netsh.exe")
        # Services live only as long as the wineserver; the session's system processes
        # start here, detached from the output pipes of the programs the test runs.
        subprocess.run(["wineserver", "-p"], env=self.env, check=True)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def install(self, *args, setup=None, collector=True):
        setup = setup or installer("product_installer")
        if collector:
            with StatCollector(udp_port=UDP_PORT, http_port=HTTP_PORT) as stats:
                code = self.run_program(setup, *args)
                stats.wait(1, channel="http")
                stats.wait(1, channel="udp")
                return code, stats.records
        return self.run_program(setup, *args), []

    def link(self, path):
        out = "C:\\zrl-link.txt"
        self.assertEqual(self.run_program(TOOLS / "lnkinfo.exe", "link", path, out), 0, path)
        return dict(line.split("=", 1) for line in read_text(self.host(out)).splitlines() if "=" in line)

    def test_silent_install_of_the_sample_product(self):
        listener, out, hwnd = self.start_listener(timeout_ms=240000)
        code, records = self.install("/InstallSlience", "true", "/InstallListenWnd", hwnd)
        self.assertEqual(code, 0)

        # Every payload file, byte for byte, and the two uninstall scripts.
        for source in sorted(PAYLOAD.iterdir()):
            with self.subTest(file=source.name):
                self.assertEqual(self.host(f"{INSTALL_DIR}\\{source.name}").read_bytes(), source.read_bytes())
        chunks = BUILD / "tests" / "integration" / "product_installer.res"
        self.assertEqual(self.host(INSTALL_DIR + "\\Uninst.dar0").read_bytes(), (chunks / "GLOBAL_VAR.LUAC").read_bytes())
        self.assertEqual(self.host(INSTALL_DIR + "\\Uninst.dar1").read_bytes(), (chunks / "UNINSTSCRIPT.LUAC").read_bytes())

        # The product key under both roots, the uninstall entry and the autostart value.
        lm, cu, uninst = self.registry(HKLM_PRODUCT), self.registry(HKCU_PRODUCT), self.registry(HKLM_UNINSTALL)
        for values in (lm, cu):
            self.assertEqual(values["AppPath"], ("sz", INSTALL_DIR))
            self.assertEqual(values["UnionId"], ("dword", 40004))
            self.assertEqual(values["OEMUnionId"], ("dword", 13000))
            self.assertEqual(values["OemID"], ("dword", 1))
            self.assertEqual(values["UserID"][0], "hex")
        self.assertEqual(cu["DisplayVersion"], ("sz", "1.0.0.6"))
        self.assertEqual(cu["Version"], ("dword", 100000006))
        self.assertEqual(cu["StartMenuShortcutChk"], ("dword", 1))
        self.assertEqual(uninst, {
            "DisplayIcon": ("sz", INSTALL_DIR + "\\TarnwickMain.exe"),
            "DisplayName": ("sz", "Tarnwick"),
            "DisplayVersion": ("sz", "1.0.0.6"),
            # Bytes / 1024 is fractional; the registry function rounds it as Lua does.
            "EstimatedSize": ("dword", round(244736622 / 1024)),
            "NoModify": ("dword", 1),
            "NoRepair": ("dword", 1),
            "Publisher": ("sz", "Tarnwick Software Ltd."),
            "UninstallString": ("sz", INSTALL_DIR + "\\Uninstall.exe"),
            "InstallLocation": ("sz", INSTALL_DIR),
            "InstallDate": ("sz", datetime.date.today().strftime("%Y%m%d")),
        })
        self.assertEqual(self.registry(HKCU_RUN)["Tarnwick"], ("sz", INSTALL_DIR + "\\TarnwickMain.exe /auto"))

        # Shortcuts: the program group with two links, and the desktop link.
        main = self.link(PROGRAMS + "\\Tarnwick.lnk")
        self.assertEqual((main["target"], main["arguments"]), (INSTALL_DIR + "\\TarnwickMain.exe", "/menu"))
        remove = self.link(PROGRAMS + "\\卸载Tarnwick.lnk")
        self.assertEqual((remove["target"], remove["arguments"]), (INSTALL_DIR + "\\Uninstall.exe", ""))
        desktop = self.link("C:\\users\\Public\\Desktop\\Tarnwick.lnk")
        self.assertEqual(desktop["target"], INSTALL_DIR + "\\TarnwickMain.exe")

        # The service runs; the firewall rules were asked for.
        query = subprocess.run(["wine", "sc", "query", "tarnwickSvc"], env=self.env,
                               capture_output=True, text=True).stdout
        self.assertRegex(query, r"STATE\s+:\s+4\s+RUNNING")
        program = INSTALL_DIR + "\\TarnwickMain.exe"
        self.assertEqual(read_text(self.host("C:\\netsh.log")).splitlines(), [
            'advfirewall firewall delete rule name="Tarnwick"',
            f'advfirewall firewall add rule name="Tarnwick" dir=in program="{program}" action=allow',
            f'advfirewall firewall add rule name="Tarnwick" dir=out program="{program}" action=allow',
        ])

        # The install report, over UDP and HTTP, and the end of the install.
        udp = [r["json"] for r in records if r["channel"] == "udp"]
        self.assertIn({"type": "install", "kind": 1, "appid": 158, "unionid": 40004},
                      [{k: r.get(k) for k in ("type", "kind", "appid", "unionid")} for r in udp])
        self.assertTrue(any(r.get("path") == "/api/InstallStat" for r in records if r["channel"] == "http"), records)
        listener.wait(timeout=30)
        self.assertIn("3014 wparam=0 lparam=0", read_text(out))

    def test_reinstall_over_another_channel_keeps_the_first_channel(self):
        for root in ("HKLM\\Software\\Wow6432Node\\tarnwick", "HKCU\\Software\\tarnwick"):
            for name, value in (("UnionId", "40123"), ("OEMUnionId", "12345"), ("AppPath", "C:\\Old")):
                kind = "REG_SZ" if name == "AppPath" else "REG_DWORD"
                subprocess.run(["wine", "reg", "add", root, "/v", name, "/t", kind, "/d", value, "/f"],
                               env=self.env, stdout=subprocess.DEVNULL, check=True)
        code, records = self.install("/InstallSlience", "true")
        self.assertEqual(code, 0)
        for key in (HKLM_PRODUCT, HKCU_PRODUCT):
            values = self.registry(key)
            self.assertEqual(values["UnionId"], ("dword", 40123))
            self.assertEqual(values["OEMUnionId"], ("dword", 12345))
        # The earlier install's folder is reused and rewritten.
        self.assertEqual(self.registry(HKCU_PRODUCT)["AppPath"], ("sz", "C:\\Old"))
        self.assertTrue(self.host("C:\\Old\\TarnwickMain.exe").exists())
        udp = [r["json"] for r in records if r["channel"] == "udp" and r["json"].get("type") == "install"]
        self.assertEqual([(r["kind"], r["unionid"]) for r in udp], [(3, 40123)])

    def test_path_and_channel_switches(self):
        code, _ = self.install("/InstallSlience", "true", "/path:C:\\Custom\\Tarnwick", "-uid=40555", "-UID=1")
        self.assertEqual(code, 0)
        self.assertTrue(self.host("C:\\Custom\\Tarnwick\\TarnwickMain.exe").exists())
        self.assertEqual(self.registry(HKLM_PRODUCT)["UnionId"], ("dword", 40555))
        self.assertEqual(self.registry(HKLM_UNINSTALL)["InstallLocation"], ("sz", "C:\\Custom\\Tarnwick"))

    def test_file_name_markers_and_channel_when_enabled(self):
        # Product name, channel and a third part; @stt: silent without starting the
        # product; @dtc/@smc: no desktop link, no program group.
        name = "Tarnwick_40123_setup@dtc@smc@stt.exe"
        setup = self.install_file(installer("product_switches_installer"), "C:\\Downloads\\" + name)
        code, _ = self.install(setup=setup)
        self.assertEqual(code, 0)
        self.assertTrue(self.host(INSTALL_DIR + "\\TarnwickMain.exe").exists())
        self.assertEqual(self.registry(HKLM_PRODUCT)["UnionId"], ("dword", 40123))
        self.assertEqual(self.registry(HKCU_PRODUCT)["StartMenuShortcutChk"], ("dword", 0))
        self.assertFalse(self.host(PROGRAMS).exists())
        self.assertFalse(self.host("C:\\users\\Public\\Desktop\\Tarnwick.lnk").exists())

    def test_a_locked_payload_file_is_moved_aside_and_the_install_completes(self):
        self.assertEqual(self.install("/InstallSlience", "true")[0], 0)
        locked = INSTALL_DIR + "\\shellaid.dll"
        self.host(locked).write_bytes(b"an older copy, loaded by some process")
        holder = self.start(TOOLS / "holdfile.exe", locked, "C:\\hold.txt", "C:\\release.txt", "image")
        self.assertTrue(wait_for(lambda: "held" in read_text(self.host("C:\\hold.txt"))))

        self.assertEqual(self.install("/InstallSlience", "true")[0], 0)
        self.assertEqual(self.host(locked).read_bytes(), (PAYLOAD / "shellaid.dll").read_bytes())
        moved = [p for p in self.temp_dir().glob("JsZ*") if p.read_bytes().startswith(b"an older copy")]
        self.assertEqual(len(moved), 1, list(self.temp_dir().iterdir()))
        pending = self.registry("HKLM\\System\\CurrentControlSet\\Control\\Session Manager")
        self.assertIn(moved[0].name, pending["PendingFileRenameOperations"][1].decode("utf-16-le"))
        self.host("C:\\release.txt").write_text("go")
        holder.wait(timeout=30)

    def test_a_silent_statistics_server_does_not_hold_the_install_up(self):
        with SilentServer(port=HTTP_PORT) as server:
            started = time.monotonic()
            code, _ = self.install("/InstallSlience", "true", collector=False)
            elapsed = time.monotonic() - started
        self.assertEqual(code, 0)
        self.assertGreaterEqual(len(server.connections), 1, "the report never tried the server")
        print(f"\ninstall with a silent statistics server took {elapsed:.1f} s", file=sys.stderr)


if __name__ == "__main__":
    unittest.main()
