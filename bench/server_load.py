#!/usr/bin/env python3
"""Helpers of bench/server (python3 stdlib only, traffic to 127.0.0.1 only).

    server_load.py fill DATABASE TABLE ROWS      a table of ROWS rows written straight into SQLite
    server_load.py verify PORT TAPE POINTS N C   N submissions of a real tape, C at a time, each
                                                 to a table of its own; prints tapes per second
"""
import base64
import hashlib
import http.client
import json
import sqlite3
import sys
import threading
import time


def request(port, method, path, body=None):
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=120)
    c.request(method, path, body=json.dumps(body).encode() if body is not None else None)
    r = c.getresponse()
    data = r.read()
    c.close()
    return r.status, json.loads(data) if data else None


def fill(database, table, rows):
    # Rows as the server writes them; only their number and size matter to a read.
    db = sqlite3.connect(database)
    for i in range(rows):
        db.execute("INSERT INTO scores (table_id, row_id, name, points, at, game_sha256) VALUES (?, ?, ?, ?, ?, ?)",
                   (table, f"row{i:08d}", f"Hráč číslo {i}", (i * 7919) % 5000, "2026-12-11T07:05:00Z",
                    hashlib.sha256(str(i).encode()).hexdigest()))
    db.commit()


def verify(port, tape_path, points, n, concurrency):
    with open(tape_path, "rb") as f:
        tape = base64.b64encode(f.read()).decode()
    tables = [request(port, "POST", "/api/tables", {"title": f"bench {i}"})[1]["id"] for i in range(n)]
    statuses, lock = [], threading.Lock()

    def send(mine):
        for t in mine:
            status, _ = request(port, "POST", f"/api/tables/{t}/scores", {"name": "Bench", "points": points, "tape": tape})
            with lock:
                statuses.append(status)

    threads = [threading.Thread(target=send, args=(tables[i::concurrency],)) for i in range(concurrency)]
    start = time.monotonic()
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    seconds = time.monotonic() - start
    if statuses.count(201) != n:
        sys.exit(f"not every tape was accepted: {sorted(set(statuses))}")
    print(f"{n / seconds:.2f}")


if __name__ == "__main__":
    if sys.argv[1] == "fill":
        fill(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    else:
        verify(int(sys.argv[2]), sys.argv[3], int(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6]))
