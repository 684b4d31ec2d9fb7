#!/usr/bin/env python3
"""A language-server session on a large plan file, as an editor drives it.

Opens the file in `zeq lsp`, waits for its diagnostics, then types a few
characters into the middle of it (incremental changes, as VS Code sends them)
and asks for the outline. Prints two figures on one line:

    DIAGNOSTICS_SECONDS PEAK_KB

the longest time from a change to its diagnostics, the server's own pause
after typing taken off, and the server's peak resident set (VmHWM).
"""

import json
import os
import subprocess
import sys
import time

PAUSE_MS = 200  # the server's pause after a change (lsp/lspserver.h)


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def read_message(stream):
    length = 0
    while True:
        line = stream.readline()
        if not line:
            raise EOFError("the server ended")
        line = line.strip()
        if not line:
            break
        name, _, value = line.partition(b":")
        if name.lower() == b"content-length":
            length = int(value)
    return json.loads(stream.read(length))


def main():
    zeq, path = sys.argv[1], sys.argv[2]
    with open(path, "rb") as f:
        text = f.read().decode("latin-1")
    uri = "file://" + os.path.abspath(path)
    server = subprocess.Popen([zeq, "lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def send(message):
        server.stdin.write(frame(message))
        server.stdin.flush()

    def wait_for(test):
        while True:
            message = read_message(server.stdout)
            if test(message):
                return message

    def diagnostics_of(version):
        return lambda m: (m.get("method") == "textDocument/publishDiagnostics"
                          and m["params"].get("version") == version)

    send({"jsonrpc": "2.0", "id": 1, "method": "initialize",
          "params": {"processId": None, "rootUri": None, "capabilities": {}}})
    wait_for(lambda m: m.get("id") == 1)
    send({"jsonrpc": "2.0", "method": "initialized", "params": {}})
    send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
          "params": {"textDocument": {"uri": uri, "languageId": "zeq", "version": 1,
                                      "text": text}}})
    wait_for(diagnostics_of(1))

    # A word typed on a line in the middle, one character a change.
    line = text.count("\n") // 2
    slowest = 0.0
    for version, character in enumerate("pl", start=2):
        at = {"line": line, "character": 0}
        send({"jsonrpc": "2.0", "method": "textDocument/didChange",
              "params": {"textDocument": {"uri": uri, "version": version},
                         "contentChanges": [{"range": {"start": at, "end": at},
                                             "text": character}]}})
        sent = time.monotonic()
        wait_for(diagnostics_of(version))
        slowest = max(slowest, time.monotonic() - sent - PAUSE_MS / 1000)
    send({"jsonrpc": "2.0", "id": 2, "method": "textDocument/documentSymbol",
          "params": {"textDocument": {"uri": uri}}})
    wait_for(lambda m: m.get("id") == 2)

    with open("/proc/%d/status" % server.pid) as status:
        peak = next(int(l.split()[1]) for l in status if l.startswith("VmHWM:"))
    send({"jsonrpc": "2.0", "id": 3, "method": "shutdown"})
    wait_for(lambda m: m.get("id") == 3)
    send({"jsonrpc": "2.0", "method": "exit"})
    server.wait(timeout=10)
    print("%.3f %d" % (slowest, peak))


if __name__ == "__main__":
    main()
