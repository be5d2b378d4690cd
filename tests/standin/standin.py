#!/usr/bin/env python3
"""Local stand-in for the link-resolver web service.

    python3 tests/standin/standin.py --port PORT [--demo FILE.json] [--pidfile F]

Binds 127.0.0.1:PORT, prints "ready PORT" once listening and serves every
connection on its own thread until SIGTERM or SIGINT. Each connection carries
one request; the answer ends with the connection closed.

Resolver requests are the GETs whose path is not under /__ : the query's
"share" and "pwd" values (percent-decoded, UTF-8 with replacement) pick a
route by share (else the route "*", else a 404 page without file rows), and
every such request is recorded exactly as it arrived.

Control requests (never recorded):
    POST /__routes          body: one JSON route, added or replacing the one of its share
    POST /__reset           clears routes and records
    POST /__clear_requests  clears the records
    GET  /__requests        JSON array, oldest first, of
                            {"request_line", "headers": [[name, value], ...],
                             "share", "pwd", "raw_query"}

Route fields: "share", "status" (200), "rows" ([[name, size, link], ...]) or
"body" (text, sent as UTF-8) or "body_b64" (raw bytes), "delay_ms",
"cut_after" (send only this many body bytes under the full Content-Length,
then close), "stall_after" (the same, but keep the connection open, sending
nothing more, until the client goes away), "redirect" (302 to this Location), "never_answer" (read the
request, answer nothing until the client goes away), "headers" (extra
response headers, an object or a list of [name, value]).
"""

import argparse
import base64
import http
import json
import os
import signal
import socket
import socketserver
import sys
import threading
import time
import urllib.parse

MAX_HEAD_BYTES = 256 * 1024
MAX_CONTROL_BODY_BYTES = 64 * 1024 * 1024
DOWNLOAD_CAPTION = "点我下载"


def render_rows(rows):
    lines = ["<html><body><table>"]
    for row in rows:
        name, size, link = (list(row) + ["", "", ""])[:3]
        lines.append('<tr><td>%s</td><td>%s</td><td><a target="_blank" href="%s">%s</a></td></tr>'
                     % (name, size, link, DOWNLOAD_CAPTION))
    lines.append("</table></body></html>")
    return ("\n".join(lines) + "\n").encode("utf-8")


NOT_FOUND_PAGE = b"<html><body><p>share not found</p></body></html>\n"


def decode_query_value(raw):
    # Only %XX escapes are decoded; "+" stays a plus sign.
    return urllib.parse.unquote_to_bytes(raw).decode("utf-8", "replace")


def split_query(raw_query):
    values = {}
    for pair in raw_query.split("&"):
        if not pair:
            continue
        key, _, value = pair.partition("=")
        key = decode_query_value(key)
        if key not in values:
            values[key] = decode_query_value(value)
    return values


def reason_phrase(status):
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Status"


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.routes = {}
        self.requests = []

    def add_route(self, route):
        if not isinstance(route, dict) or "share" not in route:
            raise ValueError("a route is a JSON object with a \"share\"")
        with self.lock:
            self.routes[str(route["share"])] = route

    def route_for(self, share):
        with self.lock:
            return self.routes.get(share) or self.routes.get("*")

    def record(self, entry):
        with self.lock:
            self.requests.append(entry)

    def recorded(self):
        with self.lock:
            return list(self.requests)

    def reset(self):
        with self.lock:
            self.routes.clear()
            self.requests.clear()

    def clear_requests(self):
        with self.lock:
            self.requests.clear()


class Handler(socketserver.BaseRequestHandler):
    """Reads one request as raw bytes, so the request line and the headers are
    recorded exactly, in the order they came."""

    def handle(self):
        sock = self.request
        sock.settimeout(60)
        try:
            head, rest = self.read_head(sock)
        except (OSError, ValueError):
            return
        if head is None:
            return
        text = head.decode("latin-1")
        lines = text.split("\r\n")
        request_line = lines[0]
        headers = []
        for line in lines[1:]:
            if not line:
                continue
            if line[0] in " \t" and headers:  # folded continuation
                headers[-1][1] += " " + line.strip()
                continue
            name, _, value = line.partition(":")
            headers.append([name, value.strip()])
        parts = request_line.split(" ")
        method = parts[0] if parts else ""
        target = parts[1] if len(parts) > 1 else ""
        path, _, raw_query = target.partition("?")
        try:
            if path.startswith("/__"):
                self.control(sock, method, path, headers, rest)
            elif method == "GET":
                self.resolve(sock, request_line, headers, raw_query)
            else:
                self.send(sock, 405, b"method not allowed\n", [("Content-Type", "text/plain")])
        except OSError:
            pass

    @staticmethod
    def read_head(sock):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(65536)
            if not chunk:
                return None, b""
            data += chunk
            if len(data) > MAX_HEAD_BYTES:
                raise ValueError("request head too long")
        head, _, rest = data.partition(b"\r\n\r\n")
        return head, rest

    @staticmethod
    def read_body(sock, headers, rest):
        length = 0
        for name, value in headers:
            if name.lower() == "content-length":
                length = int(value)
        if length < 0 or length > MAX_CONTROL_BODY_BYTES:
            raise ValueError("bad Content-Length")
        body = rest
        while len(body) < length:
            chunk = sock.recv(65536)
            if not chunk:
                break
            body += chunk
        return body[:length]

    @staticmethod
    def send(sock, status, body, headers=(), cut_after=None):
        out = ["HTTP/1.0 %d %s" % (status, reason_phrase(status))]
        names = {name.lower() for name, _ in headers}
        out.extend("%s: %s" % (name, value) for name, value in headers)
        if "content-length" not in names:
            out.append("Content-Length: %d" % len(body))
        out.append("Connection: close")
        payload = ("\r\n".join(out) + "\r\n\r\n").encode("latin-1")
        if cut_after is not None:
            payload += body[:max(0, int(cut_after))]
        else:
            payload += body
        sock.sendall(payload)

    def control(self, sock, method, path, headers, rest):
        state = self.server.state
        if method == "GET" and path == "/__requests":
            body = json.dumps(state.recorded()).encode("utf-8")
            self.send(sock, 200, body, [("Content-Type", "application/json")])
            return
        if method == "POST" and path in ("/__routes", "/__reset", "/__clear_requests"):
            try:
                body = self.read_body(sock, headers, rest)
                if path == "/__routes":
                    state.add_route(json.loads(body.decode("utf-8")))
                elif path == "/__reset":
                    state.reset()
                else:
                    state.clear_requests()
            except ValueError as error:  # bad JSON, bad route, bad length
                self.send(sock, 400, (str(error) + "\n").encode("utf-8"),
                          [("Content-Type", "text/plain")])
                return
            self.send(sock, 200, b"ok\n", [("Content-Type", "text/plain")])
            return
        self.send(sock, 404, b"no such control request\n", [("Content-Type", "text/plain")])

    def resolve(self, sock, request_line, headers, raw_query):
        state = self.server.state
        query = split_query(raw_query)
        share = query.get("share", "")
        state.record({"request_line": request_line, "headers": headers,
                      "share": share, "pwd": query.get("pwd", ""), "raw_query": raw_query})
        route = state.route_for(share)
        if route is None:
            self.send(sock, 404, NOT_FOUND_PAGE, [("Content-Type", "text/html; charset=utf-8")])
            return
        if route.get("delay_ms"):
            time.sleep(float(route["delay_ms"]) / 1000.0)
        if route.get("never_answer"):
            self.wait_for_client_to_leave(sock)
            return
        extra = route.get("headers") or []
        if isinstance(extra, dict):
            extra = list(extra.items())
        extra = [(str(name), str(value)) for name, value in extra]
        if route.get("redirect"):
            self.send(sock, int(route.get("status", 302)), b"",
                      [("Location", route["redirect"])] + extra)
            return
        if "body_b64" in route:
            body = base64.b64decode(route["body_b64"])
        elif "body" in route:
            body = str(route["body"]).encode("utf-8")
        else:
            body = render_rows(route.get("rows") or [])
        names = {name.lower() for name, _ in extra}
        if "content-type" not in names:
            extra.insert(0, ("Content-Type", "text/html; charset=utf-8"))
        if route.get("stall_after") is not None:
            self.send(sock, int(route.get("status", 200)), body, extra, route["stall_after"])
            self.wait_for_client_to_leave(sock)
            return
        self.send(sock, int(route.get("status", 200)), body, extra, route.get("cut_after"))

    def wait_for_client_to_leave(self, sock):
        sock.settimeout(0.5)
        while not self.server.stopping.is_set():
            try:
                if not sock.recv(4096):
                    return
            except socket.timeout:
                continue
            except OSError:
                return


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True
    request_queue_size = 512

    def __init__(self, port, state):
        super().__init__(("127.0.0.1", port), Handler)
        self.state = state
        self.stopping = threading.Event()


def load_demo(path, state):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    routes = data.get("routes", []) if isinstance(data, dict) else data
    for route in routes:
        state.add_route(route)


def main(argv):
    parser = argparse.ArgumentParser(description="Local stand-in for the link-resolver service")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--demo", help="JSON file of routes to start with")
    parser.add_argument("--pidfile", help="file to write the process id to")
    args = parser.parse_args(argv)

    state = State()
    if args.demo:
        load_demo(args.demo, state)
    server = Server(args.port, state)
    if args.pidfile:
        with open(args.pidfile, "w") as f:
            f.write("%d\n" % os.getpid())

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    worker = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2})
    worker.start()
    print("ready %d" % args.port, flush=True)
    while not stop.wait(0.5):
        pass
    server.stopping.set()
    server.shutdown()
    worker.join()
    server.server_close()
    if args.pidfile:
        try:
            with open(args.pidfile) as f:
                if f.read().strip() == str(os.getpid()):
                    os.unlink(args.pidfile)
        except OSError:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
