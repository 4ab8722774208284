"""Local double of the Brevora platform's HTTPS service, for tests and the demo.

    /usr/bin/python3 tests/double/platform_double.py --state-dir DIR [--ignore-stdin]

Serves the platform's endpoints on 127.0.0.1 over TLS, checks and logs every request, and takes
scripted answers and faults through a plain-HTTP control port. Prints one JSON line when ready:
{"port": P, "control_port": C, "ca_file": "DIR/ca.pem", "untrusted_port": U}. Runs until SIGTERM,
or until stdin reaches EOF (so it dies with its parent) unless --ignore-stdin is given.
README.md beside this file describes the interface.
"""

import argparse
import json
import os
import signal
import socket
import ssl
import sys
import threading
import time
import traceback
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from certificates import make_certificates  # noqa: E402
from double_state import ENDPOINTS, ControlError, DoubleState  # noqa: E402
from endpoints import Answer, check_request, compact_json, default_answer, error_answer, route, Request  # noqa: E402,E501

_QUIET_ERRORS = (ConnectionError, ssl.SSLError, TimeoutError, socket.timeout)


class _Closed(Exception):
    """The answer was abandoned and the connection is to be dropped."""


class _Server(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128  # many client threads may connect at once

    def handle_error(self, request, client_address):
        if not isinstance(sys.exc_info()[1], _QUIET_ERRORS + (OSError,)):
            traceback.print_exc()


class _TlsServer(_Server):
    """Does the TLS handshake in the connection's own thread, so a slow client blocks no one."""

    def __init__(self, address, handler, context, listener):
        super().__init__(address, handler)
        self.context = context
        self.listener = listener

    def finish_request(self, request, client_address):
        request.settimeout(30)
        try:
            tls = self.context.wrap_socket(request, server_side=True)
        except (OSError, ssl.SSLError):
            return  # e.g. the client refused the untrusted certificate
        try:
            self.RequestHandlerClass(tls, client_address, self)
        finally:
            tls.close()


class _JsonHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # keep-alive: the client reuses connections
    server_version = "BrevoraDouble/1"
    timeout = 300  # idle kept-alive connections go eventually

    def log_message(self, format, *args):
        pass

    def read_body(self):
        """Reads the body by Content-Length (or chunked), keeping the connection usable."""
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            body = bytearray()
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass  # trailers
                    return bytes(body)
                body += self.rfile.read(size)
                self.rfile.readline()
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        if not length.strip().isdigit():
            raise ValueError("bad Content-Length")
        return self.rfile.read(int(length))

    def setup(self):
        super().setup()
        # Small answers go out at once rather than waiting for the peer's delayed acknowledgement.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def write_answer(self, status, body, content_type="application/json", headers=(), reason=None,
                     head_only=False, chunked=False):
        """Writes status line, headers and (unless head_only) the body in one piece, or the body in
        chunks without a Content-Length when chunked."""
        names = {n.lower() for n, _ in headers}
        self.send_response_only(status, reason if reason is not None else _phrase(status))
        self.send_header("Date", self.date_time_string())
        if content_type and "content-type" not in names:
            self.send_header("Content-Type", content_type)
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        elif "content-length" not in names:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.close_connection = True  # the stream no longer matches what we announce
        if self.close_connection:
            self.send_header("Connection", "close")
        for name, value in headers:
            self.send_header(name, value)
        self._headers_buffer.append(b"\r\n")
        head = b"".join(self._headers_buffer)
        self._headers_buffer = []
        if chunked:
            self.wfile.write(head)
            for at in range(0, len(body), 65536):
                piece = body[at:at + 65536]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
            return
        self.wfile.write(head if head_only else head + body)


def _phrase(status):
    try:
        return HTTPStatus(status).phrase
    except ValueError:
        return ""


class PlatformHandler(_JsonHandler):
    state: DoubleState = None  # set by main

    def setup(self):
        super().setup()
        self.connection_id = self.state.next_connection_id()

    def parse_request(self):
        self.arrival = time.monotonic()
        return super().parse_request()

    def do_GET(self):
        self.serve()

    do_POST = do_PUT = do_DELETE = do_PATCH = do_GET

    def serve(self):
        # Taken now: a reset during a stall or trickle makes this answer give up.
        reset_event = self.state.reset_event
        try:
            body = self.read_body()
        except ValueError:
            self.close_connection = True
            self.write_answer(400, b"", content_type=None)
            return
        headers = [[n, v.strip(" \t")] for n, v in self.headers.items()]
        req = Request(self.command, self.path, headers, body)
        endpoint = route(req)
        name = endpoint.name if endpoint else "other"
        scripted = self.state.take_answer(name)
        check = endpoint is not None and (scripted is None or scripted.get("check", True) is not False)
        violations = check_request(endpoint, req) if check else []

        if violations:
            answer, scripted = error_answer(400, violations[0]), None
        elif scripted is None:
            answer = default_answer(endpoint, req, self.state)
        elif scripted.get("fault") == "close":
            answer = None
        else:
            answer = self.scripted_answer(scripted, endpoint, req)

        self.state.record({
            "method": self.command, "path": self.path, "headers": headers,
            "body": body.decode("latin-1"), "time": self.arrival, "endpoint": name,
            "violations": violations, "listener": self.server.listener,
            "connection": self.connection_id, "answer_status": answer.status if answer else None,
        })
        if answer is None:
            self.close_connection = True  # the "close" fault: no answer at all
            return
        fault = (scripted or {}).get("fault")
        try:
            if fault == "stall" and reset_event.wait(scripted.get("seconds", 30)):
                raise _Closed
            trickle = fault == "trickle"
            self.write_answer(answer.status, answer.body, answer.content_type, answer.headers,
                              answer.reason, head_only=trickle,
                              chunked=(scripted or {}).get("chunked", False) and not trickle)
            if trickle:
                interval = scripted.get("interval", 0.5)
                for i in range(len(answer.body)):
                    if reset_event.wait(interval):
                        raise _Closed
                    self.wfile.write(answer.body[i:i + 1])
        except (_Closed,) + _QUIET_ERRORS + (BrokenPipeError,):
            self.close_connection = True

    def scripted_answer(self, scripted, endpoint, req):
        extra = [list(h) for h in scripted.get("headers", [])]
        if scripted.get("fault") == "redirect":
            answer = Answer(status=302, content_type=None,
                            headers=[["Location", scripted["location"]]] + extra)
            if "json" in scripted or "body" in scripted:
                answer.body, answer.content_type = self.scripted_body(scripted)
        elif "json" in scripted or "body" in scripted:
            answer = Answer(headers=extra)
            answer.body, answer.content_type = self.scripted_body(scripted)
        else:
            # Status and headers of the script, body (and side effects) of the default behaviour.
            answer = default_answer(endpoint, req, self.state)
            answer.headers = answer.headers + extra
        if "status" in scripted:
            answer.status = scripted["status"]
        if "reason" in scripted:
            answer.reason = scripted["reason"]
        return answer

    @staticmethod
    def scripted_body(scripted):
        if "json" in scripted:
            return compact_json(scripted["json"]), "application/json"
        return scripted["body"].encode("utf-8"), "text/plain; charset=utf-8"


class ControlHandler(_JsonHandler):
    state: DoubleState = None  # set by main

    def reply(self, status, value):
        self.write_answer(status, compact_json(value))

    def do_GET(self):
        self.control()

    do_POST = do_GET

    def control(self):
        try:
            body = self.read_body()
            path, _, query = self.path.partition("?")
            request = (self.command, path)
            if request == ("POST", "/reset"):
                self.state.reset()
                self.reply(200, {"ok": True})
            elif request == ("GET", "/log"):
                endpoint = parse_qs(query).get("endpoint", [None])[0]
                if endpoint is not None and endpoint not in ENDPOINTS:
                    raise ControlError(f"endpoint must be one of {', '.join(ENDPOINTS)}")
                self.reply(200, self.state.log_entries(endpoint))
            elif request == ("POST", "/script"):
                doc = _load(body)
                if not isinstance(doc, dict):
                    raise ControlError("script must be a JSON object")
                self.state.add_script(doc.get("endpoint"), doc.get("answers"))
                self.reply(200, {"ok": True})
            elif request == ("POST", "/state"):
                self.state.merge(_load(body))
                self.reply(200, {"ok": True})
            else:
                self.reply(404, {"error": f"no control request {self.command} {path}"})
        except ControlError as e:
            self.reply(400, {"error": str(e)})


def _load(body):
    try:
        return json.loads(body)
    except ValueError as e:
        raise ControlError(f"body is not JSON: {e}") from None


def _tls_context(chain):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(chain.cert_file, chain.key_file)
    context.set_alpn_protocols(["http/1.1"])
    return context


def _serve_in_background(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--state-dir", required=True, help="where the certificates are written")
    parser.add_argument("--ignore-stdin", action="store_true",
                        help="run until SIGTERM only (for a double started in the background)")
    args = parser.parse_args(argv)

    state = DoubleState()
    PlatformHandler.state = ControlHandler.state = state
    trusted, untrusted = make_certificates(args.state_dir)
    main_server = _TlsServer(("127.0.0.1", 0), PlatformHandler, _tls_context(trusted), "trusted")
    untrusted_server = _TlsServer(("127.0.0.1", 0), PlatformHandler, _tls_context(untrusted), "untrusted")
    control_server = _Server(("127.0.0.1", 0), ControlHandler)
    for server in (main_server, untrusted_server, control_server):
        _serve_in_background(server)

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    print(json.dumps({"port": main_server.server_address[1],
                      "control_port": control_server.server_address[1],
                      "ca_file": os.path.abspath(trusted.ca_file),
                      "untrusted_port": untrusted_server.server_address[1]}), flush=True)
    if args.ignore_stdin:
        while True:
            signal.pause()
    while sys.stdin.buffer.read(65536):
        pass
    os._exit(0)  # nothing to flush; daemon threads may sit in blocking calls


if __name__ == "__main__":
    main()
