"""Import tables: the installer and pqstat.dll name only DLLs that Windows
always takes from System32; crypt32 and bcrypt are delayed, and a look-alike
planted beside the program is not what a delayed call loads."""
import subprocess

from winetest import BUILD, TOOLS, WineTestCase

# DLLs on the KnownDLLs list (or the API-set host of kernel32), loaded from System32 whatever the search order.
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll", "ole32.dll",
              "oleaut32.dll", "gdi32.dll", "msvcrt.dll", "ws2_32.dll", "comdlg32.dll", "gdiplus.dll",
              "imm32.dll", "psapi.dll", "rpcrt4.dll", "setupapi.dll", "shcore.dll", "normaliz.dll"}


def imports(binary):
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(binary)],
                          capture_output=True, text=True, check=True).stdout
    return {line.split("DLL Name:")[1].strip().lower() for line in dump.splitlines() if "DLL Name:" in line}


class ImportTableTest(WineTestCase):

    def test_only_known_dlls_are_imported(self):
        for binary in [BUILD / "zrlinstaller.exe", BUILD / "pqstat" / "pqstat.dll"]:
            with self.subTest(binary.name):
                found = imports(binary)
                self.assertIn("kernel32.dll", found)
                self.assertLessEqual(found, KNOWN_DLLS)
        # libcurl's Schannel needs crypt32 and bcrypt: present, but only as delayed imports.
        data = (BUILD / "zrlinstaller.exe").read_bytes()
        self.assertIn(b"crypt32.dll\0", data)
        self.assertIn(b"bcrypt.dll\0", data)

    def test_delayed_calls_load_the_system_copies_not_a_planted_one(self):
        # Wine prefers its own copies of system DLLs; make it take a DLL file
        # found by the search first, as Windows does.
        env = {"WINEDLLOVERRIDES": self.env["WINEDLLOVERRIDES"] + ";crypt32,bcrypt=n,b"}
        folder = "C:\\planted"
        program = self.install_file(TOOLS / "delayload.exe", folder + "\\delayload.exe")
        for name in ["crypt32.dll", "bcrypt.dll"]:
            self.install_file(TOOLS / "plantdll.dll", f"{folder}\\{name}")
        self.assertEqual(self.run_program(program, env=env), 0)
        self.assertFalse(self.host("C:\\planted.txt").exists())
        # Control: a plain load by name from the same folder takes the look-alike.
        loader = self.install_file(TOOLS / "loadlib.exe", folder + "\\loadlib.exe")
        self.run_program(loader, "crypt32.dll", env=env)
        self.assertTrue(self.host("C:\\planted.txt").exists())


if __name__ == "__main__":
    import unittest
    unittest.main()
