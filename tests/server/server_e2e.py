#!/usr/bin/env python3
"""The tables server end to end: the real nadilka-server on a free port of 127.0.0.1, against a
temporary SQLite file or a PostgreSQL cluster this test starts itself (as the postgres user, in a
temporary folder removed at the end). The tapes are made by nadilka-replay from the committed
sessions and variants of them.

    server_e2e.py SERVER REPLAY SESSIONS_DIR sqlite|postgresql
"""
import base64
import glob
import http.client
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

SERVER, REPLAY, SESSIONS, DATABASE = sys.argv[1:5]
TIMEOUT = 60  # seconds for any one request
failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAIL:", what, flush=True)


class Server:
    """One nadilka-server process; its port is the one it prints."""

    def __init__(self, database, *options):
        # The rate limit has a test of its own; elsewhere it would only get in the way.
        if "--rate" not in options:
            options = ("--rate", "1000000", "--burst", "1000000", *options)
        self.database, self.options = database, options
        self.start()

    def start(self):
        self.proc = subprocess.Popen([SERVER, "--listen", "127.0.0.1:0", "--database", self.database,
                                      *self.options], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        if not line.startswith("listening on http://127.0.0.1:"):
            self.proc.kill()
            raise SystemExit(f"the server did not start: {line!r} {self.proc.stderr.read()}")
        self.port = int(line.rsplit(":", 1)[1].strip("/\n"))

    def request(self, method, path, body=None, headers=None):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=TIMEOUT)
        try:
            data = body if isinstance(body, (bytes, type(None))) else json.dumps(body).encode()
            c.request(method, path, body=data, headers=headers or {})
            r = c.getresponse()
            raw = r.read()
            answer = json.loads(raw) if raw else None
            return r.status, answer, dict(r.getheaders())
        finally:
            c.close()

    def kill(self):
        self.proc.kill()
        self.proc.wait()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.kill()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Postgres:
    """A cluster of our own: initdb, start, one database; stopped and removed by close()."""

    def __init__(self):
        self.bin = sorted(glob.glob("/usr/lib/postgresql/*/bin"))[-1]
        self.dir = tempfile.mkdtemp(prefix="nadilka-pg.")
        os.chmod(self.dir, 0o755)
        shutil.chown(self.dir, "postgres")
        self.port = free_port()
        self.started = False
        self.pg("initdb", "-A", "trust", "-U", "postgres", "-D", f"{self.dir}/data")
        self.pg("pg_ctl", "-D", f"{self.dir}/data", "-o",
                f"-p {self.port} -k {self.dir} -c listen_addresses=127.0.0.1", "-l", f"{self.dir}/log", "start", "-w")
        self.started = True
        self.pg("psql", "-h", "127.0.0.1", "-p", str(self.port), "-U", "postgres", "-q", "-c",
                "create database nadilka")
        self.url = f"postgresql://postgres@127.0.0.1:{self.port}/nadilka"

    def pg(self, tool, *args):
        subprocess.run(["runuser", "-u", "postgres", "--", f"{self.bin}/{tool}", *args], check=True,
                       stdout=subprocess.DEVNULL, cwd=self.dir)

    def close(self):
        try:
            if self.started:
                self.pg("pg_ctl", "-D", f"{self.dir}/data", "stop", "-m", "immediate")
        finally:
            shutil.rmtree(self.dir, ignore_errors=True)


def make_tape(work, name, session_text):
    """The tape of a session and the points of its last frame."""
    session = os.path.join(work, name + ".session")
    tape = os.path.join(work, name + ".tape")
    with open(session, "w") as f:
        f.write(session_text)
    out = subprocess.run([REPLAY, session, "--tape-out", tape], check=True, capture_output=True, text=True).stdout
    points = [json.loads(line)["points"] for line in out.splitlines() if line.startswith('{"frame"')]
    with open(tape, "rb") as f:
        return f.read(), points[-1]


def committed(name):
    with open(os.path.join(SESSIONS, name + ".session")) as f:
        return f.read()


def b64(data):
    return base64.b64encode(data).decode()


def new_table(server, title="Liga"):
    status, answer, _ = server.request("POST", "/api/tables", {"title": title})
    assert status == 201, (status, answer)
    return answer["id"], answer["key"]


def rows(server, table):
    status, answer, _ = server.request("GET", f"/api/tables/{table}")
    assert status == 200, (status, answer)
    return answer["rows"]


def submit(server, table, name, points, tape):
    return server.request("POST", f"/api/tables/{table}/scores", {"name": name, "points": points, "tape": b64(tape)})


def test_tables_and_refusals(server, tapes):
    """Every refusal of a write leaves the table as it was."""
    status, answer, _ = server.request("POST", "/api/tables", {"title": "  Vánoční liga  "})
    check(status == 201 and len(answer["id"]) >= 11 and len(answer["key"]) >= 22, f"new table: {status} {answer}")
    table, key = answer["id"], answer["key"]
    status, answer, headers = server.request("GET", f"/api/tables/{table}")
    check(status == 200 and answer == {"id": table, "title": "Vánoční liga", "rows": []}, f"read: {answer}")
    check(headers.get("Content-Type", "").startswith("application/json"), "JSON content type")

    for body, what in [(b"{", "broken JSON"), (b"[]", "an array"), ({"title": ""}, "empty title"),
                       ({"title": "x" * 61}, "61 characters"), ({"title": 5}, "a number"), ({}, "no title"),
                       ({"title": "a\u0007b"}, "a control character")]:
        status, answer, _ = server.request("POST", "/api/tables", body)
        check(status == 400 and "error" in answer, f"title {what}: {status} {answer}")

    good = tapes["gifts"]
    bad_bodies = [
        (b"{not json", "broken JSON"),
        ({"name": "Jan", "points": 1.5, "tape": b64(good[0])}, "points 1.5"),
        ({"name": "Jan", "points": "12", "tape": b64(good[0])}, "points as text"),
        (b'{"name": "Jan", "points": 1e3, "tape": "QUJD"}', "points 1e3"),
        (b'{"name": "Jan", "points": 99999999999999999999, "tape": "QUJD"}', "points past int64"),
        ({"name": "Jan", "points": good[1], "tape": b64(good[0])[:-1]}, "base64 cut"),
        ({"name": "Jan", "points": good[1], "tape": " " + b64(good[0])}, "base64 with a blank"),
        ({"name": "", "points": good[1], "tape": b64(good[0])}, "empty name"),
        ({"name": "a" * 21, "points": good[1], "tape": b64(good[0])}, "21 characters"),
        ({"name": "Jan\u0085", "points": good[1], "tape": b64(good[0])}, "a C1 control"),
        ({"points": good[1], "tape": b64(good[0])}, "no name"),
    ]
    for body, what in bad_bodies:
        status, answer, _ = server.request("POST", f"/api/tables/{table}/scores", body)
        check(status == 400 and "error" in answer, f"score {what}: {status} {answer}")

    status, answer, _ = submit(server, "NoSuchTable0", "Jan", good[1], good[0])
    check(status == 404 and "error" in answer, f"unknown table: {status}")
    status, answer, _ = server.request("GET", "/api/tables/NoSuchTable0")
    check(status == 404 and "error" in answer, "read of an unknown table")
    status, answer, _ = server.request("GET", "/api/tables/a.b")
    check(status == 404, "read of an id that is none")
    status, answer, _ = server.request("POST", f"/api/tables/{table}/scores", b"x" * (1024 * 1024 + 10))
    check(status == 413 and "error" in answer, f"body over 1 MB: {status}")
    status, answer, _ = server.request("GET", "/api/nothing")
    check(status == 404 and "error" in answer, "unknown API path")
    for method, path in [("PUT", f"/api/tables/{table}"), ("DELETE", f"/api/tables/{table}"),
                         ("GET", "/api/tables"), ("GET", f"/api/tables/{table}/scores")]:
        status, answer, headers = server.request(method, path, b"{}")
        check(status == 405 and "error" in answer and "Allow" in headers, f"{method} {path}: {status}")
    check(rows(server, table) == [], "nothing stored after the refusals")
    return table, key


def test_forgeries(server, tapes):
    table, _ = new_table(server)
    tape, points = tapes["gifts"]
    forgeries = [
        (tape, points + 50, "points off by 50"),
        (tape, points - 50, "points off by -50"),
        (tapes["unended"][0], tapes["unended"][1], "a tape whose last game did not end"),
        (tape[: len(tape) // 2], points, "a tape cut in half"),
        (tape[:-1], points, "a tape one byte short"),
        (b"\0" * len(tape), points, "zeros"),
        (b"junk", points, "not a tape"),
    ]
    # Edits inside the tape: each byte flipped at a few places through it.
    for at in (len(tape) // 3, len(tape) // 2, 2 * len(tape) // 3, len(tape) - 2):
        edited = bytearray(tape)
        edited[at] ^= 0x5A
        forgeries.append((bytes(edited), points, f"a byte at {at} of {len(tape)} edited"))
    for forged, claim, what in forgeries:
        status, answer, _ = submit(server, table, "Podvodník", claim, forged)
        check(status == 422 and answer.get("error"), f"forgery, {what}: {status} {answer}")
    check(rows(server, table) == [], "no forged row stored")


def test_ranks_and_removal(server, tapes):
    table, key = new_table(server, "Pořadí")
    entries = [("gifts", "Jan"), ("quiet", "Eva"), ("quiet2", "Petr"), ("fewer", "Žofie")]
    answers = {}
    for tape_name, name in entries:
        tape, points = tapes[tape_name]
        status, answer, _ = submit(server, table, name, points, tape)
        check(status == 201 and answer["points"] == points, f"{name}'s score: {status} {answer}")
        answers[name] = answer
    expected = sorted(entries, key=lambda e: -tapes[e[0]][1])  # stable: equal points in entry order
    got = rows(server, table)
    check([r["name"] for r in got] == [n for _, n in expected], f"order: {[r['name'] for r in got]}")
    for r in got:
        check(r["row"] == answers[r["name"]]["row"] and r["at"].endswith("Z") and len(r["at"]) == 20,
              f"row {r}")
    # Equal points: the later ranks after the earlier.
    check(answers["Petr"]["rank"] == answers["Eva"]["rank"] + 1, f"ranks {answers}")
    check(answers["Jan"]["rank"] == 1, "the first ranks 1")
    check(answers["Žofie"]["rank"] == 1, "a new best ranks 1")
    check(len({tapes[t][1] for t, _ in entries}) == 3, "three scores among the four")

    # The same game again, also with junk after its end, is the same game.
    tape, points = tapes["gifts"]
    for again, what in [(tape, "again"), (tape + b"\x01\x02junk", "with junk appended")]:
        status, answer, _ = submit(server, table, "Jan", points, again)
        check(status == 409 and answer.get("error"), f"the same game {what}: {status} {answer}")
    # In another table it is a new entry.
    other, _ = new_table(server)
    check(submit(server, other, "Jan", points, tape)[0] == 201, "the same game in another table")

    row = answers["Eva"]["row"]
    path = f"/api/tables/{table}/scores/{row}"
    status, answer, headers = server.request("DELETE", path)
    check(status == 401 and "WWW-Authenticate" in headers, f"removal without a key: {status}")
    status, _, _ = server.request("DELETE", path, headers={"Authorization": "Bearer " + key[:-1] + "x"})
    check(status == 401, f"removal with a wrong key: {status}")
    status, _, _ = server.request("DELETE", f"/api/tables/{other}/scores/{row}", headers={"Authorization": "Bearer " + key})
    check(status == 401, "another table's key")
    check(len(rows(server, table)) == 4, "nothing removed without the key")
    status, answer, _ = server.request("DELETE", path, headers={"Authorization": "Bearer " + key})
    check(status == 204 and answer is None, f"removal: {status}")
    check([r["name"] for r in rows(server, table)] == [n for _, n in expected if n != "Eva"], "row removed")
    status, _, _ = server.request("DELETE", path, headers={"Authorization": "Bearer " + key})
    check(status == 404, "the row removed twice")
    status, _, _ = server.request("DELETE", f"/api/tables/NoSuchTable0/scores/{row}", headers={"Authorization": "Bearer " + key})
    check(status == 404, "removal in an unknown table")
    # A removed game stays known: it cannot be entered again.
    status, _, _ = submit(server, table, "Eva", tapes["quiet"][1], tapes["quiet"][0])
    check(status == 409, f"a removed game again: {status}")


def test_rate_limit(database, tapes):
    server = Server(database, "--rate", "6", "--burst", "3")
    try:
        statuses = [server.request("POST", "/api/tables", {"title": f"t{i}"}) for i in range(5)]
        check([s for s, _, _ in statuses[:3]] == [201] * 3, "the burst is allowed")
        status, answer, headers = statuses[3]
        check(status == 429 and int(headers.get("Retry-After", "0")) >= 1 and answer.get("error"),
              f"the fourth write: {status} {headers}")
        # Reads are not limited, also on the connection that was just refused a write: the refused
        # body was read, not left to be taken for the next request.
        table = statuses[0][1]["id"]
        c = http.client.HTTPConnection("127.0.0.1", server.port, timeout=TIMEOUT)
        c.request("POST", f"/api/tables/{table}/scores", body=json.dumps({"name": "a", "points": 1, "tape": "QUJD" * 5000}))
        r = c.getresponse()
        r.read()
        check(r.status == 429, f"a score past the limit: {r.status}")
        for _ in range(10):
            c.request("GET", f"/api/tables/{table}")
            r = c.getresponse()
            check(r.status == 200 and json.loads(r.read())["id"] == table, "reads go on")
        c.close()
    finally:
        server.stop()
    proxied = Server(database, "--rate", "6", "--burst", "1", "--trust-proxy")
    try:
        first = proxied.request("POST", "/api/tables", {"title": "a"}, {"X-Forwarded-For": "10.0.0.1"})[0]
        second = proxied.request("POST", "/api/tables", {"title": "b"}, {"X-Forwarded-For": "10.0.0.1"})[0]
        third = proxied.request("POST", "/api/tables", {"title": "c"}, {"X-Forwarded-For": "1.1.1.1, 10.0.0.2"})[0]
        check((first, second, third) == (201, 429, 201), f"forwarded addresses: {first} {second} {third}")
    finally:
        proxied.stop()


def test_full_queue(database, tapes):
    """One worker, one place in the queue: of eight tapes at once some are refused with 503."""
    server = Server(database, "--workers", "1", "--queue", "1")
    try:
        tape, points = tapes["gifts"]
        tables = [new_table(server)[0] for _ in range(8)]
        results = [None] * len(tables)

        def send(i):
            results[i] = submit(server, tables[i], "Jan", points, tape)

        threads = [threading.Thread(target=send, args=(i,)) for i in range(len(tables))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        statuses = [r[0] for r in results]
        check(set(statuses) <= {201, 503} and 201 in statuses and 503 in statuses, f"statuses {statuses}")
        for (status, answer, headers), table in zip(results, tables):
            if status == 503:
                check(int(headers.get("Retry-After", "0")) >= 1 and answer.get("error"), "503 with Retry-After")
                check(rows(server, table) == [], "nothing stored after a 503")
            else:
                check(len(rows(server, table)) == 1, "a row after a 201")
    finally:
        server.stop()


def test_site(database, work):
    """The site's files beside the API, each with the type the browser needs."""
    site = os.path.join(work, "site")
    os.makedirs(site)
    files = {"index.html": "text/html", "nadilka.js": "text/javascript", "nadilka.wasm": "application/wasm",
             "nadilka.data": "application/octet-stream", "manifest.webmanifest": "application/manifest+json",
             "sw.js": "text/javascript"}
    for name in files:
        with open(os.path.join(site, name), "wb") as f:
            f.write(b"\0asm" if name.endswith(".wasm") else name.encode())
    server = Server(database, "--site", site)
    try:
        for name, mime in files.items():
            c = http.client.HTTPConnection("127.0.0.1", server.port, timeout=TIMEOUT)
            c.request("GET", "/" + name)
            r = c.getresponse()
            body = r.read()
            check(r.status == 200 and r.getheader("Content-Type", "").startswith(mime), f"{name}: {r.status} "
                  f"{r.getheader('Content-Type')}")
            c.close()
        c = http.client.HTTPConnection("127.0.0.1", server.port, timeout=TIMEOUT)
        c.request("GET", "/")
        r = c.getresponse()
        check(r.status == 200 and r.read() == b"index.html", "the folder's index")
        c.close()
        for path in ["/../server_e2e.py", "/%2e%2e/etc/passwd", "/nothing.html"]:
            c = http.client.HTTPConnection("127.0.0.1", server.port, timeout=TIMEOUT)
            c.request("GET", path)
            r = c.getresponse()
            r.read()
            check(r.status in (400, 404), f"{path}: {r.status}")
            c.close()
        check(server.request("POST", "/api/tables", {"title": "a"})[0] == 201, "the API beside the site")
    finally:
        server.stop()
    for options, status, what in [(["--site", os.path.join(work, "none")], 1, "a missing site"),
                                  (["--workers", "0"], 2, "no workers"), (["--bogus"], 2, "an unknown option"),
                                  (["--listen", "127.0.0.1"], 2, "no port")]:
        p = subprocess.run([SERVER, "--listen", "127.0.0.1:0", "--database", database, *options],
                           capture_output=True, text=True, timeout=30)
        check(p.returncode == status and len(p.stderr.strip().splitlines()) == 1, f"{what}: {p.returncode} {p.stderr}")
    p = subprocess.run([SERVER, "--database", "sqlite:" + os.path.join(work, "no", "such", "folder.sqlite")],
                       capture_output=True, text=True, timeout=30)
    check(p.returncode == 1 and len(p.stderr.strip().splitlines()) == 1, f"a database that cannot open: {p.stderr}")


def test_two_servers(database, tapes):
    """Two servers on one database, as behind a load balancer: the same game sent to both at
    once is one row; a table made through one is read through the other."""
    first, second = Server(database), Server(database)
    try:
        tape, points = tapes["fewer"]
        for attempt in range(3):
            table, _ = new_table(first)
            results = [None, None]

            def send(i, server):
                results[i] = submit(server, table, f"Dvojče {i}", points, tape)[0]

            threads = [threading.Thread(target=send, args=(i, s)) for i, s in enumerate((first, second))]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            check(sorted(results) == [201, 409], f"the same game through two servers: {results}")
            check(len(rows(second, table)) == 1 and rows(first, table) == rows(second, table), "one row, seen by both")
    finally:
        first.stop()
        second.stop()


def test_kill(database, tapes):
    """SIGKILL in the middle of a loop of submissions: every row that got 201 is there after a restart."""
    server = Server(database, "--workers", "2")
    tape, points = tapes["gifts"]
    tables = [new_table(server)[0] for _ in range(40)]
    acknowledged, lock = [], threading.Lock()

    def send(mine):
        for table in mine:
            try:
                status, answer, _ = submit(server, table, "Jan", points, tape)
            except (OSError, http.client.HTTPException):
                return  # the server is gone
            if status == 201:
                with lock:
                    acknowledged.append((table, answer["row"]))

    threads = [threading.Thread(target=send, args=(tables[i::3],)) for i in range(3)]
    for t in threads:
        t.start()
    deadline = time.monotonic() + 30
    while len(acknowledged) < 8 and time.monotonic() < deadline:
        time.sleep(0.02)
    server.kill()
    for t in threads:
        t.join()
    check(0 < len(acknowledged) < len(tables), f"killed in the middle: {len(acknowledged)} rows acknowledged")
    server.start()
    try:
        for table, row in acknowledged:
            check([r["row"] for r in rows(server, table)] == [row], f"row {row} of table {table} after the kill")
        print(f"killed after {len(acknowledged)} of {len(tables)} rows were acknowledged; each is back", flush=True)
    finally:
        server.stop()


def main():
    # A timeout's SIGTERM still stops the cluster and removes the folders (the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped by SIGTERM"))
    if DATABASE == "postgresql" and os.geteuid() != 0:
        print("skipped: the PostgreSQL cluster is started as its own user with runuser, which needs root")
        return 77
    work = tempfile.mkdtemp(prefix="nadilka-server-test.")
    cluster = None
    try:
        quiet = committed("quiet-game")
        gifts = committed("gifts")
        tapes = {
            # Gifts thrown, then the clock runs out (the committed session quits first).
            "gifts": make_tape(work, "gifts", gifts.replace("12000 quit", "")),
            "unended": make_tape(work, "unended", gifts),
            "quiet": make_tape(work, "quiet", quiet),
            # Another game with the same score: the team only steered.
            "quiet2": make_tape(work, "quiet2", quiet + "5000 keydown 38\n5300 keyup 38\n"),
            # Fewer gifts, the throws from 5.5 s on left out: another score (794 against 694).
            "fewer": make_tape(work, "fewer", "".join(
                line + "\n" for line in gifts.splitlines() if not line.split(" ")[0].isdigit()
                or int(line.split(" ")[0]) < 5500 or "keydown 32" not in line).replace("12000 quit", "")),
        }
        print("tapes:", ", ".join(f"{k} {len(t)} bytes, {p} points" for k, (t, p) in tapes.items()), flush=True)
        if DATABASE == "postgresql":
            cluster = Postgres()
            database = cluster.url
        else:
            database = "sqlite:" + os.path.join(work, "tables.sqlite")
        server = Server(database)
        try:
            test_tables_and_refusals(server, tapes)
            test_forgeries(server, tapes)
            test_ranks_and_removal(server, tapes)
        finally:
            server.stop()
        test_rate_limit(database, tapes)
        test_full_queue(database, tapes)
        test_site(database, work)
        test_two_servers(database, tapes)
        test_kill(database, tapes)
    finally:
        if cluster:
            cluster.close()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print(f"{len(failures)} failed", file=sys.stderr)
        return 1
    print("all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
