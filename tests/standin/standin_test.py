#!/usr/bin/env python3
"""Checks of the resolver stand-in, over raw sockets so that what is sent and
what comes back are seen byte for byte."""

import base64
import json
import os
import socket
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class StandinTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.port = free_port()
        cls.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "standin.py"), "--port", str(cls.port),
             "--demo", os.path.join(HERE, "demo_shares.json")],
            stdout=subprocess.PIPE, text=True)
        line = cls.proc.stdout.readline()
        if line.strip() != "ready %d" % cls.port:
            cls.proc.kill()
            raise RuntimeError("stand-in did not start: %r" % line)

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        cls.proc.wait(10)

    def setUp(self):
        self.post("/__reset", b"")

    def exchange(self, raw, timeout=5):
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as s:
            s.sendall(raw)
            data = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    return data
                data += chunk

    def get(self, target, extra=b""):
        reply = self.exchange(b"GET " + target + b" HTTP/1.0\r\n" + extra + b"\r\n")
        head, _, body = reply.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        status = int(lines[0].split(" ")[1])
        headers = [tuple(x.split(": ", 1)) for x in lines[1:]]
        return status, headers, body

    def post(self, path, body):
        if not isinstance(body, bytes):
            body = json.dumps(body).encode("utf-8")
        reply = self.exchange(b"POST " + path.encode() + b" HTTP/1.0\r\nContent-Length: "
                              + str(len(body)).encode() + b"\r\n\r\n" + body)
        self.assertTrue(reply.startswith(b"HTTP/1.0 200 "), reply)

    def recorded(self):
        status, _, body = self.get(b"/__requests")
        self.assertEqual(status, 200)
        return json.loads(body.decode("utf-8"))

    def test_rows_page_and_exact_record(self):
        self.post("/__routes", {"share": "abc", "rows": [["文件.txt", "1.5 MB", "http://x/a?b=1"]]})
        status, headers, body = self.get(b"/?share=abc&pwd=x7k2",
                                         b"User-Agent: UA 1\r\nAccept: */*\r\nX-Dup: 1\r\nX-Dup: 2\r\n")
        self.assertEqual(status, 200)
        self.assertIn(("Content-Length", str(len(body))), headers)
        self.assertEqual(body.decode("utf-8"),
                         "<html><body><table>\n"
                         '<tr><td>文件.txt</td><td>1.5 MB</td><td><a target="_blank" '
                         'href="http://x/a?b=1">点我下载</a></td></tr>\n'
                         "</table></body></html>\n")
        self.assertEqual(self.recorded(), [{
            "request_line": "GET /?share=abc&pwd=x7k2 HTTP/1.0",
            "headers": [["User-Agent", "UA 1"], ["Accept", "*/*"], ["X-Dup", "1"], ["X-Dup", "2"]],
            "share": "abc", "pwd": "x7k2", "raw_query": "share=abc&pwd=x7k2"}])

    def test_query_values_are_percent_decoded_as_utf8_with_replacement(self):
        cases = [
            (b"/?share=a%0D%0Ab%20c&pwd=", "a\r\nb c", ""),
            (b"/?pwd=q%2Bq+&share=%E4%B8%AD", "中", "q+q+"),
            (b"/?share=%FF", "\ufffd", ""),
            (b"/", "", ""),
        ]
        for target, share, pwd in cases:
            with self.subTest(target=target):
                self.post("/__clear_requests", b"")
                status, _, _ = self.get(target)
                self.assertEqual(status, 404)
                [entry] = self.recorded()
                self.assertEqual((entry["share"], entry["pwd"]), (share, pwd))

    def test_unknown_share_gets_404_without_rows_unless_a_catch_all_route(self):
        status, _, body = self.get(b"/?share=nobody&pwd=")
        self.assertEqual(status, 404)
        self.assertNotIn(b"<td>", body)
        self.post("/__routes", {"share": "*", "body": "fallback"})
        self.assertEqual(self.get(b"/?share=nobody&pwd=")[2], b"fallback")

    def test_body_forms_status_headers_and_redirect(self):
        raw = bytes(range(256))
        self.post("/__routes", {"share": "raw", "body_b64": base64.b64encode(raw).decode(),
                                "status": 500, "headers": {"X-Extra": "yes"}})
        self.post("/__routes", {"share": "moved", "redirect": "/?share=raw&pwd="})
        status, headers, body = self.get(b"/?share=raw")
        self.assertEqual((status, body), (500, raw))
        self.assertIn(("X-Extra", "yes"), headers)
        status, headers, _ = self.get(b"/?share=moved")
        self.assertEqual(status, 302)
        self.assertIn(("Location", "/?share=raw&pwd="), headers)

    def test_cut_after_announces_the_full_length_and_sends_a_prefix(self):
        self.post("/__routes", {"share": "cut", "body": "0123456789", "cut_after": 4})
        status, headers, body = self.get(b"/?share=cut")
        self.assertEqual((status, body), (200, b"0123"))
        self.assertIn(("Content-Length", "10"), headers)

    def test_stall_after_sends_a_prefix_and_holds_the_connection(self):
        self.post("/__routes", {"share": "stall", "body": "0123456789", "stall_after": 3})
        with socket.create_connection(("127.0.0.1", self.port), timeout=1) as s:
            s.sendall(b"GET /?share=stall HTTP/1.0\r\n\r\n")
            data = b""
            with self.assertRaises(socket.timeout):
                while True:
                    chunk = s.recv(65536)
                    self.assertTrue(chunk, "the connection was closed")
                    data += chunk
        self.assertTrue(data.endswith(b"\r\n\r\n012"), data)
        self.assertIn(b"Content-Length: 10\r\n", data)

    def test_never_answer_sends_nothing_and_delay_waits(self):
        self.post("/__routes", {"share": "mute", "never_answer": True})
        with self.assertRaises(socket.timeout):
            self.exchange(b"GET /?share=mute HTTP/1.0\r\n\r\n", timeout=1)
        self.post("/__routes", {"share": "slow", "delay_ms": 300, "body": "late"})
        start = time.monotonic()
        self.assertEqual(self.get(b"/?share=slow")[2], b"late")
        self.assertGreaterEqual(time.monotonic() - start, 0.3)

    def test_control_requests_are_not_recorded_and_bad_routes_refused(self):
        self.get(b"/?share=one")
        self.get(b"/__requests")
        self.assertEqual([e["share"] for e in self.recorded()], ["one"])
        reply = self.exchange(b"POST /__routes HTTP/1.0\r\nContent-Length: 5\r\n\r\n{bad}")
        self.assertTrue(reply.startswith(b"HTTP/1.0 400 "), reply)
        self.post("/__clear_requests", b"")
        self.assertEqual(self.recorded(), [])

    def test_demo_file_loads(self):
        # setUp's reset removed the demo routes, so load the file again through the control API.
        with open(os.path.join(HERE, "demo_shares.json"), encoding="utf-8") as f:
            demo = json.load(f)
        for route in demo:
            self.post("/__routes", route)
        status, _, body = self.get(b"/?share=" + demo[0]["share"].encode() + b"&pwd=qrln")
        self.assertEqual(status, 200)
        self.assertIn("点我下载".encode("utf-8"), body)


if __name__ == "__main__":
    unittest.main()
