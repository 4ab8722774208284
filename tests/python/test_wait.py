"""TaskHandle.wait, wait_raw and status against the double: calibration decisions, the downloads they
make or skip, argument conversion, the timeout, and the interpreter lock released while waiting."""

import math
import threading

import pytest

import norvi.device
from norvi import Qubit
from norvi_brevora import BrevoraError, BrevoraPlatform

FAST = {"timeout": 3.0, "poll_interval": 0.02}
RAW_COUNTS = {"00": 500, "11": 500}  # the double's default answer for two measured qubits, 1000 shots


def running_item(task_id):
    """A result item without data yet: the circuit is still running."""
    return {"experimentTaskId": task_id, "status": 1}


def document_without_readout_tables():
    return {"overview": {"qubits": ["Q0", "Q1"], "coupler_map": {"C0": ["Q0", "Q1"]}}}


@pytest.fixture
def platform(platform_double):
    return BrevoraPlatform.login("wait-key", domain=platform_double.domain, save_credentials=False)


def submit(platform, mode, device="brevora311"):
    return platform.get_backend(device).run(["H Q1\nM Q1 Q0"], 1000, calibration_mode=mode)


@pytest.mark.parametrize("mode, method, corrected", [
    ("disabled", "wait", False),
    ("auto", "wait", True),
    ("enabled", "wait", True),
    ("enabled", "wait_raw", False),
    ("auto", "wait_raw", False),
])
def test_modes_decide_correction_and_download(platform, platform_double, mode, method, corrected):
    task = submit(platform, mode)
    [result] = getattr(task, method)(**FAST)
    assert type(result) is norvi.device.ExecutionResult
    assert (result.name, result.qubits, result.shots, result.width, result.note) == (
        task.task_ids[0], [Qubit(1), Qubit(0)], 1000, 2, None)
    assert result.status == "finished"
    if corrected:
        assert result.counts != RAW_COUNTS
        assert set(result.counts) <= {"00", "01", "10", "11"}
    else:
        assert result.counts == RAW_COUNTS
    assert math.isclose(sum(result.probabilities.values()), 1.0)
    # a fresh download for every corrected wait, none otherwise
    assert len(platform_double.log("config")) == (1 if corrected else 0)


def test_each_wait_downloads_afresh_and_leaves_the_backend_cache_alone(platform, platform_double):
    backend = platform.get_backend("brevora311")
    task = backend.run(["M Q0"], 10, calibration_mode="enabled")
    task.wait(**FAST)
    task.wait(**FAST)
    assert len(platform_double.log("config")) == 2
    backend.num_qubits()
    assert len(platform_double.log("config")) == 3


def test_auto_on_a_simulator_downloads_nothing(platform, platform_double):
    [result] = submit(platform, "auto", "brevora_sim").wait(**FAST)
    assert result.counts == RAW_COUNTS
    assert platform_double.log("config") == []


@pytest.mark.parametrize("mode, error", [
    ("enabled", "Invalid input: readout calibration data not available for this backend"),
    ("auto", None),
])
def test_configuration_without_readout_tables(platform, platform_double, mode, error):
    platform_double.set_state(configs={"brevora311": document_without_readout_tables()})
    task = submit(platform, mode)
    if error:
        with pytest.raises(BrevoraError) as caught:
            task.wait(**FAST)
        assert str(caught.value) == error
        assert platform_double.log("result") == []  # failed before any query
    else:
        [result] = task.wait(**FAST)
        assert result.counts == RAW_COUNTS
    assert len(platform_double.log("config")) == 1


@pytest.mark.parametrize("arguments, fault, text", [
    ({"timeout": -1}, "InternalFault", "cannot convert float seconds to Duration: value is negative"),
    ({"poll_interval": float("nan")}, "InternalFault",
     "cannot convert float seconds to Duration: value is either too big or NaN"),
    ({"timeout": 2.0 ** 64}, "InternalFault",
     "cannot convert float seconds to Duration: value is either too big or NaN"),
    ({"timeout": None}, "TypeError", "must be real number, not NoneType"),
    ({"poll_interval": "1"}, "TypeError", "must be real number, not str"),
])
@pytest.mark.parametrize("method", ["wait", "wait_raw"])
def test_bad_limits_fail_before_anything_is_sent(platform, platform_double, method, arguments, fault, text):
    task = submit(platform, "enabled")
    platform_double.reset()  # forget the login and submission
    with pytest.raises(BaseException) as caught:
        getattr(task, method)(**arguments)
    assert type(caught.value).__name__ == fault
    assert str(caught.value) == text
    if fault == "TypeError":
        [name] = arguments
        assert caught.value.__notes__ == [f"while processing '{name}'"]
    assert platform_double.log() == []


def test_limits_positional_objects_with_float_and_binding_errors(platform):
    task = submit(platform, "disabled")

    class Seconds:
        def __float__(self):
            return 2.0

    assert task.wait(Seconds(), 0)[0].counts == RAW_COUNTS
    assert task.wait_raw(2, poll_interval=0)[0].counts == RAW_COUNTS
    with pytest.raises(TypeError, match=r"TaskHandle\.wait\(\) got an unexpected keyword argument 'timeot'"):
        task.wait(timeot=1)
    with pytest.raises(TypeError, match=r"TaskHandle\.wait_raw\(\) takes from 0 to 2 positional arguments"):
        task.wait_raw(1, 1, 1)


def test_timeout_zero_makes_one_pass(platform, platform_double):
    task = submit(platform, "disabled")
    assert task.wait(timeout=0)[0].counts == RAW_COUNTS
    assert len(platform_double.log("result")) == 1

    platform_double.set_state(results={task_id: running_item(task_id) for task_id in task.task_ids})
    with pytest.raises(BrevoraError, match=r"^Operation timed out after 0ns$"):
        task.wait(timeout=0, poll_interval=5)
    assert len(platform_double.log("result")) == 2


def test_timeout_names_the_limit_and_a_later_wait_starts_anew(platform, platform_double):
    task = submit(platform, "disabled")
    platform_double.set_state(results={task_id: running_item(task_id) for task_id in task.task_ids})
    with pytest.raises(BrevoraError, match=r"^Operation timed out after 200ms$"):
        task.wait(timeout=0.2, poll_interval=0.05)
    assert len(platform_double.log("result")) >= 3

    platform_double.set_state(results={task.task_ids[0]: {
        "experimentTaskId": task.task_ids[0], "status": 0, "resultStatus": [[3, 8], [1, 0], [1, 0], [0, 0]]}})
    assert task.wait(**FAST)[0].counts == {"01": 2, "00": 1}


def test_timeout_starts_after_the_configuration_download(platform, platform_double):
    task = submit(platform, "enabled")
    platform_double.script("config", {"fault": "stall", "seconds": 0.5})
    still_running = {"code": 0, "message": "success",
                     "data": {"experimentResultModelList": [running_item(task.task_ids[0])]}}
    platform_double.script("result", {"json": still_running})
    # The download alone outlasts the timeout; the first pass falls short, the second completes.
    [result] = task.wait(timeout=0.3, poll_interval=0.05)
    assert result.counts != RAW_COUNTS
    assert len(platform_double.log("result")) == 2


def test_status_is_one_uncorrected_pass(platform, platform_double):
    task = platform.get_backend("brevora311").run(["M Q0 Q1", "M Q0 Q1"], 1000, calibration_mode="enabled")
    first, second = task.task_ids
    platform_double.set_state(results={second: running_item(second)})
    [result] = task.status()
    assert (result.name, result.counts) == (first, RAW_COUNTS)
    assert len(platform_double.log("result")) == 1
    assert platform_double.log("config") == []


def test_other_threads_run_while_wait_waits(platform, platform_double):
    task = submit(platform, "disabled")
    task_id = task.task_ids[0]
    platform_double.set_state(results={task_id: running_item(task_id)})
    outcome = {}

    def waiter():
        try:
            outcome["results"] = task.wait(timeout=3.0, poll_interval=0.02)
        except BaseException as error:  # noqa: B036 - handed to the main thread
            outcome["error"] = error

    thread = threading.Thread(target=waiter)
    thread.start()
    # This thread needs the interpreter lock to finish the circuit on the double while the other
    # thread is inside wait(); were the lock held there, wait() would time out first.
    while not platform_double.log("result"):
        pass
    assert thread.is_alive()
    platform_double.set_state(results={task_id: {
        "experimentTaskId": task_id, "status": 0, "resultStatus": [[0], [1], [1], [0]]}})
    thread.join()
    assert "error" not in outcome, outcome.get("error")
    assert outcome["results"][0].counts == {"1": 2, "0": 1}


def test_text_signatures_and_docs():
    from norvi_brevora import TaskHandle
    assert TaskHandle.wait.__text_signature__ == "($self, timeout=120.0, poll_interval=5.0)"
    assert TaskHandle.wait_raw.__text_signature__ == "($self, timeout=120.0, poll_interval=5.0)"
    assert TaskHandle.status.__text_signature__ == "($self)"
    assert "interpreter lock is released" in TaskHandle.wait.__doc__
    assert "raw (uncalibrated) counts" in TaskHandle.wait_raw.__doc__
