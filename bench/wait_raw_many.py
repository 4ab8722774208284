"""The Python road over an answer of many small items: TaskHandle.wait_raw() of a handle of 100,000
two-shot tasks on one qubit, answered by the local platform double in one result answer, beside CPython's
json.loads + collections.Counter of the same answer body in the same run (best of three alternating
rounds), each with the peak memory it adds while its results are held.

    PYTHONPATH=build/python /usr/bin/python3 bench/wait_raw_many.py [tasks]
"""

import collections
import json
import os
import random
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "double"))

from launcher import PlatformDouble  # noqa: E402

ROUNDS = 3
# Variables that change which CA is trusted or which proxy is used.
CLEARED_VARIABLES = ("SSL_CERT_DIR", "CURL_CA_BUNDLE", "HTTPS_PROXY", "https_proxy", "HTTP_PROXY",
                     "http_proxy", "ALL_PROXY", "all_proxy", "NO_PROXY", "no_proxy", "REQUEST_METHOD")


def status_kb(field):
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    raise RuntimeError(f"no {field} in /proc/self/status")


def timed_with_peak(run):
    """Seconds of `run` and the resident memory it adds at its peak (MB) while its result is held."""
    with open("/proc/self/clear_refs", "w") as clear:
        clear.write("5")  # the high-water mark back to the current resident size
    before = status_kb("VmRSS")
    start = time.perf_counter()
    result = run()
    seconds = time.perf_counter() - start
    peak = (status_kb("VmHWM") - before) * 1024 / 1e6
    del result
    return seconds, peak


def answer_body(task_ids):
    """Every item two shot rows on qubit 0, each a fair coin; the same bytes on every run."""
    coin = random.Random(1)
    items = [{"experimentTaskId": task_id, "status": 0,
              "resultStatus": [[0], [coin.getrandbits(1)], [coin.getrandbits(1)]]} for task_id in task_ids]
    return json.dumps({"code": 0, "message": "success", "data": {"experimentResultModelList": items}},
                      separators=(",", ":"))


def counted_by_cpython(body):
    items = json.loads(body)["data"]["experimentResultModelList"]
    return [(item["experimentTaskId"], collections.Counter(tuple(row) for row in item["resultStatus"][1:]))
            for item in items]


def main():
    tasks = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    with tempfile.TemporaryDirectory() as state_dir:
        double = PlatformDouble(state_dir)
        try:
            os.environ["SSL_CERT_FILE"] = double.ca_file
            for name in CLEARED_VARIABLES:
                os.environ.pop(name, None)
            from norvi_brevora import BrevoraPlatform

            platform = BrevoraPlatform.login("bench-key", domain=double.domain, save_credentials=False)
            task = platform.get_backend("brevora311").run(["M Q0"] * tasks, 2)
            body = answer_body(task.task_ids)

            def wait_raw():
                results = task.wait_raw(timeout=600.0)
                if len(results) != tasks:
                    raise RuntimeError(f"{len(results)} results for {tasks} tasks")
                return results

            road, baseline = [], []
            for _ in range(ROUNDS):
                double.script("result", {"body": body, "headers": [["Content-Type", "application/json"]]})
                road.append(timed_with_peak(wait_raw))
                baseline.append(timed_with_peak(lambda: counted_by_cpython(body)))
        finally:
            double.stop()

    print(f"answer body: {len(body) / 1e6:.1f} MB, {tasks} items of 2 shot rows of 1 qubit")
    for label, runs in (("CPython json.loads + Counter (baseline)", baseline), ("TaskHandle.wait_raw()", road)):
        best = min(seconds for seconds, _ in runs)
        peak = min(peak for _, peak in runs)
        print(f"  {label:<44} {best * 1e3:8.1f} ms   peak memory added {peak:7.1f} MB")


if __name__ == "__main__":
    main()
