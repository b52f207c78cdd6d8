"""A real nadilka-server for the end-to-end tests: the run folder's copy, a temporary SQLite
database, 127.0.0.1 on a port of the test's choosing, so that it can be stopped and started
again on the same address (the game keeps its table's link)."""

import http.client
import json
import os
import socket
import subprocess
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class TableServer:
    def __init__(self, session):
        self.s = session
        self.port = free_port()
        self.database = os.path.join(session.tmp, "tables.sqlite")
        self.proc = None
        self.starts = 0

    def start(self):
        self.starts += 1
        log = open(os.path.join(self.s.tmp, f"server-{self.starts}.log"), "wb")
        self.proc = subprocess.Popen([self.s.path("nadilka-server"), "--listen", f"127.0.0.1:{self.port}",
                                      "--database", f"sqlite:{self.database}"],
                                     stdout=subprocess.PIPE, stderr=log, stdin=subprocess.DEVNULL, text=True)
        line = self.proc.stdout.readline()
        self.s.check(line.startswith(f"listening on http://127.0.0.1:{self.port}"),
                     f"the tables server did not start: {line!r}")
        self.s.log(f"tables server on port {self.port}")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def request(self, method, path, body=None):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            c.request(method, path, body=json.dumps(body).encode() if body is not None else None,
                      headers={"Content-Type": "application/json"})
            r = c.getresponse()
            raw = r.read()
            return r.status, json.loads(raw) if raw else None
        finally:
            c.close()

    def new_table(self, title):
        status, answer = self.request("POST", "/api/tables", {"title": title})
        self.s.check(status == 201, f"POST /api/tables answered {status} {answer}")
        self.table = answer["id"]
        return f"http://127.0.0.1:{self.port}/?table={self.table}"

    def rows(self):
        status, answer = self.request("GET", f"/api/tables/{self.table}")
        self.s.check(status == 200, f"GET /api/tables/{self.table} answered {status} {answer}")
        return answer["rows"]

    def wait_for_rows(self, count, timeout):
        found = []

        def enough():
            found[:] = self.rows()
            return len(found) >= count
        self.s.wait_until(enough, timeout, f"the shared table did not get {count} row(s): {found}", interval=0.5)
        return found


def with_server(play):
    """A test body that plays with a table server of its own, stopped whatever happens."""
    def body(session):
        server = TableServer(session)
        try:
            play(session, server)
        finally:
            server.stop()
    return body


def replayed_points(session, tape):
    """The points of the games a tape holds, as nadilka-replay --tape reports them."""
    r = subprocess.run([session.path("nadilka-replay"), "--tape", tape], capture_output=True, text=True,
                       timeout=300)
    session.check(r.returncode == 0, f"nadilka-replay --tape failed: {r.stderr}")
    line = [ln for ln in r.stderr.splitlines() if "ended on the tape" in ln]
    session.check(line, f"nadilka-replay said no games: {r.stderr}")
    _, _, points = line[0].partition("with points ")
    return [int(p) for p in points.split(", ")] if points else []
