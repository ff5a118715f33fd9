#!/usr/bin/env python3
"""Loopback statistics collector for tests and demos.

Listens on 127.0.0.1 only: a UDP socket for pqstat.dll's datagram reports and
an HTTP server for POST requests (pqstat.dll's stat_http_post, CHttpClient).
Every report is recorded in arrival order. The HTTP answer (status and body)
can be set per collector; SilentServer accepts connections and never answers.

Demo: python3 statcollector.py [--udp-port N] [--http-port N]
prints each report as one JSON line until interrupted.
"""
import argparse
import http.server
import json
import socket
import threading
import time

LOOPBACK = "127.0.0.1"


class StatCollector:
    """UDP + HTTP collector; use as a context manager."""

    def __init__(self, udp_port=0, http_port=0, status=200, body=b"{}", on_record=None):
        self.status = status
        self.body = body
        self.records = []
        self.on_record = on_record
        self._lock = threading.Condition()
        self._udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self._udp.bind((LOOPBACK, udp_port))
        self._udp.settimeout(0.2)
        self.udp_port = self._udp.getsockname()[1]
        self._http = http.server.ThreadingHTTPServer((LOOPBACK, http_port), self._handler_class())
        self._http.daemon_threads = True
        self.http_port = self._http.server_address[1]
        self._running = True
        self._threads = [threading.Thread(target=self._serve_udp, daemon=True),
                         threading.Thread(target=self._http.serve_forever, daemon=True)]

    def url(self, path="/"):
        return f"http://{LOOPBACK}:{self.http_port}{path}"

    def __enter__(self):
        for thread in self._threads:
            thread.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if not self._running:
            return
        self._running = False
        self._http.shutdown()
        self._http.server_close()
        for thread in self._threads:
            thread.join(timeout=5)
        self._udp.close()

    def _record(self, record):
        with self._lock:
            self.records.append(record)
            self._lock.notify_all()
        if self.on_record:
            self.on_record(record)

    def wait(self, count, timeout=20.0, channel=None):
        """Waits until `count` records (of `channel`, when given) arrived; returns them."""
        deadline = time.monotonic() + timeout
        with self._lock:
            while True:
                found = [r for r in self.records if channel in (None, r["channel"])]
                left = deadline - time.monotonic()
                if len(found) >= count or left <= 0:
                    return found
                self._lock.wait(left)

    def udp_reports(self):
        with self._lock:
            return [r["json"] for r in self.records if r["channel"] == "udp"]

    def _serve_udp(self):
        while self._running:
            try:
                data, _ = self._udp.recvfrom(65536)
            except (socket.timeout, OSError):
                continue
            self._record({"channel": "udp", "raw": data, "json": _parse(data)})

    def _handler_class(self):
        collector = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0") or 0)
                body = self.rfile.read(length) if length else b""
                collector._record({
                    "channel": "http", "path": self.path,
                    "headers": list(self.headers.items()),
                    "raw": body, "json": _parse(body)})
                self.send_response(collector.status)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(collector.body)))
                self.end_headers()
                self.wfile.write(collector.body)

            def log_message(self, *args):
                pass

        return Handler


class SilentServer:
    """Accepts TCP connections on 127.0.0.1 and never answers."""

    def __init__(self, port=0):
        self._sock = socket.socket()
        self._sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)   # a fixed port reused across tests
        self._sock.bind((LOOPBACK, port))
        self._sock.listen(8)
        self._sock.settimeout(0.2)
        self.port = self._sock.getsockname()[1]
        self.connections = []
        self._running = True
        self._thread = threading.Thread(target=self._accept, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._running = False
        self._thread.join(timeout=5)
        for conn in self.connections:
            conn.close()
        self._sock.close()

    def _accept(self):
        while self._running:
            try:
                conn, _ = self._sock.accept()
            except (socket.timeout, OSError):
                continue
            self.connections.append(conn)


def _parse(data):
    try:
        return json.loads(data.decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--udp-port", type=int, default=8700)
    parser.add_argument("--http-port", type=int, default=8080)
    args = parser.parse_args()

    def show(record):
        shown = {k: v for k, v in record.items() if k != "raw"}
        if shown.get("json") is None:
            shown["text"] = record["raw"].decode("utf-8", "replace")
        print(json.dumps(shown, ensure_ascii=False), flush=True)

    with StatCollector(args.udp_port, args.http_port, on_record=show) as collector:
        print(f"udp 127.0.0.1:{collector.udp_port}, http {collector.url()}", flush=True)
        try:
            while True:
                time.sleep(1)
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
