"""Payload extraction through the real script engine under Wine: archives made
here with 7zz (coder chains, block layouts, damaged and hostile archives),
the carried payload resource, read-only and locked targets, and the callbacks."""
import os
import random
import subprocess
import tempfile
import zlib
from pathlib import Path

from winetest import TOOLS, WineTestCase, read_text, wait_for

SCRIPTRUN = TOOLS / "scriptrun.exe"
FILELOCK = TOOLS / "filelock.exe"

# Lua helpers every case script starts with: out() appends a line to C:\results.txt.
PRELUDE = r'''
local results = assert(io.open("C:\\results.txt", "w"))
function out(...)
  local parts = {}
  for i = 1, select("#", ...) do parts[#parts + 1] = tostring((select(i, ...))) end
  results:write(table.concat(parts, " "), "\n")
  results:flush()
end
function exists(path)
  local f = io.open(path, "r")
  if f then f:close() return true end
  return false
end
function wait_until(predicate)
  local deadline = os.time() + 30
  while not predicate() and os.time() < deadline do end
  return predicate()
end
function recorder(prefix)
  return function(path, code) out(prefix, path, code) end
end
'''


def lua_text(text):
    """A Windows path as the inside of a Lua string literal."""
    return text.replace("\\", "\\\\")


def x86_like(seed, size):
    """Bytes with many E8/E9 opcodes, so the x86 filter really changes them."""
    r = random.Random(seed)
    data = bytearray()
    while len(data) < size:
        data += bytes([0xE8 if r.random() < 0.3 else r.getrandbits(8)]) + r.getrandbits(32).to_bytes(4, "little")
    return bytes(data[:size])


def sample_tree():
    """A tree with nested folders, Chinese names, an empty file and an empty folder."""
    return {
        "readme.txt": b"payload readme\r\n" * 200,
        "bin/tool.exe": x86_like(1, 150_000),
        "bin/deep/er/lib.dll": x86_like(2, 40_000),
        "中文/说明文件.txt": "安装说明".encode("utf-8") * 500,
        "data/random.bin": random.Random(3).randbytes(90_000),
        "data/empty.txt": b"",
        "emptydir/": None,
    }


def write_tree(root, tree):
    for name, content in tree.items():
        path = Path(root) / name
        if content is None:
            path.mkdir(parents=True, exist_ok=True)
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        if isinstance(content, tuple):
            content, mode = content
        else:
            mode = None
        path.write_bytes(content)
        os.utime(path, (1_600_000_000, 1_600_000_000))
        if mode is not None:
            path.chmod(mode)


def seven_zip(archive, tree, *options):
    """Packs `tree` with 7zz into `archive`; returns the archive's file order."""
    with tempfile.TemporaryDirectory() as work:
        write_tree(work, tree)
        Path(archive).parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["7zz", "a", "-t7z", *options, "-bd", "-bso0", "-bsp0", str(archive), "."],
                       cwd=work, check=True)
    return archive_files(archive)


def archive_files(archive):
    """Paths of the archive's file entries (no folders), in archive order."""
    listing = subprocess.run(["7zz", "l", "-slt", str(archive)], capture_output=True, text=True, check=True).stdout
    files, path = [], None
    for line in listing.split("----------", 1)[1].splitlines():
        if line.startswith("Path = "):
            path = line[7:]
        elif line.startswith("Attributes = ") and path is not None:
            if not line[13:].startswith("D"):
                files.append(path)
            path = None
    return files


def crafted_archive(archive, entry_name):
    """A one-file archive whose entry is called `entry_name`: packed under a
    placeholder of the same length (header left uncompressed), then renamed in
    the header, with both header CRCs made right again."""
    placeholder = "Q" * len(entry_name)
    with tempfile.TemporaryDirectory() as work:
        Path(work, placeholder).write_bytes(b"planted")
        subprocess.run(["7zz", "a", "-t7z", "-m0=Copy", "-mhc=off", "-bd", "-bso0", "-bsp0", str(archive), placeholder],
                       cwd=work, check=True)
    data = bytearray(Path(archive).read_bytes())
    old, new = placeholder.encode("utf-16-le"), entry_name.encode("utf-16-le")
    assert data.count(old) == 1 and len(old) == len(new)
    at = data.index(old)
    data[at:at + len(new)] = new
    offset = int.from_bytes(data[12:20], "little")
    size = int.from_bytes(data[20:28], "little")
    header = data[32 + offset:32 + offset + size]
    data[28:32] = zlib.crc32(header).to_bytes(4, "little")
    data[8:12] = zlib.crc32(data[12:32]).to_bytes(4, "little")
    Path(archive).write_bytes(bytes(data))


class PayloadCase(WineTestCase):
    def run_lua(self, code, env=None):
        """Runs PRELUDE + code in scriptrun.exe; returns the lines it wrote with out()."""
        self.host("C:\\results.txt").unlink(missing_ok=True)
        script = self.host("C:\\case.lua")
        script.write_text(PRELUDE + code, encoding="utf-8")
        self.assertEqual(self.run_program(SCRIPTRUN, "C:\\case.lua", env=env), 0, self.trace())
        return read_text(self.host("C:\\results.txt")).splitlines()

    def assert_tree(self, expected_tree, folder):
        """The folder holds exactly the tree's files and folders, byte for byte."""
        root = self.host(folder)
        found = {str(p.relative_to(root)) + ("/" if p.is_dir() else "") for p in root.rglob("*")}
        wanted = set()
        for name in expected_tree:
            parts = name.rstrip("/").split("/")
            for i in range(1, len(parts)):
                wanted.add("/".join(parts[:i]) + "/")
            wanted.add(name if name.endswith("/") else name)
        self.assertEqual(found, wanted)
        for name, content in expected_tree.items():
            if content is not None:
                content = content[0] if isinstance(content, tuple) else content
                self.assertEqual((root / name).read_bytes(), content, name)


class CoderChains(PayloadCase):
    # (label, 7zz options, whether every block is streamed)
    CASES = [
        ("lzma2", ["-m0=LZMA2"], True),
        ("lzma2_blocks", ["-m0=LZMA2", "-ms=2f"], True),
        ("lzma_bcj", ["-m0=LZMA", "-mf=BCJ"], True),
        ("lzma2_bcj", ["-m0=LZMA2", "-mf=BCJ", "-ms=3f"], True),
        ("build_packing", ["-mx=7", "-m0=LZMA2", "-mqs=on", "-md=16m", "-ms=32m"], True),
        ("lzma_bcj2", ["-m0=LZMA", "-mf=BCJ2"], False),
        ("ppmd", ["-m0=PPMd"], False),
        ("lzma2_delta", ["-m0=LZMA2", "-mf=Delta:4"], False),
    ]

    def test_each_chain_extracts_the_tree_with_callbacks_in_archive_order(self):
        tree = sample_tree()
        lua, orders = [], {}
        for label, options, _ in self.CASES:
            orders[label] = seven_zip(self.host(f"C:\\arch\\{label}.7z"), tree, *options)
            lua.append(f'os.execute("mkdir C:\\\\out\\\\{label}") '
                       f'out("{label}", Lua_UnCompress7z("C:\\\\arch\\\\{label}.7z", "C:\\\\out\\\\{label}", true, '
                       f'function(p) out("file", p) end))')
        lines = self.run_lua("\n".join(lua))

        trace = self.trace()
        for label, _, streamed in self.CASES:
            with self.subTest(label=label):
                self.assertIn(f"{label} true", lines)
                self.assert_tree(tree, f"C:\\out\\{label}")
                start = lines.index(f"{label} true") - len(orders[label])
                called = [line[5:] for line in lines[start:start + len(orders[label])]]
                self.assertEqual(called, [f"C:\\out\\{label}\\" + p.replace("/", "\\") for p in orders[label]])
                # Every file keeps its archived time.
                self.assertEqual(int(self.host(f"C:\\out\\{label}\\bin\\tool.exe").stat().st_mtime), 1_600_000_000)
        summaries = [line for line in trace.splitlines() if "blocks (" in line]
        self.assertEqual(len(summaries), len(self.CASES))
        for (label, _, streamed), summary in zip(self.CASES, summaries):
            blocks = int(summary.split(" blocks (")[0].rsplit(" ", 1)[1])
            count = int(summary.split(" blocks (")[1].split(" ")[0])
            self.assertEqual(count, blocks if streamed else 0, f"{label}: {summary}")

    def test_empty_archive_yields_true_and_creates_nothing(self):
        archive = self.host("C:\\arch\\empty.7z")
        with tempfile.TemporaryDirectory() as work:
            Path(work, "x").write_bytes(b"x")
            subprocess.run(["7zz", "a", "-bso0", str(archive), "x"], cwd=work, check=True)
            subprocess.run(["7zz", "d", "-bso0", str(archive), "x"], cwd=work, check=True)
        lines = self.run_lua('os.execute("mkdir C:\\\\out") '
                             'out(Lua_UnCompress7z("C:\\\\arch\\\\empty.7z", "C:\\\\out", true, recorder("file")))')
        self.assertEqual(lines, ["true"])
        self.assertEqual(list(self.host("C:\\out").iterdir()), [])

    def test_parallel_blocks_give_the_serial_run_results(self):
        tree = {f"f{i:02d}/{'x' * (i % 5)}n{i}.bin": random.Random(i).randbytes(20_000 + 997 * i) for i in range(24)}
        order = seven_zip(self.host("C:\\arch\\blocks.7z"), tree, "-m0=LZMA2", "-ms=1f")
        code = ('os.execute("mkdir C:\\\\out") '
                'out(Lua_UnCompress7z("C:\\\\arch\\\\blocks.7z", "C:\\\\out", true, recorder("file")))')
        runs = {}
        for workers in ("1", "4"):
            runs[workers] = self.run_lua(code, env={"ZRLSETUP_EXTRACT_WORKERS": workers})
            self.assert_tree(tree, "C:\\out")
            self.assertIn(f"24 blocks (24 streamed), {workers} workers", self.trace())
        self.assertEqual(runs["1"], runs["4"])
        self.assertEqual(runs["4"], ["file C:\\out\\" + p.replace("/", "\\") + " nil" for p in order] + ["true"])


class Damaged(PayloadCase):
    def test_damaged_archives_fail_cleanly_without_bad_files(self):
        text = b"line of text that compresses well\r\n" * 4000
        noise = random.Random(9).randbytes(200_000)   # LZMA2 keeps it as stored chunks
        seven_zip(self.host("C:\\arch\\text.7z"), {"text.txt": text}, "-m0=LZMA2")
        seven_zip(self.host("C:\\arch\\noise.7z"), {"noise.bin": noise}, "-m0=LZMA2")
        seven_zip(self.host("C:\\arch\\solid.7z"), {"a/one.txt": text, "a/two.bin": noise}, "-m0=LZMA2")

        def damage(name, at, new_name):
            data = bytearray(self.host(f"C:\\arch\\{name}").read_bytes())
            if at is None:
                data = data[:len(data) // 2]
            else:
                data[at] ^= 0x55
            self.host(f"C:\\arch\\{new_name}").write_bytes(bytes(data))

        damage("noise.7z", 32 + 100_000, "noise_flipped.7z")    # wrong data, right structure: CRC
        damage("text.7z", 32 + 12, "text_flipped.7z")           # corrupt LZMA stream
        damage("solid.7z", None, "solid_truncated.7z")          # header gone
        self.host("C:\\arch\\plain.7z").write_bytes(b"this is no archive" * 10)

        # (archive, result codes allowed, file that must not be left)
        cases = [
            ("noise_flipped.7z", {"3"}, "noise.bin"),
            ("text_flipped.7z", {"1", "3"}, "text.txt"),
            ("solid_truncated.7z", {"6", "16", "17"}, "a"),
            ("plain.7z", {"17"}, None),
        ]
        lua = []
        for i, (archive, _, _) in enumerate(cases):
            lua.append(f'os.execute("mkdir C:\\\\out{i}") '
                       f'out(Lua_UnCompress7z("C:\\\\arch\\\\{archive}", "C:\\\\out{i}", true, recorder("file")))')
        lines = self.run_lua("\n".join(lua))
        self.assertEqual(lines, ["false"] * len(cases))
        codes = [line.rsplit(" ", 1)[1] for line in self.trace().splitlines() if "Description:result code" in line]
        self.assertEqual(len(codes), len(cases), self.trace())
        for i, (archive, allowed, leftover) in enumerate(cases):
            with self.subTest(archive=archive):
                self.assertIn(codes[i], allowed)
                self.assertEqual(list(self.host(f"C:\\out{i}").iterdir()), [])
        self.assertIn("Description: UnCompress failed.!", self.trace())
        self.assertIn("noise.bin not extracted, code 3", self.trace())

    def test_hostile_names_refuse_the_archive(self):
        names = ["../evil.txt", "a/../../evil.txt", "..\\evil.txt", "/abs.txt", "C:evil.txt",
                 "ok.txt:stream", "NUL.txt", "sub/con", "COM1", "dots/...", "trail. "]
        lua = ['os.execute("mkdir C:\\\\box\\\\dest")']
        for i, name in enumerate(names):
            crafted_archive(self.host(f"C:\\arch\\hostile{i}.7z"), name)
            lua.append(f'out(Lua_UnCompress7z("C:\\\\arch\\\\hostile{i}.7z", "C:\\\\box\\\\dest", true))')
        lines = self.run_lua("\n".join(lua))
        self.assertEqual(lines, ["false"] * len(names))
        trace = self.trace()
        for name in names:
            self.assertIn(f'entry "{name}" would land outside C:\\box\\dest, archive refused', trace)
        self.assertEqual([p.name for p in self.host("C:\\box").iterdir()], ["dest"])
        self.assertEqual(list(self.host("C:\\box\\dest").iterdir()), [])
        self.assertFalse(self.host("C:\\evil.txt").exists())
        self.assertFalse(self.host("C:\\arch\\evil.txt").exists())


class CarriedResource(PayloadCase):
    def test_payload_resource_extracts_by_name_and_number_more_than_once(self):
        payload = SOURCE_FIXTURE
        lines = self.run_lua(r'''
for i, source in ipairs({"App.7z", "APP.7Z", "249", 249}) do
  local dest = "C:\\out" .. i
  os.execute("mkdir " .. dest)
  out(i, Lua_UnCompress7z(source, dest))
end
out("missing", Lua_UnCompress7z("NOPE.7Z", "C:\\out1", false))
''')
        self.assertEqual(lines, ["1 true", "2 true", "3 true", "4 true", "missing false"])
        for i in range(1, 5):
            self.assert_tree(payload, f"C:\\out{i}")
        trace = self.trace()
        self.assertIn("kq UnCompress App.7z to C:\\out1 .", trace)
        self.assertNotIn("UnCompress 249 to", trace)   # identifiers are not traced
        self.assertIn("kq Fun:Lua_UnCompress7z ,LoadResource failed!", trace)
        self.assertEqual(trace.count("kq UnCompress successful."), 4)

    def test_extract_resource_writes_the_bytes_with_the_pair_put_back(self):
        lines = self.run_lua(r'''
out(Lua_ExtractResource("_7Z", "App.7z", "C:\\app.7z"))
out(Lua_ExtractResource("LUA", "SAMPLE.LUAC", "%TEMP%\\sample.lua"))
out(Lua_ExtractResource("_7Z", 249, "C:\\again.7z"))
out(Lua_ExtractResource("LUA", "MISSING.LUAC", "C:\\missing.lua"))
out(Lua_ExtractResource("LUA", "SAMPLE.LUAC", "C:\\no\\such\\folder\\x.lua"))
''')
        self.assertEqual(lines, ["true", "true", "true", "false", "false"])
        carried = (TOOLS / "scriptrun-payload.7z.swapped").read_bytes()
        written = self.host("C:\\app.7z").read_bytes()
        self.assertEqual(written[:6], b"7z\xbc\xaf\x27\x1c")
        self.assertEqual(written, carried[1:2] + carried[0:1] + carried[2:])
        self.assertEqual(self.host("C:\\again.7z").read_bytes(), written)
        self.assertEqual((self.temp_dir() / "sample.lua").read_bytes(),
                         (Path(__file__).parents[1] / "unit" / "engine_good.lua").read_bytes())
        self.assertEqual(archive_files(self.host("C:\\app.7z")), archive_files(self.host("C:\\again.7z")))
        trace = self.trace()
        self.assertIn("kq Fun:Lua_ExtractResource ,LoadResource failed!", trace)
        self.assertIn("kq Fun:Lua_ExtractResource ,CreateFileW C:\\no\\such\\folder\\x.lua failed!", trace)

    def test_argument_count_and_missing_paths_report_failure(self):
        lines = self.run_lua(r'''
os.execute("mkdir C:\\out")
out("one", Lua_UnCompress7z("App.7z"))
out("six", Lua_UnCompress7z("App.7z", "C:\\out", false, nil, nil, 1))
out("nodest", Lua_UnCompress7z("App.7z", "C:\\nowhere"))
out("nofile", Lua_UnCompress7z("C:\\none.7z", "C:\\out", true))
''')
        self.assertEqual(lines, ["one false", "six false", "nodest false", "nofile false"])
        self.assertEqual(list(self.host("C:\\out").iterdir()), [])
        trace = self.trace()
        self.assertIn("Description:takes 2 to 5 arguments, got 1", trace)
        self.assertIn("Description:takes 2 to 5 arguments, got 6", trace)
        self.assertIn("kq Fun:Lua_UnCompress7z, Description:C:\\nowhere it's not exists!", trace)
        self.assertIn("kq Fun:Lua_UnCompress7z, Description:C:\\none.7z it's not exists!", trace)
        self.assertNotIn("UnCompress successful", trace)


class Targets(PayloadCase):
    def test_read_only_targets_are_replaced_and_take_the_archived_attributes(self):
        tree = {"plain.txt": b"new plain", "locked/ro.txt": (b"new read-only", 0o444)}
        seven_zip(self.host("C:\\arch\\ro.7z"), tree, "-m0=LZMA2")
        for name, old in (("plain.txt", b"old plain"), ("locked/ro.txt", b"old read-only")):
            target = self.host("C:\\out\\" + name.replace("/", "\\"))
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(old)
            target.chmod(0o444)   # Wine shows a file without write permission as read-only
        lines = self.run_lua('out(Lua_UnCompress7z("C:\\\\arch\\\\ro.7z", "C:\\\\out", true))')
        self.assertEqual(lines, ["true"])
        self.assertEqual(self.host("C:\\out\\plain.txt").read_bytes(), b"new plain")
        self.assertEqual(self.host("C:\\out\\locked\\ro.txt").read_bytes(), b"new read-only")
        # The archive's attributes: plain.txt is writable again, ro.txt read-only again.
        self.assertTrue(self.host("C:\\out\\plain.txt").stat().st_mode & 0o200)
        self.assertFalse(self.host("C:\\out\\locked\\ro.txt").stat().st_mode & 0o222)

    # (label, archive files, locked file, callback answer in Lua, expected result,
    #  expected callback lines, files that hold the archive's bytes afterwards)
    LOCK_CASES = [
        ("retry", "b", "release_and_retry", "true", ["file a", "failed b 32", "file b", "file c"], "abc"),
        ("skip_middle", "b", "1", "true", ["file a", "failed b 32", "file c"], "ac"),
        ("skip_last", "c", "1", "false", ["file a", "file b", "failed c 32"], "ab"),
        ("abort", "b", "2", "false", ["file a", "failed b 32"], "a"),
        ("no_answer", "b", "nil", "false", ["file a", "failed b 32"], "a"),
        ("no_callback", "b", None, "false", ["file a"], "a"),
    ]

    def test_locked_file_drives_onCreateFailed(self):
        tree = {f"{n}.txt": (n * 5000).encode() for n in "abc"}
        self.assertEqual(seven_zip(self.host("C:\\arch\\abc.7z"), tree, "-m0=LZMA2"), ["a.txt", "b.txt", "c.txt"])
        for label, locked, answer, result, calls, complete in self.LOCK_CASES:
            with self.subTest(label=label):
                dest = f"C:\\out\\{label}"
                self.host(dest).mkdir(parents=True)
                self.host(f"{dest}\\{locked}.txt").write_bytes(b"held")
                ready, release = f"C:\\ready-{label}", f"C:\\release-{label}"
                locker = self.start(FILELOCK, f"{dest}\\{locked}.txt", ready, release)
                self.assertTrue(self.wait_for_file(ready), "the locker did not start")
                if answer == "release_and_retry":
                    body = (f'local f = io.open("{lua_text(release)}", "w") f:close() '
                            'wait_until(function() local h = io.open(p, "a") if h then h:close() return true end end) '
                            'return 0')
                else:
                    body = f"return {answer}"
                handler = "nil" if answer is None else f"function(p, code) out('failed', short(p), code) {body} end"
                lines = self.run_lua(
                    'function short(p) return p:match("([^\\\\]+)%.txt$") end\n'
                    f'local ok = Lua_UnCompress7z("C:\\\\arch\\\\abc.7z", "{lua_text(dest)}", true, '
                    f'function(p) out("file", short(p)) end, {handler})\n'
                    'out(ok)')
                self.assertEqual(lines, calls + [result])
                self.host(release).write_text("go")
                locker.wait(timeout=30)
                for n in "abc":
                    holds_archive = self.host(f"{dest}\\{n}.txt").exists() and \
                        self.host(f"{dest}\\{n}.txt").read_bytes() == tree[f"{n}.txt"]
                    self.assertEqual(holds_archive, n in complete, n)

    def test_corrupt_data_inside_a_skipped_file_still_fails_the_run(self):
        words = random.Random(4)
        # b.txt spans several 1 MB output slices, so the damage is met after it was skipped.
        middle = " ".join("".join(words.choices("abcdefghij", k=words.randint(2, 9))) for _ in range(500_000))
        tree = {"a.txt": b"first " * 300, "b.txt": middle.encode(), "c.txt": b"last " * 300}
        archive = self.host("C:\\arch\\skip.7z")
        seven_zip(archive, tree, "-m0=LZMA2")
        data = bytearray(archive.read_bytes())
        data[32 + (int.from_bytes(data[12:20], "little") * 3 // 4)] ^= 0x55   # late in b's packed bytes
        archive.write_bytes(bytes(data))
        self.host("C:\\out").mkdir()
        self.host("C:\\out\\b.txt").write_bytes(b"held")
        locker = self.start(FILELOCK, "C:\\out\\b.txt", "C:\\ready", "C:\\release")
        self.assertTrue(self.wait_for_file("C:\\ready"), "the locker did not start")
        lines = self.run_lua('out(Lua_UnCompress7z("C:\\\\arch\\\\skip.7z", "C:\\\\out", true, '
                             'function(p) out("file", p) end, function(p, code) return 1 end))')
        self.host("C:\\release").write_text("go")
        locker.wait(timeout=30)
        self.assertEqual(lines, ["file C:\\out\\a.txt", "false"])
        self.assertFalse(self.host("C:\\out\\c.txt").exists())

    def wait_for_file(self, windows_path):
        return wait_for(lambda: self.host(windows_path).exists())


# The fixture the build packs into scriptrun.exe.
def _fixture_tree():
    root = Path(__file__).parents[1] / "fixtures" / "payload_small"
    tree = {}
    for path in sorted(root.rglob("*")):
        name = str(path.relative_to(root))
        tree[name + "/" if path.is_dir() else name] = None if path.is_dir() else path.read_bytes()
    return tree


SOURCE_FIXTURE = _fixture_tree()
