"""Results handed to the host package: the calls made on norvi.device.ExecutionResult, in order and
positionally, failures of the host package, and an empty result list that imports nothing."""

import sys

import pytest

import norvi
import norvi.device
from norvi import Qubit
from norvi_brevora import BrevoraPlatform


class RecordingResult:
    """Stands in for norvi.device.ExecutionResult and logs every call made on it."""

    calls = []
    fail_on_construction = None  # raise when constructing this many-th object (1-based)

    def __init__(self, *args, **kwargs):
        RecordingResult.calls.append(("init", args, kwargs))
        constructed = sum(1 for call in RecordingResult.calls if call[0] == "init")
        if constructed == RecordingResult.fail_on_construction:
            raise LookupError(f"constructor refused result {constructed}")

    def start(self, *args):
        RecordingResult.calls.append(("start", args))

    def finish(self, *args):
        RecordingResult.calls.append(("finish", args))

    def calc_probabilities(self, *args):
        RecordingResult.calls.append(("calc_probabilities", args))


@pytest.fixture
def recording(monkeypatch):
    RecordingResult.calls = []
    RecordingResult.fail_on_construction = None
    monkeypatch.setattr(norvi.device, "ExecutionResult", RecordingResult)
    return RecordingResult


@pytest.fixture
def platform(platform_double):
    return BrevoraPlatform.login("host-key", domain=platform_double.domain, save_credentials=False)


def task_with_items(platform, platform_double, items, shots=1000):
    """A task whose ids are the items' names, served the given result rows."""
    platform_double.set_state(submit_ids=[list(items)], results={
        name: {"experimentTaskId": name, "status": 0, "resultStatus": rows} for name, rows in items.items()})
    return platform.get_backend("brevora311").run(["M Q0"] * len(items), shots, calibration_mode="disabled")


def test_calls_for_one_record(platform, platform_double, recording):
    task = task_with_items(platform, platform_double, {"a1": [[3, 8], [1, 0], [1, 0], [0, 0]]})
    [result] = task.wait(timeout=2, poll_interval=0.02)
    assert type(result) is RecordingResult
    assert recording.calls == [
        ("init", ("a1", [Qubit(3), Qubit(8)], 1000, 2, None), {}),
        ("start", ()),
        ("finish", ({"01": 2, "00": 1},)),
        ("calc_probabilities", ()),
    ]
    _, (_, qubits, shots, width, _), _ = recording.calls[0]
    assert all(type(q) is Qubit for q in qubits)
    assert (type(shots), type(width)) == (int, int)


def test_empty_counts_finish_with_an_empty_dict(platform, platform_double, recording):
    # Probabilities that round to no shot at all leave no count.
    platform_double.set_state(submit_ids=[["e1"]], results={
        "e1": {"experimentTaskId": "e1", "status": 0, "probability": {"0": 0.0, "1": 0.0001}}})
    task = platform.get_backend("brevora311").run(["M Q0"], 10)
    task.wait(timeout=0.5, poll_interval=0.02)
    assert ("finish", ({},)) in recording.calls


def test_a_failing_constructor_ends_the_conversion(platform, platform_double, recording):
    task = task_with_items(platform, platform_double, {f"r{i}": [[0], [1]] for i in range(3)})
    recording.fail_on_construction = 2
    with pytest.raises(LookupError, match="constructor refused result 2"):
        task.status()
    assert [call[0] for call in recording.calls] == ["init", "start", "finish", "calc_probabilities", "init"]


@pytest.mark.parametrize("member", ["Qubit", "start", "finish", "calc_probabilities"])
def test_host_failures_reach_the_caller_unchanged(platform, platform_double, recording, monkeypatch, member):
    class HostFailure(Exception):
        pass

    def refuse(*args):
        raise HostFailure(member)

    monkeypatch.setattr(norvi if member == "Qubit" else RecordingResult, member, refuse)
    task = task_with_items(platform, platform_double, {"h1": [[0], [1]]})
    with pytest.raises(HostFailure, match=f"^{member}$"):
        task.wait(timeout=2, poll_interval=0.02)


def test_missing_host_package_is_an_import_error(platform, platform_double, monkeypatch):
    task = task_with_items(platform, platform_double, {"m1": [[0], [1]]})
    monkeypatch.setitem(sys.modules, "norvi.device", None)
    with pytest.raises(ImportError):
        task.status()


def test_no_results_import_nothing(platform, platform_double, monkeypatch):
    task = platform.get_backend("brevora311").run(["M Q0"], 10)
    platform_double.set_state(results={task.task_ids[0]: {"experimentTaskId": task.task_ids[0], "status": 1}})
    monkeypatch.setitem(sys.modules, "norvi.device", None)
    monkeypatch.setitem(sys.modules, "norvi", None)
    assert task.status() == []
