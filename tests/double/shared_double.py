"""One platform double for a whole CTest run: started by a setup test, stopped by a cleanup test.

    /usr/bin/python3 tests/double/shared_double.py start DIR
    /usr/bin/python3 tests/double/shared_double.py stop DIR

`start` leaves the double running in the background (its own session, stdin ignored) and returns once
DIR/ready.json holds its ready line; DIR/pid names the process. The C++ tests attach to it through
NORVI_SHARED_DOUBLE=DIR and take turns through an exclusive lock on DIR/lock, resetting it first.
`stop` ends the double and removes DIR. A double left behind by an interrupted run is stopped first.
"""

import json
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent


def stop(state_dir):
    pid_file = state_dir / "pid"
    if pid_file.is_file():
        try:
            os.kill(int(pid_file.read_text()), signal.SIGTERM)
        except (ValueError, ProcessLookupError, PermissionError):
            pass
    shutil.rmtree(state_dir, ignore_errors=True)


def start(state_dir, timeout=30):
    stop(state_dir)
    state_dir.mkdir(parents=True)
    ready = state_dir / "ready.json"
    with open(ready, "wb") as out, open(state_dir / "double.log", "wb") as err:
        proc = subprocess.Popen(
            [sys.executable, str(HERE / "platform_double.py"), "--state-dir", str(state_dir), "--ignore-stdin"],
            stdin=subprocess.DEVNULL, stdout=out, stderr=err, start_new_session=True)
    (state_dir / "pid").write_text(str(proc.pid))
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        text = ready.read_text()
        if text.endswith("\n"):
            json.loads(text)
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.02)
    stop(state_dir)
    print(f"platform double did not become ready (exit status {proc.poll()})", file=sys.stderr)
    return 1


def main(argv):
    if len(argv) != 3 or argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        return 2
    state_dir = pathlib.Path(argv[2]).resolve()
    if argv[1] == "start":
        return start(state_dir)
    stop(state_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
