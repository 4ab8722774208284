"""TaskHandle: what a submission returns, its getters, texts and time stamp."""

import datetime
import re

import pytest

from norvi_brevora import BrevoraPlatform, TaskHandle

SUBMITTED_AT = re.compile(r"^(\d{4,})-(\d\d)-(\d\d) (\d{1,2}):(\d\d):(\d\d)\.(\d{1,9}) \+00:00:00$")


@pytest.fixture
def backend(platform_double):
    platform = BrevoraPlatform.login("task-key", domain=platform_double.domain, save_credentials=False)
    return platform.get_backend("brevora311")


def test_getters_and_repr(backend):
    before = datetime.datetime.now(datetime.timezone.utc)
    task = backend.run([f"H Q{i}\nM Q{i}" for i in range(120)], 1000)
    after = datetime.datetime.now(datetime.timezone.utc)
    assert type(task) is TaskHandle
    assert task.task_ids == [f"task-{i}" for i in range(1, 121)]
    assert task.task_ids is not task.task_ids
    assert (task.device_name, task.shots) == ("brevora311", 1000)
    assert repr(task) == "TaskHandle(device='brevora311', shots=1000, n_circuits=120)"

    match = SUBMITTED_AT.match(task.submitted_at)
    assert match, task.submitted_at
    assert match.group(4) == str(int(match.group(4)))  # the hour is unpadded
    assert not match.group(7).endswith("0") or match.group(7) == "0"
    year, month, day, hour, minute, second = map(int, match.groups()[:6])
    micro = int(match.group(7).ljust(9, "0")[:6])
    stamp = datetime.datetime(year, month, day, hour, minute, second, micro, datetime.timezone.utc)
    assert before - datetime.timedelta(microseconds=1) <= stamp <= after
    assert task.submitted_at == task.submitted_at


def test_n_circuits_counts_the_ids_returned(backend, platform_double):
    platform_double.set_state(submit_ids="per_submission")
    task = backend.run(["H Q0"] * 120, 7)
    assert repr(task) == "TaskHandle(device='brevora311', shots=7, n_circuits=3)"


def test_read_only_and_docs(backend):
    task = backend.run(["H Q0"], 1)
    with pytest.raises(AttributeError):
        task.shots = 2
    docs = {name: getattr(TaskHandle, name).__doc__ for name in ("task_ids", "device_name", "shots", "submitted_at")}
    assert docs == {
        "task_ids": "Platform-assigned query IDs for all submitted circuits.",
        "device_name": "Name of the backend device used for the submission.",
        "shots": "Number of shots requested per circuit.",
        "submitted_at": "Submission timestamp in ISO 8601 format.",
    }
