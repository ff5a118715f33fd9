"""What the built binaries import, and that a planted DLL beside the installer
is never loaded."""
import re
import shutil
import subprocess
import unittest

from winetest import BUILD, TOOLS, WineTestCase, installer, read_text

# DLLs Windows always loads from System32 (the KnownDLLs list): the only ones an
# installer started from a writable folder may import.
KNOWN_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
    "ole32.dll", "oleaut32.dll", "msvcrt.dll", "comdlg32.dll", "ws2_32.dll", "imm32.dll",
    "rpcrt4.dll", "setupapi.dll", "psapi.dll", "normaliz.dll", "nsi.dll", "wldap32.dll",
    "sechost.dll", "combase.dll", "imagehlp.dll", "msctf.dll", "clbcatq.dll", "coml2.dll",
    "difxapi.dll", "bcryptprimitives.dll", "cfgmgr32.dll",
}
# Other system DLLs that test programs may import (they never ship).
SYSTEM_DLLS = KNOWN_DLLS | {
    "comctl32.dll", "version.dll", "winmm.dll", "gdiplus.dll", "crypt32.dll", "bcrypt.dll",
    "secur32.dll", "uxtheme.dll", "dwmapi.dll", "shcore.dll", "iphlpapi.dll", "dbghelp.dll",
    "userenv.dll", "msimg32.dll", "dnsapi.dll", "netapi32.dll", "wtsapi32.dll",
}
# Names a planted DLL may take: system DLLs that are not KnownDLLs. Not version.dll
# and shcore.dll: Wine's own user32 and shlwapi import them while the loader resolves
# the installer's imports, which Windows' KnownDLL copies do not, so under Wine they
# would show a load that Windows never makes.
PLANTED_NAMES = ["gdiplus.dll", "crypt32.dll", "bcrypt.dll", "secur32.dll", "uxtheme.dll",
                 "dwmapi.dll", "winmm.dll", "cryptbase.dll", "iphlpapi.dll", "dbghelp.dll",
                 "profapi.dll", "msimg32.dll", "wininet.dll", "winhttp.dll", "dnsapi.dll"]


def imports(binary):
    out = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(binary)], check=True,
                         capture_output=True, text=True).stdout
    return {name.lower() for name in re.findall(r"DLL Name: (\S+)", out)}


def built_binaries():
    for path in sorted(BUILD.rglob("*")):
        if path.suffix.lower() in (".exe", ".dll") and "CMakeFiles" not in path.parts \
                and "wine" not in path.relative_to(BUILD).parts[:1]:
            yield path


class Imports(unittest.TestCase):
    def test_every_binary_imports_only_system_dlls(self):
        binaries = list(built_binaries())
        self.assertTrue(any(p.name == "zrlinstaller.exe" for p in binaries))
        for binary in binaries:
            with self.subTest(binary=binary.name):
                self.assertLessEqual(imports(binary), SYSTEM_DLLS)

    def test_installers_and_shipped_dlls_import_only_known_dlls(self):
        for binary in [BUILD / "zrlinstaller.exe", installer("phases_installer"), BUILD / "pqstat" / "pqstat.dll"]:
            with self.subTest(binary=binary.name):
                found = imports(binary)
                self.assertIn("kernel32.dll", found)
                self.assertLessEqual(found, KNOWN_DLLS)
        # libcurl's Schannel needs crypt32 and bcrypt: present, but only as delayed imports.
        data = (BUILD / "zrlinstaller.exe").read_bytes()
        self.assertIn(b"crypt32.dll\0", data)
        self.assertIn(b"bcrypt.dll\0", data)

    def test_installer_is_large_address_aware(self):
        # The COFF header's characteristics, right after the "PE\0\0" signature and 18 bytes.
        data = (BUILD / "zrlinstaller.exe").read_bytes()
        pe = int.from_bytes(data[0x3C:0x40], "little")
        characteristics = int.from_bytes(data[pe + 22:pe + 24], "little")
        self.assertTrue(characteristics & 0x20, "IMAGE_FILE_LARGE_ADDRESS_AWARE is not set")


def resource(binary, name):
    """Bytes of one resource of a built executable, as 7-Zip lists it. -tPE keeps 7-Zip
    from opening resources that look like archives themselves (ZIP, 7z)."""
    return subprocess.run(["7zz", "e", "-tPE", "-so", str(binary), ".rsrc/" + name],
                          check=True, capture_output=True).stdout


class EmbeddedResources(unittest.TestCase):
    def test_installer_carries_its_resources_under_their_names(self):
        setup = BUILD / "zrlinstaller.exe"
        for chunk in ("GLOBAL_VAR.LUAC", "INSTSCRIPT.LUAC", "UNINSTSCRIPT.LUAC"):
            with self.subTest(chunk=chunk):
                data = resource(setup, "LUA/" + chunk)
                # Lua 5.2 bytecode, format 0, little endian, int 4, size_t 4 (32-bit target).
                self.assertEqual(data[:10], b"\x1bLua\x52\x00\x01\x04\x04\x04")
        skin = resource(setup, "ZIP/249")
        self.assertEqual(skin[:4], b"PK\x03\x04")
        self.assertIn(b"Layout/", skin)
        payload = resource(setup, "_7Z/APP.7Z")
        self.assertEqual(payload[:6], b"z7\xbc\xaf\x27\x1c", "the first two bytes are exchanged")
        listing = subprocess.run(["7zz", "l", "-tPE", str(setup)], check=True, capture_output=True, text=True).stdout
        self.assertIn(".rsrc/GROUP_ICON/128", listing)
        version = resource(setup, "version.txt").decode("utf-16-le", "replace")
        self.assertRegex(version, r"FILEVERSION\s+1,0,0,6")
        self.assertRegex(version, r'"ProductVersion",\s*"1.0.0.6"')


class DllPlanting(WineTestCase):
    def setUp(self):
        super().setUp()
        # Wine prefers its builtin DLLs; Windows searches the program's folder first for
        # any DLL that is not a KnownDLL. Asking Wine for native-then-builtin on these
        # names gives the search order of Windows.
        names = ";".join(name[:-4].lower() + "=n,b" for name in PLANTED_NAMES)
        self.env["WINEDLLOVERRIDES"] += ";" + names

    def plant(self, folder):
        for name in PLANTED_NAMES:
            self.install_file(TOOLS / "plantdll.dll", folder + "\\" + name)

    def test_planted_dlls_beside_the_installer_are_never_loaded(self):
        downloads = "C:\\users\\Public\\Downloads"
        self.plant(downloads)
        setup = self.install_file(installer("phases_installer"), downloads + "\\setup.exe")
        control = self.install_file(TOOLS / "loadlib.exe", downloads + "\\loadlib.exe")

        # Control: a program that does not restrict its search picks the planted copy up,
        # so this prefix would show a planting.
        self.assertEqual(self.run_program(control, "gdiplus.dll"), 0)
        self.assertIn("gdiplus.dll", read_text(self.host("C:\\planted.txt")))
        self.host("C:\\planted.txt").unlink()

        # The installer, silent and windowed (which loads further system DLLs at run time).
        self.assertEqual(self.run_program(setup, "/InstallSlience", "true"), 0)
        self.run_program(setup)
        self.assertEqual(read_text(self.host("C:\\planted.txt")), "")
        self.assertIn("windowed mode:", self.trace())

    def test_delayed_calls_load_the_system_copies_not_a_planted_one(self):
        folder = "C:\\planted"
        self.plant(folder)
        program = self.install_file(TOOLS / "delayload.exe", folder + "\\delayload.exe")
        self.assertEqual(self.run_program(program), 0)
        self.assertFalse(self.host("C:\\planted.txt").exists())
        # Control: a plain load by name from the same folder takes the look-alike.
        loader = self.install_file(TOOLS / "loadlib.exe", folder + "\\loadlib.exe")
        self.run_program(loader, "crypt32.dll")
        self.assertIn("crypt32.dll", read_text(self.host("C:\\planted.txt")))


if __name__ == "__main__":
    unittest.main()
