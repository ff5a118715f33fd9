"""Lua_CreateShortcut through the real engine: shell links and internet
shortcuts written under Wine and loaded back through the shell's own objects."""
import subprocess
import unittest

from scriptrun import ScriptTestCase
from winetest import TOOLS, read_text

APP = "C:\\Apps\\Tarnwick\\TarnwickMain.exe"
COMMPROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"


class Shortcuts(ScriptTestCase):
    def setUp(self):
        super().setUp()
        self.host(APP).parent.mkdir(parents=True)
        self.host(APP).write_bytes((TOOLS / "sleeper.exe").read_bytes())

    def load(self, kind, path):
        out = "C:\\lnkinfo.txt"
        self.host(out).unlink(missing_ok=True)
        run = subprocess.run(["wine", str(TOOLS / "lnkinfo.exe"), kind, path, out], env=self.env,
                             capture_output=True)
        self.assertEqual(run.returncode, 0, f"{path} did not load as a {kind}")
        return dict(line.split("=", 1) for line in read_text(self.host(out)).splitlines())

    def test_links_are_written_as_asked(self):
        self.host("C:\\links\\replaced.lnk").parent.mkdir(parents=True)
        self.host("C:\\links\\replaced.lnk").write_text("not a shortcut")
        values = self.lua_ok(r'''
            put("csidl", Lua_RegVarByCSIDL("COMMPROGRAMS", 23))
            put("group", Lua_CreateShortcut("%ZRL_APPS%\\TarnwickMain.exe", "%COMMPROGRAMS%\\Tarnwick\\Sub\\Tarnwick.lnk", "/menu", nil))
            put("described", Lua_CreateShortcut("C:\\Apps\\Tarnwick\\TarnwickMain.exe", "C:\\links\\described.lnk", "", "启动 Tarnwick"))
            put("three_args", Lua_CreateShortcut("C:\\Apps\\Tarnwick\\TarnwickMain.exe", "C:\\links\\three.lnk", "/menu"))
            put("two_args", Lua_CreateShortcut("C:\\Apps\\Tarnwick\\TarnwickMain.exe", "C:\\links\\two.lnk"))
            put("replaced", Lua_CreateShortcut("C:\\Apps\\Tarnwick\\TarnwickMain.exe", "C:\\links\\replaced.lnk", "/new", "new"))
        ''', env={"ZRL_APPS": "C:\\Apps\\Tarnwick"})
        self.assertEqual(set(values.values()), {"true"}, values)
        group = COMMPROGRAMS + "\\Tarnwick\\Sub\\Tarnwick.lnk"
        cases = [
            (group, {"target": APP, "arguments": "/menu", "workdir": "C:\\Apps\\Tarnwick", "description": ""}),
            ("C:\\links\\described.lnk",
             {"target": APP, "arguments": "", "workdir": "C:\\Apps\\Tarnwick", "description": "启动 Tarnwick"}),
            ("C:\\links\\three.lnk", {"target": APP, "arguments": "/menu", "workdir": "C:\\Apps\\Tarnwick",
                                      "description": ""}),
            ("C:\\links\\two.lnk", {"target": APP, "arguments": "", "workdir": "C:\\Apps\\Tarnwick",
                                    "description": ""}),
            ("C:\\links\\replaced.lnk", {"target": APP, "arguments": "/new", "workdir": "C:\\Apps\\Tarnwick",
                                         "description": "new"}),
        ]
        for path, expected in cases:
            with self.subTest(path=path):
                self.assertEqual(self.load("link", path), expected)
        self.assertIn(f"kq Save Shortcut {group} \r\n", self.trace())

    def test_url_targets_make_internet_shortcuts(self):
        values = self.lua_ok(r'''
            put("url", Lua_CreateShortcut("https://example.invalid/help?a=1", "C:\\links\\Help.url", "/ignored", "ignored"))
            put("url_lnk_name", Lua_CreateShortcut("http://127.0.0.1/home", "C:\\links\\Home.lnk"))
        ''')
        self.assertEqual(values, {"url": "true", "url_lnk_name": "true"})
        self.assertEqual(self.load("url", "C:\\links\\Help.url"), {"url": "https://example.invalid/help?a=1"})
        self.assertEqual(self.load("url", "C:\\links\\Home.lnk"), {"url": "http://127.0.0.1/home"})
        self.assertIn("[InternetShortcut]", read_text(self.host("C:\\links\\Help.url")))
        self.assertNotIn("ignored", read_text(self.host("C:\\links\\Help.url")))

    def test_failures_and_pin_verbs(self):
        long_link = "C:\\links\\" + "n" * 300 + ".lnk"
        values = self.lua_ok(r'''
            put("too_long", Lua_CreateShortcut("C:\\Apps\\Tarnwick\\TarnwickMain.exe", "%ZRL_LONG%"))
            put("bad_folder", Lua_CreateShortcut("C:\\Apps\\Tarnwick\\TarnwickMain.exe", "C:\\Apps\\Tarnwick\\TarnwickMain.exe\\x.lnk"))
            put("dead", Lua_CreateShortcut("C:\\Apps\\Gone\\gone.exe", "C:\\links\\dead.lnk"))
            put("open_dead", Lua_Exec("C:\\links\\dead.lnk", "open", ""))
            put("pin_dead", Lua_Exec("C:\\links\\dead.lnk", "Taskbarpin", ""))
            put("startpin_dead", Lua_Exec("C:\\links\\dead.lnk", "STARTPIN", ""))
            put("unpin_dead", Lua_Exec("C:\\links\\dead.lnk", "taskbarunpin", ""))
        ''', env={"ZRL_LONG": long_link})
        self.assertEqual(values, {"too_long": "false", "bad_folder": "false", "dead": "true", "open_dead": "false",
                                  "pin_dead": "true", "startpin_dead": "true", "unpin_dead": "true"})
        self.assertFalse(self.host("C:\\links\\" + "n" * 250).exists())
        trace = self.trace()
        self.assertIn("kq Fun:Lua_CreateShortcut, Description:path too long", trace)
        self.assertIn("kq Save C:\\Apps\\Tarnwick\\TarnwickMain.exe\\x.lnk failed!\r\n", trace)
        self.assertIn("kq kq err:", trace)


if __name__ == "__main__":
    unittest.main()
