"""File-system script functions through the real engine, on the prefix's files:
directories, copies, moves, renames, deletes, recursive deletes, names and
environment expansion."""
import os
import subprocess
import time
import unittest

from scriptrun import ScriptTestCase
from winetest import TOOLS, read_text, wait_for

NAME = "安装文件.txt"   # a Chinese file name


class CopyMoveRename(ScriptTestCase):
    def setUp(self):
        super().setUp()
        for path, text in [("C:\\src\\" + NAME, "one"), ("C:\\src\\tree\\a.txt", "a"),
                           ("C:\\src\\tree\\sub\\b.txt", "b"), ("C:\\src\\old.txt", "old"),
                           ("C:\\src\\new.txt", "new"), ("C:\\dst\\keep.txt", "keep")]:
            self.host(path).parent.mkdir(parents=True, exist_ok=True)
            self.host(path).write_text(text, encoding="utf-8")
        os.chmod(self.host("C:\\src\\tree\\sub\\b.txt"), 0o444)   # read-only in Wine

    def test_directories_copies_moves_and_renames(self):
        values = self.lua_ok(r'''
            put("mkdir_existing", Lua_CreateDirectory("C:\\src"))
            put("mkdir_nested", Lua_CreateDirectory("C:\\made\\one\\two"))
            put("copy_file", Lua_CopyFile("C:\\src\\''' + NAME + r'''", "C:\\dst\\copy.txt"))
            put("copy_tree", Lua_CopyFile("C:\\src\\tree", "C:\\dst\\tree"))
            put("copy_missing", Lua_CopyFile("C:\\src\\missing.txt", "C:\\dst\\keep.txt"))
            put("copy_wildcard", Lua_CopyFile("C:\\src\\*.txt", "C:\\dst"))
            put("move_file", Lua_MoveFile("C:\\dst\\copy.txt", "C:\\dst\\moved.txt"))
            put("move_missing", Lua_MoveFile("C:\\src\\missing.txt", "C:\\dst\\keep.txt"))
            put("rename_replace", Lua_RenameFile("C:\\src\\new.txt", "C:\\src\\old.txt"))
            put("rename_missing", Lua_RenameFile("C:\\src\\gone.txt", "C:\\src\\x.txt"))
        ''')
        self.assertEqual(values, {
            "mkdir_existing": "true", "mkdir_nested": "true", "copy_file": "true", "copy_tree": "true",
            "copy_missing": "false", "copy_wildcard": "false", "move_file": "true", "move_missing": "false",
            "rename_replace": "true", "rename_missing": "false"})
        self.assertTrue(self.host("C:\\made\\one\\two").is_dir())
        self.assertEqual(self.host("C:\\dst\\moved.txt").read_text(encoding="utf-8"), "one")
        self.assertFalse(self.host("C:\\dst\\copy.txt").exists())
        self.assertEqual(self.host("C:\\dst\\tree\\sub\\b.txt").read_text(), "b")
        self.assertEqual(self.host("C:\\dst\\keep.txt").read_text(), "keep")   # failed calls left it alone
        self.assertEqual(self.host("C:\\src\\old.txt").read_text(), "new")
        self.assertFalse(self.host("C:\\src\\new.txt").exists())

        trace = self.trace()
        self.assertNotIn("Create Directory C:\\src!", trace)
        for line in ["kq Create Directory C:\\made\\one\\two!\r\n",
                     f"kq Copy C:\\src\\{NAME} to C:\\dst\\copy.txt !",
                     "kq Move C:\\dst\\copy.txt to C:\\dst\\moved.txt !",
                     "kq Fun:Lua_CopyFile, Description:C:\\src\\missing.txt it's not exists!\r\n",
                     "kq Fun:Lua_CopyFile, Description:C:\\src\\*.txt it's not exists!\r\n",
                     "kq Fun:Lua_MoveFile, Description:C:\\src\\missing.txt it's not exists!\r\n",
                     "kq MoveFile C:\\src\\new.txt to C:\\src\\old.txt !",
                     "kq Fun:Lua_RenameFile, Description:C:\\src\\gone.txt it's not exists!\r\n"]:
            self.assertIn(line, trace)

    def test_shell_failure_reports_the_error_code(self):
        # A file cannot be copied onto a path below a file.
        values = self.lua_ok(r'put("copy", Lua_CopyFile("C:\\src\\old.txt", "C:\\src\\new.txt\\x\\y.txt"))')
        self.assertEqual(values["copy"], "false")
        self.assertIn("kq Copy C:\\src\\old.txt to C:\\src\\new.txt\\x\\y.txt failed!", self.trace())
        self.assertRegex(self.trace(), r"kq SHFileOperation error code : 0x[0-9a-f]+\r\n")

    def test_over_long_paths_are_refused_not_cut(self):
        # Expanded, this path needs more than 260 units; cut at 259 it would name C:\src\...
        long_var = "C:\\src\\" + "d" * 300
        values = self.lua_ok(r'''
            put("mkdir", Lua_CreateDirectory("%ZRL_LONG%"))
            put("copy", Lua_CopyFile("C:\\src\\old.txt", "%ZRL_LONG%"))
            put("delete", Lua_DeleteFile("%ZRL_LONG%"))
            put("recursive", Lua_DelFileRecursive("%ZRL_LONG%"))
            put("expand", Lua_ExpandEnv("%ZRL_LONG%"))
        ''', env={"ZRL_LONG": long_var})
        self.assertEqual(values, {"mkdir": "false", "copy": "false", "delete": "false",
                                  "recursive": "false", "expand": ""})
        self.assertIn("kq Fun:Lua_CreateDirectory, Description:path too long", self.trace())
        self.assertEqual(sorted(p.name for p in self.host("C:\\src").iterdir()),
                         sorted([NAME, "tree", "old.txt", "new.txt"]))


class Deletes(ScriptTestCase):
    def make_tree(self, root):
        for rel in ["a.txt", NAME, "sub\\b.txt", "sub\\deeper\\c.txt", "ro\\readonly.txt"]:
            path = self.host(root + "\\" + rel)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(rel)
        os.chmod(self.host(root + "\\ro\\readonly.txt"), 0o444)

    def test_deletes_of_files_trees_and_missing_paths(self):
        self.make_tree("C:\\t1")
        self.make_tree("C:\\t2")
        self.make_tree("C:\\t3")
        self.host("C:\\single.txt").write_text("x")
        values = self.lua_ok(r'''
            put("delete_missing", Lua_DeleteFile("C:\\nothing\\here.txt"))
            put("deleteex_missing", Lua_DeleteFileEx("C:\\nothing"))
            put("delete_tree", Lua_DeleteFile("C:\\t1"))
            put("deleteex_file", Lua_DeleteFileEx("C:\\single.txt"))
            put("recursive_tree", Lua_DelFileRecursive("C:\\t2", "ignored"))
            put("recursive_missing", Lua_DelFileRecursive("C:\\t2"))
            put("recursive_ex_tree", Lua_DelFileRecursiveEx("C:\\t3", function(p, e) put("cb", p, e) end))
        ''')
        self.assertEqual(values, {"delete_missing": "true", "deleteex_missing": "true", "delete_tree": "true",
                                  "deleteex_file": "true", "recursive_tree": "", "recursive_missing": "true",
                                  "recursive_ex_tree": ""})
        for gone in ["C:\\t1", "C:\\t2", "C:\\t3", "C:\\single.txt"]:
            self.assertFalse(self.host(gone).exists(), gone)
        trace = self.trace()
        self.assertIn("kq Lua_DelFileRecursivekq PathIsDirectoryWkq ZRLScriptEngine::DeleteDirectories C:\\t2",
                      trace.replace("\n", ""))
        self.assertIn("kq ZRLScriptEngine::DeleteDirectoriesEx C:\\t3\\ro", trace)

    def test_locked_file_goes_to_the_callback_and_the_rest_is_deleted(self):
        self.make_tree("C:\\t")
        self.host("C:\\t\\sub\\locked.dat").write_text("held")
        self.host("C:\\lone.dat").write_text("held")
        holders = [self.start(TOOLS / "holdfile.exe", path, state, "C:\\release.txt")
                   for path, state in [("C:\\t\\sub\\locked.dat", "C:\\held1.txt"),
                                       ("C:\\lone.dat", "C:\\held2.txt")]]
        for state in ["C:\\held1.txt", "C:\\held2.txt"]:
            self.assertTrue(wait_for(lambda: "held" in read_text(self.host(state))), "holder did not start")
        values = self.lua_ok(r'''
            put("tree", Lua_DelFileRecursiveEx("C:\\t", function(path, code) put("cb_tree", path, code) end))
            put("file", Lua_DelFileRecursiveEx("C:\\lone.dat", function(path, code) put("cb_file", path, code) end))
            put("no_callback", Lua_DelFileRecursiveEx("C:\\lone.dat"))
            put("deleteex_locked", Lua_DeleteFileEx("C:\\lone.dat"))   -- no box, no trace: just false
        ''')
        self.host("C:\\release.txt").write_text("go")
        for holder in holders:
            holder.wait(timeout=30)
        self.assertEqual(values["cb_tree"], "C:\\t\\sub\\locked.dat,32")
        self.assertEqual(values["cb_file"], "C:\\lone.dat,32")
        self.assertEqual((values["tree"], values["file"], values["no_callback"], values["deleteex_locked"]),
                         ("", "", "", "false"))
        # Only the locked file and the folders holding it are left.
        left = sorted(str(p.relative_to(self.host("C:\\t"))) for p in self.host("C:\\t").rglob("*"))
        self.assertEqual(left, ["sub", "sub/locked.dat"])
        self.assertIn("kq Path is file!", self.trace())

    def test_links_inside_the_tree_are_not_followed(self):
        # Outside data reached through a directory link (Wine shows a host symlink
        # as a directory reparse point, as Windows shows a junction).
        self.make_tree("C:\\product")
        outside = self.host("C:\\userdata")
        (outside / "docs").mkdir(parents=True)
        (outside / "docs" / "thesis.txt").write_text("precious")
        (outside / "photo.jpg").write_text("precious")
        os.symlink(outside, self.host("C:\\product\\sub\\linked"))
        os.symlink(outside, self.host("C:\\toplink"))
        values = self.lua_ok(r'''
            put("tree", Lua_DelFileRecursive("C:\\product"))
            put("tree_ex", Lua_DelFileRecursiveEx("C:\\toplink", function(p, e) put("cb", p, e) end))
        ''')
        self.assertEqual(values, {"tree": "", "tree_ex": ""})
        self.assertEqual((outside / "docs" / "thesis.txt").read_text(), "precious")
        self.assertEqual((outside / "photo.jpg").read_text(), "precious")
        # Every real file of the product is gone; the walk never listed the link's target.
        self.assertEqual([p for p in self.host("C:\\product").rglob("*") if p.is_file() and not p.is_symlink()
                          and outside not in p.resolve().parents], [])
        trace = self.trace()
        self.assertIn("kq C:\\product\\sub\\linked is a junction or link, removed without following", trace)
        self.assertIn("kq C:\\toplink is a junction or link, removed without following", trace)
        self.assertNotIn("DeleteDirectories C:\\product\\sub\\linked\\", trace)
        self.assertNotIn("DeleteDirectories C:\\product\\sub\\linked\r", trace)

    def test_deleting_the_current_directory_moves_out_to_its_parent(self):
        self.make_tree("C:\\work\\cwd")
        values = self.run_lua_in("C:\\work\\cwd", r'''
            put("deleted", Lua_DelFileRecursive("C:\\work\\cwd"))
            local probe = io.open("probe.txt", "wb") probe:write("here") probe:close()
        ''')
        self.assertEqual(values["deleted"], "")
        self.assertFalse(self.host("C:\\work\\cwd").exists())
        self.assertEqual(self.host("C:\\work\\probe.txt").read_text(), "here")


class DeleteFileBox(ScriptTestCase):
    """Lua_DeleteFile asks the user when a file is held open by another process."""

    def hold(self, path):
        self.host(path).parent.mkdir(parents=True, exist_ok=True)
        self.host(path).write_text("held")
        holder = self.start(TOOLS / "holdfile.exe", path, "C:\\held.txt", "C:\\release.txt")
        self.assertTrue(wait_for(lambda: "held" in read_text(self.host("C:\\held.txt"))), "holder did not start")
        return holder

    def answer(self, button, out):
        reader = self.start(TOOLS / "boxreader.exe", out, 60000, button)
        reader.wait(timeout=90)
        self.assertEqual(reader.returncode, 0, "no message box appeared")
        return read_text(self.host(out))

    def delete_script(self):
        return self.start_lua(r'''
            put("result", Lua_DeleteFile("C:\\box\\held.txt"))
            put("after", "reached")
        ''')

    def test_ignore_gives_true_and_traces_the_failure(self):
        self.hold("C:\\box\\held.txt")
        script = self.delete_script()
        box = self.answer(5, "C:\\box1.txt")   # IDIGNORE
        self.assertEqual(self.exit_code(script), 0)
        self.assertEqual(box, "caption=提示\n无法删除\"C:\\box\\held.txt\"，可能是被占用，"
                              "请关闭占用程序后点击重试或者点击忽略在卸载完成之后手动删除！")
        self.assertEqual(self.results(script), {"result": "true", "after": "reached"})
        self.assertIn("kq Delete C:\\box\\held.txt failed!\r\n", self.trace())
        self.assertRegex(self.trace(), r"kq SHFileOperation error code : 0x[0-9a-f]+\r\n")
        self.assertTrue(self.host("C:\\box\\held.txt").exists())

    def test_retry_asks_again_while_held_and_succeeds_once_released(self):
        holder = self.hold("C:\\box\\held.txt")
        script = self.delete_script()
        self.answer(4, "C:\\box1.txt")   # IDRETRY while the file is still held
        time.sleep(1)                     # let the first box go away
        self.assertTrue(wait_for(self.box_visible, timeout=30), "Retry on a held file did not ask again")
        self.host("C:\\release.txt").write_text("go")
        holder.wait(timeout=30)
        self.answer(4, "C:\\box2.txt")   # IDRETRY once the file is free
        self.assertEqual(self.exit_code(script), 0)
        self.assertEqual(self.results(script), {"result": "true", "after": "reached"})
        self.assertFalse(self.host("C:\\box\\held.txt").exists())

    def box_visible(self):
        # Button id 0 is no button of the box: the probe only looks.
        probe = subprocess.run(["wine", str(TOOLS / "boxreader.exe"), "C:\\probe.txt", "100", "0"],
                               env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return probe.returncode == 0

    def test_abort_ends_the_process(self):
        self.hold("C:\\box\\held.txt")
        script = self.delete_script()
        self.answer(3, "C:\\box1.txt")   # IDABORT
        self.assertEqual(self.exit_code(script), 1602)
        self.assertEqual(self.results(script), {})
        self.assertTrue(self.host("C:\\box\\held.txt").exists())


class NamesAndEnvironment(ScriptTestCase):
    def test_temp_names_expansion_folders_and_unique_names(self):
        self.host("C:\\names\\taken.txt").parent.mkdir(parents=True)
        self.host("C:\\names\\taken.txt").write_text("x")
        values = self.lua_ok(r'''
            put("tempfile", Lua_GetTempFileName("C:\\names", "zrlabc"))
            put("tempfile_missing", Lua_GetTempFileName("C:\\no\\such\\dir", "zrl"))
            put("temppath", Lua_GetTempPath())
            put("expand_tmp", Lua_ExpandEnv("%TMP%"))
            put("expand_plain", Lua_ExpandEnv("plain text"))
            put("expand_empty", Lua_ExpandEnv(""))
            put("expand_last", Lua_ExpandEnv("ignored", "%WINDIR%"))
            put("csidl", Lua_RegVarByCSIDL("DESKTOP", 16))
            put("desktop", Lua_ExpandEnv("%DESKTOP%\\app.lnk"))
            put("csidl_bad", Lua_RegVarByCSIDL("NOWHERE", 9999))
            put("exists_unexpanded", Lua_PathFileExists("%TMP%"))
            put("exists_expanded", Lua_PathFileExists(Lua_ExpandEnv("%TMP%")))
            put("unique_free", Lua_PathYetAnotherMakeUniqueName("C:\\names\\free.txt"))
            put("unique_taken", Lua_PathYetAnotherMakeUniqueName("C:\\names\\taken.txt"))
        ''')
        user = os.environ.get("USER", "root")
        tempfile = values["tempfile"]
        self.assertRegex(tempfile, r"^C:\\names\\zrl[0-9A-Fa-f]{1,4}\.tmp$")
        self.assertEqual(self.host(tempfile).read_bytes(), b"")
        self.assertEqual(values["tempfile_missing"], "nil")
        self.assertEqual(values["temppath"], f"C:\\users\\{user}\\AppData\\Local")
        self.assertEqual(values["expand_tmp"], f"C:\\users\\{user}\\Temp")
        self.assertEqual((values["expand_plain"], values["expand_empty"], values["expand_last"]),
                         ("plain text", "", "C:\\windows"))
        self.assertEqual((values["csidl"], values["desktop"]), ("true", f"C:\\users\\{user}\\Desktop\\app.lnk"))
        self.assertEqual(values["csidl_bad"], "false")
        self.assertIn("kq SHGetSpecialFolderPathW csidl=9999 failed!\r\n", self.trace())
        self.assertEqual((values["exists_unexpanded"], values["exists_expanded"]), ("false", "true"))
        self.assertEqual(values["unique_free"], "C:\\names\\free.txt")
        unique = values["unique_taken"]
        self.assertTrue(unique.startswith("C:\\names\\taken") and unique.endswith(".txt"), unique)
        self.assertNotEqual(unique, "C:\\names\\taken.txt")
        self.assertFalse(self.host(unique).exists())

    def test_delete_after_reboot_is_registered_and_done_at_restart(self):
        self.keep_wineserver()
        for name in ["later.txt", "later-dir\\inner.txt"]:
            self.host("C:\\reboot\\" + name).parent.mkdir(parents=True, exist_ok=True)
            self.host("C:\\reboot\\" + name).write_text("x")
        values = self.lua_ok(r'''
            put("file", Lua_DeleteFileAfterReboot("C:\\reboot\\later.txt"))
            put("missing", Lua_DeleteFileAfterReboot("C:\\reboot\\missing.txt"))
        ''')
        self.assertEqual(values, {"file": "true", "missing": "true"})
        query = subprocess.run(["wine", "reg", "query", "HKLM\\System\\CurrentControlSet\\Control\\Session Manager",
                                "/v", "PendingFileRenameOperations"], env=self.env, capture_output=True, text=True)
        self.assertIn("\\??\\C:\\reboot\\later.txt", query.stdout)
        self.assertNotIn("missing.txt", query.stdout)
        self.assertTrue(self.host("C:\\reboot\\later.txt").exists())
        # A restart of the Wine session carries the deletion out.
        subprocess.run(["wineserver", "-k"], env=self.env)
        subprocess.run(["wineserver", "-w"], env=self.env)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, capture_output=True)
        self.assertFalse(self.host("C:\\reboot\\later.txt").exists())
        self.assertTrue(self.host("C:\\reboot\\later-dir\\inner.txt").exists())


if __name__ == "__main__":
    unittest.main()
