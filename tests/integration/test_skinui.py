"""The skin toolkit under Xvfb with the carried skin: layout at every DPI
step, approved screenshots, mouse and keyboard, the text field, animated
images, and the failures (unbuildable layout, password)."""
import os
import re
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from winetest import BUILD, SOURCE, TOOLS, WineTestCase, read_text, wait_for

SKINVIEW = TOOLS / "skinview.exe"
CARRIED_SKIN = BUILD / "zrlinstaller.res" / "skin.zip"
REFERENCES = SOURCE / "tests" / "fixtures" / "skinui"
DPI_STEPS = {96: 100, 120: 125, 144: 150, 168: 175, 192: 200}

# Control rectangles of the carried layout at 100 %, in client pixels.
LAYOUT_100 = {
    0: {"BtnInstall": (190, 242, 410, 286), "CheckLicence": (200, 296, 300, 312),
        "EditInstallPath": (40, 352, 560, 388), "BtnSelectPath": (528, 362, 544, 378),
        "StartMenuShortcutChk": (40, 396, 220, 412), "ShouldStartWithWindowsChk": (470, 396, 560, 412),
        "minbtn": (540, 10, 564, 34), "BtnClose": (566, 10, 590, 34)},
    1: {"ProgressInstall": (70, 380, 530, 396), "LabelInstallValue": (245, 406, 355, 425)},
    2: {"BtnStart": (190, 280, 410, 324)},
}
BACKGROUNDS = {0: "Image/BkViewInit", 1: "Image/InstallBk0", 2: "Image/BkViewComplete"}
# The selected check-box cell (index 3) at each scale: explicit at 125 and 175, scaled otherwise.
CHECK_CELL = {100: (42, 0, 56, 14), 125: (54, 0, 72, 18), 150: (63, 0, 84, 21), 175: (75, 0, 100, 25),
              200: (84, 0, 112, 28)}


def scaled(rect, s):
    mul = lambda v: (v * s + 50) // 100   # MulDiv rounding for positive values
    left, top = mul(rect[0]), mul(rect[1])
    return (left, top, left + mul(rect[2] - rect[0]), top + mul(rect[3] - rect[1]))


class Report:
    """The lines skinview.exe writes."""

    def __init__(self, text):
        self.text = text
        self.lines = text.splitlines()

    def value(self, key):
        for line in self.lines:
            if line.startswith(key + " "):
                return line[len(key) + 1:]
        return None

    def rect(self, key):
        return tuple(int(v) for v in self.value(key).split(","))

    def controls(self):
        found = {}
        for line in self.lines:
            m = re.match(r"ctl (\S+) (\S+) (-?\d+),(-?\d+),(-?\d+),(-?\d+) (\w+)", line)
            if m:
                found[m.group(1)] = (tuple(int(m.group(i)) for i in range(3, 7)), m.group(7))
        return found

    def images(self, name):
        """Every image line of a control, in order: (file, size, frames, source, dest)."""
        out = []
        for line in self.lines:
            m = re.match(r"img (\S+) (\S+) (\S+)(?: frames (\d+))? src (\S+) dest (\S+)", line)
            if m and m.group(1) == name:
                out.append((m.group(2), m.group(3), m.group(4), m.group(5), m.group(6)))
        return out


class SkinPackageTest(unittest.TestCase):
    """The build's packing of the skin and what the toolkit's binaries import."""

    def test_packing_is_deterministic_with_directory_entries(self):
        import tempfile
        import zipfile
        with tempfile.TemporaryDirectory() as tmp:
            copy = Path(tmp) / "skin"
            shutil.copytree(SOURCE / "resources" / "skin", copy)
            (copy / ".hidden~").write_text("editor leftover")
            first, second = Path(tmp) / "a.zip", Path(tmp) / "b.zip"
            subprocess.run(["python3", str(SOURCE / "scripts" / "pack_skin.py"), str(copy), str(first)], check=True)
            for path in copy.rglob("*"):          # other file times and modes give the same bytes
                os.utime(path, (1e9, 1e9))
                if path.is_file():
                    path.chmod(0o600)
            subprocess.run(["python3", str(SOURCE / "scripts" / "pack_skin.py"), str(copy), str(second)], check=True)
            self.assertEqual(first.read_bytes(), second.read_bytes())
            with zipfile.ZipFile(first) as archive:
                names = archive.namelist()
                self.assertEqual(names, sorted(names))
                self.assertIn("Image/", names)
                self.assertIn("Layout/", names)
                self.assertNotIn(".hidden~", names)
                self.assertEqual({i.date_time for i in archive.infolist()}, {(2020, 1, 1, 0, 0, 0)})
            for scale, size in ((100, "600x460"), (125, "750x575"), (150, "900x690"), (175, "1050x805"),
                                (200, "1200x920")):
                for name in ("BkViewInit", "InstallBk0", "InstallBk1", "InstallBk2", "BkViewComplete"):
                    png = copy / "Image" / (name + ("" if scale == 100 else "@%d" % scale) + ".png")
                    out = subprocess.run(["identify", "-format", "%wx%h", str(png)], capture_output=True,
                                         text=True, check=True).stdout
                    self.assertEqual(out, size, png.name)

    def test_backgrounds_are_what_the_vector_source_renders(self):
        import tempfile
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run(["python3", str(SOURCE / "scripts" / "make_skin_backgrounds.py"),
                            str(SOURCE / "resources" / "skin-art" / "backgrounds.json"), tmp], check=True)
            made = sorted(Path(tmp, "Image").glob("*.png"))
            self.assertEqual(len(made), 25)
            for png in made:
                committed = SOURCE / "resources" / "skin" / "Image" / png.name
                self.assertEqual(png.read_bytes(), committed.read_bytes(), "%s is out of step with its source" % png.name)

    def test_toolkit_binaries_import_only_system_dlls(self):
        allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
                   "ole32.dll", "oleaut32.dll", "comdlg32.dll", "imm32.dll", "msvcrt.dll"}
        for binary in (SKINVIEW, BUILD / "tests" / "unit" / "ui_test.exe"):
            out = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(binary)], capture_output=True, text=True,
                                 check=True).stdout
            dlls = {line.split(":", 1)[1].strip().lower() for line in out.splitlines() if "DLL Name:" in line}
            self.assertTrue(dlls, binary)
            self.assertLessEqual(dlls, allowed, binary.name)


class SkinUiTest(WineTestCase):

    def set_dpi(self, dpi):
        subprocess.run(["wine", "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                        "/t", "REG_DWORD", "/d", str(dpi), "/f"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        # Wine reads the DPI when the wineserver starts.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stderr=subprocess.DEVNULL)

    def open_skin(self, page=0, skin=CARRIED_SKIN, skin_file=None):
        """Starts skinview and waits for its report; returns (process, report path)."""
        report = "C:\\skinview-%d.txt" % time.monotonic_ns()
        args = [self.windows_path(skin), report, page] + ([skin_file] if skin_file else [])
        process = self.start_program(SKINVIEW, *args)
        path = self.host(report)
        self.assertTrue(wait_for(lambda: "\nready\n" in read_text(path), 60), read_text(path) or "no report")
        time.sleep(1.0)   # first paint
        return process, path

    def close(self, process):
        subprocess.run(["xdotool", "search", "--name", "SkinViewTest", "windowclose"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        process.kill()
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)

    def screenshot(self, name):
        path = self.prefix / (name + ".png")
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True)
        return path

    def crop_body(self, shot, window, scale, target):
        """The window body without the rounded corners' rows (the shadow is outside)."""
        inset = (8 * scale + 99) // 100 + 2
        left, top, right, bottom = window
        subprocess.run(["convert", str(shot), "-crop", "%dx%d+%d+%d" % (right - left, bottom - top - 2 * inset,
                                                                        left, top + inset),
                        "+repage", "-depth", "8", "-strip", str(target)], check=True)

    def differing_pixels(self, a, b):
        result = subprocess.run(["compare", "-metric", "AE", "-fuzz", "10%", str(a), str(b), "null:"],
                                capture_output=True, text=True)
        return int(float(result.stderr.split()[0]))

    def pixel(self, shot, x, y):
        out = subprocess.run(["convert", str(shot), "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                             capture_output=True, text=True, check=True).stdout
        return re.search(r"#([0-9A-F]{6})", out).group(1)

    @staticmethod
    def colour_name(hex_rgb):
        """red or blue within a lossy codec's error, else the value itself."""
        r, g, b = (int(hex_rgb[i:i + 2], 16) for i in (0, 2, 4))
        if r > 240 and g < 16 and b < 16:
            return "red"
        if b > 240 and r < 16 and g < 16:
            return "blue"
        return hex_rgb

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True)

    def test_carried_layout_at_every_scale(self):
        update = os.environ.get("ZRL_UPDATE_REFERENCES") == "1"
        for dpi, s in DPI_STEPS.items():
            self.set_dpi(dpi)
            for page in (0, 1, 2):
                with self.subTest(scale=s, page=page):
                    process, path = self.open_skin(page)
                    report = Report(read_text(path))
                    self.assertEqual(report.value("scale"), str(s))
                    width, height = scaled((0, 0, 600, 460), s)[2:]
                    self.assertEqual(report.value("client"), "%d,%d" % (width, height))
                    window = report.rect("window")
                    self.assertEqual((window[2] - window[0], window[3] - window[1]), (width, height))

                    # The page's background is the variant of this scale and covers the window exactly.
                    view = ["VertInitView", "VertInstallView", "VertCompleteView"][page]
                    expected_bk = BACKGROUNDS[page] + ("" if s == 100 else "@%d" % s) + ".png"
                    bk = report.images(view)
                    self.assertEqual(bk[0][0], expected_bk)
                    self.assertEqual(bk[0][1], "%dx%d" % (width, height))
                    controls = report.controls()
                    self.assertEqual(controls[view][0], (0, 0, width, height))

                    for name, rect in LAYOUT_100[page].items():
                        got, visible = controls[name]
                        self.assertEqual(visible, "visible", name)
                        want = scaled(rect, s)
                        for g, w in zip(got, want):
                            self.assertLessEqual(abs(g - w), 2, "%s at %d %%: %s, expected about %s" % (name, s, got, want))

                    if page == 0:
                        # autocalcwidth and the two flexible spacers: the box and the link centred as a pair.
                        box, link = controls["CheckLicence"][0], controls["BtnLicenceLink"][0]
                        self.assertEqual(link[0], box[2])
                        self.assertGreater(link[2] - link[0], scaled((0, 0, 80, 0), s)[2])
                        self.assertLessEqual(abs(box[0] - (width - link[2])), 1)
                        svg = "Image/CheckLicence.svg" if s == 100 else "Image/CheckLicence@%d.svg" % s
                        for option in ("CheckLicence", "StartMenuShortcutChk", "ShouldStartWithWindowsChk"):
                            image = report.images(option)[0]
                            self.assertEqual(image[0], svg)
                            self.assertEqual(tuple(int(v) for v in image[3].split(",")), CHECK_CELL[s], option)
                            self.assertEqual(image[4], ",".join(map(str, scaled((0, 1, 14, 15), s))))

                    shot = self.screenshot("shot-%d-%d" % (s, page))
                    body = self.prefix / ("body-%d-%d.png" % (s, page))
                    self.crop_body(shot, window, s, body)
                    reference = REFERENCES / ("page%d-%d.png" % (page, s))
                    if update:
                        REFERENCES.mkdir(parents=True, exist_ok=True)
                        shutil.copy(body, reference)
                    self.assertTrue(reference.exists(), "no approved image %s" % reference.name)
                    differing = self.differing_pixels(reference, body)
                    total = (window[2] - window[0]) * (window[3] - window[1])
                    self.assertLess(differing, total // 200, "%d pixels differ from %s" % (differing, reference.name))
                    # A per-control timer reports its sender and id.
                    self.assertTrue(wait_for(lambda: "event timer TabMain 7" in read_text(path), 5))
                    self.close(process)

    def test_screen_readers_see_names_roles_and_states(self):
        process, path = self.open_skin(0)
        acc = [line.split(" ", 3) for line in read_text(path).splitlines() if line.startswith("acc ")]
        seen = {entry[3].split(" = ")[0]: (int(entry[1]), int(entry[2]), entry[3].split(" = ", 1)[1]) for entry in acc}
        ROLE_PUSHBUTTON, ROLE_CHECKBUTTON, ROLE_TEXT, ROLE_PROGRESSBAR = 0x2B, 0x2C, 0x2A, 0x30
        CHECKED, FOCUSABLE, INVISIBLE = 0x10, 0x100000, 0x8000
        self.assertEqual(seen["快速安装"][0], ROLE_PUSHBUTTON)
        self.assertTrue(seen["快速安装"][1] & FOCUSABLE)
        self.assertEqual(seen["我已阅读并同意"][0], ROLE_CHECKBUTTON)
        self.assertTrue(seen["我已阅读并同意"][1] & CHECKED)
        self.assertEqual(seen["InstallPath"], (ROLE_TEXT, FOCUSABLE, "$global_install_path$"))
        self.assertEqual(seen["最小化"][0], ROLE_PUSHBUTTON)
        self.assertEqual(seen["ProgressInstall"][0], ROLE_PROGRESSBAR)
        self.assertTrue(seen["ProgressInstall"][1] & INVISIBLE)     # on a hidden page
        self.assertEqual(seen["ProgressInstall"][2], "0%")
        self.close(process)

    def test_mouse_states_and_notifications(self):
        self.set_dpi(144)
        process, path = self.open_skin(0)
        report = Report(read_text(path))
        left, top = report.rect("window")[:2]
        controls = report.controls()

        def centre(name):
            r = controls[name][0]
            return left + (r[0] + r[2]) // 2, top + (r[1] + r[3]) // 2

        def cell(name):
            return Report(read_text(path)).images(name)[-1][3]

        # The drop shadow: a window 18 px larger on every side (12 px at 100 %), 5 px lower, stacked
        # just below the main window (xwininfo lists the top-most first).
        window = report.rect("window")
        tree = subprocess.run(["xwininfo", "-root", "-children"], env=self.env, capture_output=True,
                              text=True).stdout.splitlines()
        def row(w, h, x, y):
            return next((i for i, line in enumerate(tree) if " %dx%d+%d+%d " % (w, h, x, y) in line), None)
        main = row(window[2] - window[0], window[3] - window[1], window[0], window[1])
        shadow = row(window[2] - window[0] + 36, window[3] - window[1] + 36, window[0] - 18, window[1] - 13)
        self.assertIsNotNone(main, "\n".join(tree))
        self.assertIsNotNone(shadow, "\n".join(tree))
        self.assertLess(main, shadow)

        # Hot, pushed and released: cells 220, 440 and the click.
        x, y = centre("BtnInstall")
        self.xdotool("mousemove", x, y)
        self.assertTrue(wait_for(lambda: cell("BtnInstall") == "330,0,660,66", 10), cell("BtnInstall"))
        self.xdotool("mousedown", 1)
        self.assertTrue(wait_for(lambda: cell("BtnInstall") == "660,0,990,66", 10), cell("BtnInstall"))
        self.xdotool("mouseup", 1)
        self.assertTrue(wait_for(lambda: "event click BtnInstall" in read_text(path), 10))

        # The consent box: click clears it (selectchanged), its image leaves the selected cells.
        x, y = centre("CheckLicence")
        self.xdotool("mousemove", x, y, "click", 1)
        self.assertTrue(wait_for(lambda: "event selectchanged CheckLicence" in read_text(path), 10))
        self.assertIn("event click CheckLicence", read_text(path))
        self.assertTrue(wait_for(lambda: cell("CheckLicence") in ("21,0,42,21", "42,0,63,21"), 10), cell("CheckLicence"))

        # A resting mouse shows the tooltip in a popup of its own.
        x, y = centre("BtnClose")
        self.xdotool("mousemove", x, y)
        found = wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "关闭"], env=self.env,
                                                capture_output=True, text=True).stdout.strip(), 10)
        self.assertTrue(found, "no tooltip")

        # The caption area (top 66 pixels, away from controls) drags the window.
        before = Report(read_text(path)).rect("window")
        self.xdotool("mousemove", left + 300, top + 50, "mousedown", 1)
        self.xdotool("mousemove", left + 340, top + 80)
        self.xdotool("mousemove", left + 350, top + 90, "mouseup", 1)
        geometry = lambda: subprocess.run(["xdotool", "search", "--name", "SkinViewTest", "getwindowgeometry",
                                           "--shell"], env=self.env, capture_output=True, text=True).stdout
        moved = wait_for(lambda: "X=%d\n" % (before[0] + 50) in geometry() and "Y=%d\n" % (before[1] + 40) in geometry(), 10)
        self.assertTrue(moved, geometry())
        left, top = left + 50, top + 40

        # The link, the folder button and the minimise button raise their clicks by name.
        for name in ("BtnLicenceLink", "BtnSelectPath", "minbtn"):
            x, y = centre(name)
            self.xdotool("mousemove", x, y, "click", 1)
            self.assertTrue(wait_for(lambda: "event click %s" % name in read_text(path), 10), name)
        # minbtn is handled by the toolkit itself: the window is minimised.
        self.assertTrue(wait_for(lambda: "\nminimized\n" in read_text(path), 10), "not minimised by minbtn")

        self.close(process)

    def test_keyboard_focus_and_text_field(self):
        self.set_dpi(96)
        process, path = self.open_skin(0)
        report = Report(read_text(path))
        self.assertEqual(report.value("taborder").split(),
                         ["BtnInstall", "CheckLicence", "BtnLicenceLink", "EditInstallPath", "BtnSelectPath",
                          "StartMenuShortcutChk", "ShouldStartWithWindowsChk", "BtnStart"])
        left, top = report.rect("window")[:2]
        # Activate the window by a click on an empty part of the body.
        self.xdotool("mousemove", left + 300, top + 440, "click", 1)

        # Tab walks the visible TabSuppot controls (BtnStart is on a hidden page); Shift+Tab goes back.
        order = ["BtnInstall", "CheckLicence", "BtnLicenceLink", "EditInstallPath", "BtnSelectPath",
                 "StartMenuShortcutChk", "ShouldStartWithWindowsChk", "BtnInstall"]
        for name in order:
            before = read_text(path).count("event setfocus " + name)
            self.xdotool("key", "Tab")
            self.assertTrue(wait_for(lambda: read_text(path).count("event setfocus " + name) > before, 10), name)
        before = read_text(path).count("event setfocus ShouldStartWithWindowsChk")
        self.xdotool("key", "shift+Tab")
        self.assertTrue(wait_for(lambda: read_text(path).count("event setfocus ShouldStartWithWindowsChk") > before, 10))
        # The focus ring is drawn around the focused control (here the last option, 2 px outside its box).
        r = report.controls()["ShouldStartWithWindowsChk"][0]
        time.sleep(0.5)
        shot = self.screenshot("focus")
        ring = [self.pixel(shot, left + r[0] - dx, top + (r[1] + r[3]) // 2) for dx in range(0, 5)]
        self.assertIn("165DFF", ring)
        self.xdotool("key", "Tab")      # the ring moves on with the focus
        self.assertTrue(wait_for(lambda: "165DFF" not in [
            self.pixel(self.screenshot("focus2"), left + r[0] - dx, top + (r[1] + r[3]) // 2) for dx in range(0, 5)], 5))
        self.xdotool("key", "shift+Tab")
        # Space toggles the focused option; Enter presses a focused button.
        self.xdotool("key", "space")
        self.assertTrue(wait_for(lambda: "event selectchanged ShouldStartWithWindowsChk" in read_text(path), 10))
        self.xdotool("key", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "Return")
        self.assertTrue(wait_for(lambda: "event click BtnInstall" in read_text(path), 10))

        # The path field: typed text, then a clipboard round trip (copy all, paste at the end).
        x = left + 200
        y = top + 370
        self.xdotool("mousemove", x, y, "click", 1)
        self.xdotool("key", "ctrl+a")
        self.xdotool("type", "--delay", "30", "D:\\Tarnwick")
        self.assertTrue(wait_for(lambda: "text EditInstallPath D:\\Tarnwick\n" in read_text(path), 10),
                        read_text(path)[-300:])
        self.xdotool("key", "ctrl+a", "ctrl+c", "End", "ctrl+v")
        self.assertTrue(wait_for(lambda: "text EditInstallPath D:\\TarnwickD:\\Tarnwick\n" in read_text(path), 10),
                        read_text(path)[-300:])
        # Undo is the field's own: one level, whose extent the system's edit control decides.
        self.xdotool("key", "ctrl+z")
        last = lambda: read_text(path).rstrip("\n").rsplit("\n", 1)[-1]
        self.assertTrue(wait_for(lambda: last() in ("text EditInstallPath D:\\Tarnwick",
                                                    "text EditInstallPath $global_install_path$"), 10), last())
        self.close(process)

    def test_animated_gif_and_webp_play(self):
        skin = self.prefix / "anim-skin"
        (skin / "Layout").mkdir(parents=True)
        (skin / "Image").mkdir()
        for colour in ("red", "blue"):
            subprocess.run(["convert", "-size", "40x40", "xc:" + colour, str(skin / (colour + ".png"))], check=True)
        for ext in ("gif", "webp"):
            subprocess.run(["convert", "-delay", "30", str(skin / "red.png"), str(skin / "blue.png"), "-loop", "0",
                            str(skin / "Image" / ("anim." + ext))], check=True)
        for colour in ("red", "blue"):
            (skin / (colour + ".png")).unlink()
        (skin / "Layout" / "Layout.xml").write_text(
            '<?xml version="1.0" encoding="utf-8"?>\n<Window size="200,100">\n'
            ' <HorizontalLayout name="Row" bkcolor="#FFFFFFFF">\n'
            '  <Control name="AnimGif" width="40" height="40" padding="20,30,0,0" bkimage="Image/anim.gif" />\n'
            '  <Control name="AnimWebp" width="40" height="40" padding="80,30,0,0" bkimage="Image/anim.webp" />\n'
            ' </HorizontalLayout>\n</Window>\n', encoding="utf-8")
        package = self.prefix / "anim.zip"
        subprocess.run(["python3", str(SOURCE / "scripts" / "pack_skin.py"), str(skin), str(package)], check=True)
        process, path = self.open_skin(0, skin=package)
        report = Report(read_text(path))
        self.assertEqual(report.images("AnimGif")[0][2], "2")
        self.assertEqual(report.images("AnimWebp")[0][2], "2")
        left, top = report.rect("window")[:2]
        seen = {"AnimGif": set(), "AnimWebp": set()}
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline and not all(len(v) == 2 for v in seen.values()):
            shot = self.screenshot("anim")
            for name, (x, y) in (("AnimGif", (40, 50)), ("AnimWebp", (160, 50))):
                seen[name].add(self.colour_name(self.pixel(shot, left + x, top + y)))
        self.assertEqual(seen["AnimGif"], {"red", "blue"})
        self.assertEqual(seen["AnimWebp"], {"red", "blue"})
        self.close(process)

    def test_unbuildable_layout_shows_the_box_and_ends_with_1603(self):
        report = "C:\\broken.txt"
        viewer = self.start_program(SKINVIEW, self.windows_path(CARRIED_SKIN), report, 0, "Layout/Missing.xml")
        self.assertEqual(self.run_program(TOOLS / "boxreader.exe", "C:\\box.txt", 60000), 0, "no message box")
        self.assertEqual(self.exit_code(viewer, 60), 1603)
        box = read_text(self.host("C:\\box.txt"))
        self.assertIn("caption=SkinUI", box)
        self.assertIn("加载资源文件失败：Layout/Missing.xml", box)

    def test_window_can_replace_control_texts(self):
        report = "C:\\texts.txt"
        process = self.start(SKINVIEW, self.windows_path(CARRIED_SKIN), report, 0, "Layout/Layout.xml", "",
                                     "translate")
        path = self.host(report)
        self.assertTrue(wait_for(lambda: "\nready\n" in read_text(path), 60))
        text = read_text(path)
        self.assertIn("label BtnInstall Install now\n", text)
        self.assertIn("label BtnStart 立即体验\n", text)      # not asked to change
        self.assertIn("label EditInstallPath $global_install_path$\n", text)
        self.close(process)

    def test_password_is_refused(self):
        code = self.run_program(SKINVIEW, self.windows_path(CARRIED_SKIN), "C:\\pw.txt", 0, "Layout/Layout.xml", "secret")
        self.assertEqual(code, 3)
        self.assertIn("zip refused: password", read_text(self.host("C:\\pw.txt")))


if __name__ == "__main__":
    unittest.main()
