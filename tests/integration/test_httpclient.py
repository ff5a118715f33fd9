"""CHttpClient and Lua_HttpPost against loopback servers started by the test."""
import glob
import re
import sys

from winetest import BUILD, TOOLS, WineTestCase, read_text

sys.path.insert(0, str(BUILD.parent / "tests" / "tools"))
from statcollector import SilentServer, StatCollector  # noqa: E402

UNRESOLVABLE = "http://nohost.invalid/api/report"


class HttpClientTest(WineTestCase):

    def post(self, url, body="-", connect=5, timeout=10, debug=0, posts=1, folder="C:\\probe"):
        """Runs httpprobe with its install log in `folder`; returns
        ([{post, code, fallback, response}], install log text)."""
        out = folder + "\\out.txt"
        self.host(folder).mkdir(parents=True, exist_ok=True)
        code = self.run_program(TOOLS / "httpprobe.exe", out, folder + "\\Install.log", url, body,
                                connect, timeout, debug, posts)
        self.assertEqual(code, 0)
        results = []
        for line in read_text(self.host(out)).splitlines():
            match = re.match(r"post=(\d+) code=(\d+) fallback=(\d) response=(.*)", line)
            results.append(dict(zip(["post", "code", "fallback", "response"], match.groups())))
        logs = glob.glob(str(self.host(folder)) + "/Install_*.log")
        return results, "".join(read_text(path) for path in logs)

    def test_error_status_is_a_completed_transfer_with_its_body(self):
        with StatCollector(status=500, body=b'{"error":"boom"}') as server:
            results, _ = self.post(server.url("/api/x"), "[1,2]")
            requests = server.wait(1, channel="http")
        self.assertEqual(results, [{"post": "1", "code": "0", "fallback": "0", "response": '{"error":"boom"}'}])
        self.assertEqual(requests[0]["raw"], b"[1,2]")

    def test_empty_body_is_a_zero_length_post_with_the_three_headers(self):
        with StatCollector() as server:
            results, _ = self.post(server.url("/empty"))
            request = server.wait(1, channel="http")[0]
        self.assertEqual(results[0]["code"], "0")
        self.assertEqual(request["raw"], b"")
        headers = request["headers"]
        self.assertIn(("Content-Length", "0"), headers)
        named = [(k, v) for k, v in headers if k in ("Accept", "Content-Type", "charsets")]
        self.assertEqual(named, [("Accept", "application/json"), ("Content-Type", "application/json"),
                                 ("charsets", "utf-8")])

    def test_unresolvable_host_is_retried_once_per_client(self):
        results, log = self.post(UNRESOLVABLE, "x", debug=1, posts=2)
        self.assertEqual([(r["code"], r["fallback"]) for r in results], [("6", "1"), ("6", "1")])
        # Each attempt leaves one "Could not resolve host" record in the debug log.
        first, second = log.split("probe post 2")
        self.assertEqual(first.count("[TEXT] Could not resolve host: nohost.invalid"), 2, first)
        self.assertEqual(second.count("[TEXT] Could not resolve host: nohost.invalid"), 1, second)

    def test_silent_server_ends_in_a_timeout(self):
        with SilentServer() as silent:
            results, _ = self.post(f"http://127.0.0.1:{silent.port}/x", "x", connect=2, timeout=3)
            self.assertEqual(len(silent.connections), 1)
        self.assertEqual((results[0]["code"], results[0]["fallback"]), ("28", "0"))

    def test_debug_records_reach_the_install_log_only_when_asked(self):
        with StatCollector(body=b'{"ok":true}') as server:
            _, log = self.post(server.url("/debug"), "[1]", debug=1)
            _, quiet = self.post(server.url("/quiet"), "[2]", debug=0, folder="C:\\quiet")
        lines = [line for line in log.splitlines() if "OnDebug" in line]
        tag = re.compile(r"^\[[-0-9: .]+\] \[info\] \[\d+\] \[chttpclient\.cpp OnDebug: \d+\] "
                         r"\[(TEXT|HEADER_IN|HEADER_OUT|DATA_IN|DATA_OUT)\] ")
        kinds = {tag.match(line).group(1) for line in lines if tag.match(line)}
        self.assertEqual(kinds, {"TEXT", "HEADER_IN", "HEADER_OUT", "DATA_IN", "DATA_OUT"}, log)
        self.assertIn("[HEADER_OUT] POST /debug HTTP/1.1", log)
        self.assertIn("[DATA_OUT] [1]", log)
        self.assertIn('[DATA_IN] {"ok":true}', log)
        self.assertIn("probe post 1", quiet)
        self.assertNotIn("OnDebug", quiet)


class HttpPostScriptTest(WineTestCase):

    def test_lua_http_post(self):
        with StatCollector(status=500) as server, SilentServer() as silent:
            script = self.host("C:\\post.lua")
            script.write_text(
                'local r = {type(Lua_HttpPost)}\n'
                'r[#r + 1] = tostring(Lua_HttpPost("", "not sent"))\n'
                f'r[#r + 1] = tostring(Lua_HttpPost("{server.url("/lua")}", "{{\\"n\\":\\"\\228\\189\\160\\"}}"))\n'
                f'r[#r + 1] = tostring(Lua_HttpPost("{UNRESOLVABLE}", "x"))\n'
                f'r[#r + 1] = tostring(Lua_HttpPost("{server.url("/number")}", 42))\n'
                f'r[#r + 1] = tostring(Lua_HttpPost("http://127.0.0.1:{silent.port}/", "x"))\n'
                'local f = io.open("C:\\\\post-result.txt", "w")\n'
                'f:write(table.concat(r, " "))\n'
                'f:close()\n', encoding="utf-8")
            self.assertEqual(self.run_program(TOOLS / "luarun.exe", "C:\\post.lua"), 0)
            requests = server.wait(3, timeout=2, channel="http")
        # Empty URL: nothing sent. Status 500: the transfer completed. Unresolvable: false.
        # A server that never answers: false once the 15 s limit ends the transfer (28).
        # The body goes out byte for byte (UTF-8), a number in its text form.
        self.assertEqual(read_text(self.host("C:\\post-result.txt")), "function false true false true false")
        self.assertEqual([(r["path"], r["raw"]) for r in requests],
                         [("/lua", '{"n":"你"}'.encode()), ("/number", b"42")])
        trace = self.trace()
        self.assertEqual(re.findall(r"Post Url code: (\d+)", trace), ["0", "6", "0", "28"])


if __name__ == "__main__":
    import unittest
    unittest.main()
