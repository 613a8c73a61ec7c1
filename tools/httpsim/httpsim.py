#!/usr/bin/env python3
"""httpsim: the update server stand-in. Serves a folder over HTTP or HTTPS
on 127.0.0.1, journals every request as a JSON line and plays faults per
path from a script.

    httpsim.py --dir DIR [--cert FILE --key FILE] [--script FILE]
               [--journal FILE] [--port-file FILE]
    httpsim.py --check FILE

It listens on port 0 and prints "port N" once listening (and writes N to
--port-file). Script: one statement a line, "#" starts a comment line:

    fault PATH notfound        404 for PATH
    fault PATH short N         the body N bytes shorter than the file
    fault PATH long N          N bytes more than the file
    fault PATH slow MS         a pause of MS ms before every 1024 bytes
    fault PATH cut N           Content-Length of the whole file, then the
                               connection closed after N bytes

A bad line: its number and the fault on stderr, exit status 2 (so do bad
arguments, with the usage)."""

import argparse
import http.server
import json
import os
import socketserver
import ssl
import sys
import threading
import time

KINDS = {"notfound": False, "short": True, "long": True, "slow": True, "cut": True}


class ScriptError(Exception):
    pass


def parse_script(text, source):
    faults = {}
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        words = line.split()
        where = "%s line %d: " % (source, number)
        if words[0] != "fault" or len(words) < 3:
            raise ScriptError(where + "expected \"fault PATH KIND [N]\"")
        path, kind = words[1], words[2]
        if kind not in KINDS:
            raise ScriptError(where + "unknown fault \"%s\"" % kind)
        if not path.startswith("/"):
            raise ScriptError(where + "the path must begin with \"/\"")
        wants = KINDS[kind]
        if len(words) != (4 if wants else 3):
            raise ScriptError(where + "\"%s\" takes %s" % (kind, "one number" if wants else "no number"))
        value = 0
        if wants:
            if not words[3].isdigit():
                raise ScriptError(where + "\"%s\" is not a number" % words[3])
            value = int(words[3])
        faults[path] = (kind, value)
    return faults


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def journal(self, status, sent, note=""):
        entry = {"time": time.time(), "method": self.command, "path": self.path, "status": status, "bytes": sent}
        if note:
            entry["note"] = note
        self.server.write_journal(entry)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        kind, value = self.server.faults.get(path, (None, 0))
        local = os.path.normpath(os.path.join(self.server.root, path.lstrip("/")))
        if kind == "notfound" or not local.startswith(self.server.root) or not os.path.isfile(local):
            body = b"not found\n"
            self.send_response(404)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            self.journal(404, len(body), "fault notfound" if kind == "notfound" else "")
            return
        with open(local, "rb") as f:
            data = f.read()
        length = len(data)
        if kind == "short":
            data = data[: max(0, len(data) - value)]
            length = len(data)
        elif kind == "long":
            data = data + b"\0" * value
            length = len(data)
        self.send_response(200)
        self.send_header("Content-Length", str(length))
        self.send_header("Content-Type", "application/octet-stream")
        self.end_headers()
        sent = 0
        try:
            while sent < len(data):
                piece = data[sent : sent + 1024]
                if kind == "cut" and sent + len(piece) > value:
                    piece = piece[: value - sent]
                    self.wfile.write(piece)
                    sent += len(piece)
                    self.wfile.flush()
                    self.close_connection = True
                    self.journal(200, sent, "fault cut")
                    return
                if kind == "slow":
                    time.sleep(value / 1000.0)
                self.wfile.write(piece)
                sent += len(piece)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.journal(200, sent, "peer gone")
            return
        self.journal(200, sent, ("fault " + kind) if kind else "")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, root, faults, journal, context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.root = os.path.realpath(root)
        self.faults = faults
        self.journal_path = journal
        self.lock = threading.Lock()
        self.context = context

    def get_request(self):
        sock, addr = super().get_request()
        if self.context:
            sock.settimeout(30)
            try:
                sock = self.context.wrap_socket(sock, server_side=True)
            except (ssl.SSLError, OSError) as e:
                self.write_journal({"time": time.time(), "note": "TLS handshake failed: %s" % e})
                sock.close()
                raise OSError("handshake failed")
        return sock, addr

    def handle_error(self, request, client_address):
        pass

    def write_journal(self, entry):
        if not self.journal_path:
            return
        with self.lock, open(self.journal_path, "a") as f:
            f.write(json.dumps(entry, ensure_ascii=False) + "\n")


def main(argv):
    parser = argparse.ArgumentParser(prog="httpsim.py", description="update server stand-in")
    parser.add_argument("--dir")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--script")
    parser.add_argument("--journal")
    parser.add_argument("--port-file")
    parser.add_argument("--check", metavar="FILE")
    args = parser.parse_args(argv)  # exits with status 2 and the usage
    try:
        if args.check:
            with open(args.check) as f:
                parse_script(f.read(), args.check)
            return 0
        if not args.dir or not os.path.isdir(args.dir) or bool(args.cert) != bool(args.key):
            parser.print_usage(sys.stderr)
            print("httpsim.py: --dir must name a folder; --cert and --key go together", file=sys.stderr)
            return 2
        faults = {}
        if args.script:
            with open(args.script) as f:
                faults = parse_script(f.read(), args.script)
    except ScriptError as e:
        print("httpsim.py: %s" % e, file=sys.stderr)
        return 2
    except OSError as e:
        print("httpsim.py: %s" % e, file=sys.stderr)
        return 2
    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    server = Server(args.dir, faults, args.journal, context)
    port = server.server_address[1]
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    print("port %d" % port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
