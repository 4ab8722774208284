"""A small HTTP CONNECT proxy on 127.0.0.1 for tests of the client's proxy handling.

    /usr/bin/python3 tests/double/connect_proxy.py --log FILE [--ignore-stdin]

Prints {"port": N} when ready, tunnels bytes for CONNECT requests to loopback targets, and appends
one line per tunnel, the CONNECT target as sent ("127.0.0.1:443"), to FILE before the tunnel opens.
Any other request, and a target that is not a loopback address, is refused (and logged too, so a
test sees what was asked). Runs until SIGTERM, or until stdin reaches EOF unless --ignore-stdin.
"""

import argparse
import json
import os
import select
import signal
import socket
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

_LOOPBACK = {"127.0.0.1", "localhost"}


class ProxyHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = 300
    rbufsize = 0  # unbuffered: bytes after the CONNECT head must reach the tunnel, not a buffer
    log_file = None
    log_lock = threading.Lock()

    def log_message(self, format, *args):
        pass

    def record(self, line):
        with self.log_lock, open(self.log_file, "a") as f:
            f.write(line + "\n")

    def refuse(self, status, text):
        body = text.encode()
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def do_CONNECT(self):
        target = self.path
        self.record(target)
        host, _, port = target.rpartition(":")
        if host not in _LOOPBACK or not port.isdigit():
            self.refuse(403, "only loopback targets are tunnelled")
            return
        try:
            upstream = socket.create_connection((host, int(port)), timeout=10)
        except OSError as e:
            self.refuse(502, f"cannot reach {target}: {e}")
            return
        self.send_response(200, "Connection established")
        self.end_headers()
        self.close_connection = True
        self.tunnel(self.connection, upstream)

    @staticmethod
    def tunnel(client, upstream):
        sockets = [client, upstream]
        peer = {client: upstream, upstream: client}
        try:
            for s in sockets:
                s.settimeout(None)
            while sockets:
                readable, _, _ = select.select(sockets, [], [], 300)
                if not readable:
                    return  # idle for too long
                for s in readable:
                    data = s.recv(65536)
                    if not data:
                        return
                    peer[s].sendall(data)
        except OSError:
            pass
        finally:
            upstream.close()

    def other(self):
        self.record(f"{self.command} {self.path}")
        self.refuse(405, "this proxy only tunnels CONNECT requests")

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = other


class _Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128

    def handle_error(self, request, client_address):
        pass


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--log", required=True, help="file that receives one line per CONNECT target")
    parser.add_argument("--ignore-stdin", action="store_true", help="run until SIGTERM only")
    args = parser.parse_args(argv)
    ProxyHandler.log_file = args.log
    open(args.log, "a").close()
    server = _Server(("127.0.0.1", 0), ProxyHandler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    print(json.dumps({"port": server.server_address[1]}), flush=True)
    if args.ignore_stdin:
        while True:
            signal.pause()
    while sys.stdin.buffer.read(65536):
        pass
    os._exit(0)


if __name__ == "__main__":
    main()
