"""Starting the platform double and the CONNECT proxy from Python, and talking to the double.

Used by tests/python/conftest.py; usable by any Python program that needs the double (the demo).
Both processes get a pipe as stdin, so they end when the owner goes away.
"""

import http.client
import json
import os
import select
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def _start(args, timeout):
    """Starts a helper that prints one JSON line when ready; returns (process, that line decoded)."""
    proc = subprocess.Popen([sys.executable, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        ready, _, _ = select.select([proc.stdout], [], [], timeout)
        line = proc.stdout.readline() if ready else b""
        if not line:
            raise RuntimeError(f"{os.path.basename(args[0])} did not become ready within {timeout}s"
                               f" (exit status {proc.poll()})")
        return proc, json.loads(line)
    except BaseException:
        proc.kill()
        proc.wait()
        raise


def _stop(proc):
    if proc.poll() is None:
        proc.stdin.close()  # EOF: the helper exits by itself
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    proc.stdout.close()


class PlatformDouble:
    """A running double: its addresses and its control interface."""

    def __init__(self, state_dir, timeout=30):
        self._proc, ready = _start(
            [os.path.join(HERE, "platform_double.py"), "--state-dir", str(state_dir)], timeout)
        self.port = ready["port"]
        self.control_port = ready["control_port"]
        self.ca_file = ready["ca_file"]
        self.untrusted_port = ready["untrusted_port"]
        self.domain = f"127.0.0.1:{self.port}"
        self.localhost_domain = f"localhost:{self.port}"
        self.untrusted_domain = f"127.0.0.1:{self.untrusted_port}"

    def _control(self, method, path, value=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.control_port, timeout=30)
        try:
            body = None if value is None else json.dumps(value)
            headers = {} if body is None else {"Content-Type": "application/json"}
            conn.request(method, path, body=body, headers=headers)
            response = conn.getresponse()
            answer = json.loads(response.read())
        finally:
            conn.close()
        if response.status != 200:
            raise RuntimeError(f"platform double refused {method} {path}: {answer.get('error')}")
        return answer

    def reset(self):
        self._control("POST", "/reset")

    def script(self, endpoint, *answers):
        """Queues one-shot answers for an endpoint: "login", "list", "submit", "result", "config"."""
        self._control("POST", "/script", {"endpoint": endpoint, "answers": list(answers)})

    def set_state(self, **state):
        self._control("POST", "/state", state)

    def log(self, endpoint=None):
        """The requests received, in arrival order; only those of one endpoint when given."""
        return self._control("GET", "/log" if endpoint is None else f"/log?endpoint={endpoint}")

    def stop(self):
        _stop(self._proc)


class ConnectProxy:
    """A running CONNECT proxy: `.url` for HTTPS_PROXY and the targets it tunnelled."""

    def __init__(self, log_file, timeout=30):
        self._log_file = str(log_file)
        self._proc, ready = _start(
            [os.path.join(HERE, "connect_proxy.py"), "--log", self._log_file], timeout)
        self.port = ready["port"]
        self.url = f"http://127.0.0.1:{self.port}"

    def targets(self):
        """One entry per request the proxy received, in order ("127.0.0.1:PORT" for a CONNECT)."""
        with open(self._log_file) as f:
            return f.read().splitlines()

    def stop(self):
        _stop(self._proc)
