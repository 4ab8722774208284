"""The submission entry points (BrevoraBackend.run, run_raw, run_with_mode, BrevoraPlatform.submit):
their argument conversions, deprecation warnings and the requests they send to the local double."""

import inspect
import json
import warnings

import pytest

from norvi_brevora import BrevoraError, BrevoraPlatform, CalibrationMode

CIRCUIT = "H Q1\nM Q1"
MODE_TYPE_TEXT = "calibration mode must be CalibrationMode or str ('auto', 'enabled', 'disabled')"


@pytest.fixture
def platform(platform_double):
    return BrevoraPlatform.login("submission-key", domain=platform_double.domain, save_credentials=False)


@pytest.fixture
def backend(platform):
    return platform.get_backend("brevora311")


@pytest.fixture
def simulator(platform):
    return platform.get_backend("brevora_sim")


def sent_bodies(platform_double):
    requests = platform_double.log("submit")
    assert all(r["violations"] == [] for r in requests)
    return [json.loads(r["body"]) for r in requests]


class Weird:
    def __index__(self):
        return 3


@pytest.mark.parametrize("args, kwargs, error, text, note", [
    (("H Q0", 1), {}, TypeError, "Can't extract `str` to `Vec`", "circuits"),
    (({"H Q0"}, 1), {}, TypeError, "'set' object is not an instance of 'Sequence'", "circuits"),
    (({"H Q0": 1}, 1), {}, TypeError, "'dict' object is not an instance of 'Sequence'", "circuits"),
    ((iter(["H Q0"]), 1), {}, TypeError, "'list_iterator' object is not an instance of 'Sequence'", "circuits"),
    ((["H Q0", 7], 1), {}, TypeError, "'int' object is not an instance of 'str'", "circuits"),
    ((["H Q0"], -1), {}, OverflowError, None, "shots"),
    ((["H Q0"], 2 ** 64), {}, OverflowError, None, "shots"),
    ((["H Q0"], 1.5), {}, TypeError, None, "shots"),
    ((["H Q0"], "5"), {}, TypeError, None, "shots"),
    ((["H Q0"], 1), {"calibration_mode": None}, TypeError, MODE_TYPE_TEXT, "calibration_mode"),
    ((["H Q0"], 1), {"calibration_mode": 0}, TypeError, MODE_TYPE_TEXT, "calibration_mode"),
    ((["H Q0"], 1), {"calibration_mode": "Auto"}, ValueError,
     "Unknown CalibrationMode 'Auto'; expected 'auto', 'enabled', or 'disabled'", "calibration_mode"),
    # The circuits are converted first.
    (("H Q0", -1), {"calibration_mode": None}, TypeError, "Can't extract `str` to `Vec`", "circuits"),
])
def test_run_argument_conversions(backend, platform_double, args, kwargs, error, text, note):
    with pytest.raises(error) as raised:
        backend.run(*args, **kwargs)
    assert type(raised.value) is error
    if text is not None:
        assert str(raised.value) == text
    assert raised.value.__notes__ == [f"while processing '{note}'"]
    assert platform_double.log("submit") == []


@pytest.mark.parametrize("circuits, shots, text", [
    ([], 10, "Invalid input: circuit list must not be empty"),
    ([], 0, "Invalid input: circuit list must not be empty"),
    ([CIRCUIT], 0, "Invalid input: shots must be greater than zero"),
])
def test_client_checks_are_brevora_errors(backend, platform_double, circuits, shots, text):
    with pytest.raises(BrevoraError) as raised:
        backend.run(circuits, shots)
    assert str(raised.value) == text
    assert platform_double.log("submit") == []


def test_accepted_shot_and_circuit_forms(backend, platform_double):
    backend.run([CIRCUIT], True)
    backend.run((CIRCUIT, ""), Weird())
    backend.run([CIRCUIT], 2 ** 64 - 1)
    bodies = sent_bodies(platform_double)
    assert [(b["circuit"], b["shots"]) for b in bodies] == [
        ([CIRCUIT], 1), ([CIRCUIT, ""], 3), ([CIRCUIT], 2 ** 64 - 1)]
    assert {b["computerCode"] for b in bodies} == {"brevora311"}


def test_calibration_mode_forms(simulator, platform_double):
    # "enabled" cannot be had on a simulator; the other two can, as a str or as an object.
    for mode in ("enabled", CalibrationMode("enabled")):
        with pytest.raises(BrevoraError, match="^Invalid input: readout calibration is only supported for "
                                               "superconducting devices: brevora_sim$"):
            simulator.run([CIRCUIT], 1, calibration_mode=mode)
    for mode in ("auto", "disabled", CalibrationMode("disabled"), CalibrationMode("auto")):
        simulator.run([CIRCUIT], 1, calibration_mode=mode)
    assert len(platform_double.log("submit")) == 4


@pytest.mark.filterwarnings("ignore::DeprecationWarning")
def test_run_with_mode_none_means_auto(platform, simulator, platform_double):
    simulator.run_with_mode([CIRCUIT], 1, None)
    simulator.run_with_mode([CIRCUIT], 1)
    with pytest.raises(BrevoraError, match="readout calibration is only supported"):
        simulator.run_with_mode([CIRCUIT], 1, mode="enabled")
    photon = platform.get_backend("brevora-photon")
    with pytest.raises(BrevoraError, match="^Invalid input: task submission is only supported for superconducting "
                                           "devices and simulators: brevora-photon$"):
        photon.run_with_mode([CIRCUIT], 1, None)
    with pytest.raises(ValueError) as raised:
        simulator.run_with_mode([CIRCUIT], 1, "off")
    assert raised.value.__notes__ == ["while processing 'mode'"]
    assert len(platform_double.log("submit")) == 2


DEPRECATED = [
    ("run_raw", "run_raw() is deprecated; use run(..., calibration_mode='disabled')", ()),
    ("run_with_mode", "run_with_mode() is deprecated; use run(..., calibration_mode=mode)", ("auto",)),
]


@pytest.mark.parametrize("method, message, extra", DEPRECATED)
def test_deprecated_methods_warn_at_the_callers_line(backend, platform_double, method, message, extra):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        line = inspect.currentframe().f_lineno + 1
        task = getattr(backend, method)([CIRCUIT], 5, *extra)
    assert [(w.category, str(w.message)) for w in caught] == [(DeprecationWarning, message)]
    assert (caught[0].filename, caught[0].lineno) == (__file__, line)
    assert task.task_ids == ["task-1"]
    assert len(platform_double.log("submit")) == 1


@pytest.mark.parametrize("method, message, extra", DEPRECATED)
def test_deprecation_as_error_sends_nothing(backend, platform_double, method, message, extra):
    with warnings.catch_warnings():
        warnings.simplefilter("error", DeprecationWarning)
        with pytest.raises(DeprecationWarning, match=message.replace("(", r"\(").replace(")", r"\)")):
            getattr(backend, method)([CIRCUIT], 5, *extra)
    assert platform_double.log("submit") == []


@pytest.mark.parametrize("method, message, extra", DEPRECATED)
def test_conversion_error_comes_without_warning(backend, method, message, extra):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        with pytest.raises(OverflowError):
            getattr(backend, method)([CIRCUIT], -1, *extra)
    assert caught == []


def test_platform_submit_sends_the_name_without_listing(platform, platform_double):
    task = platform.submit([CIRCUIT, CIRCUIT], 1000, "brevora-unlisted", calibration_mode="disabled")
    assert (task.device_name, task.shots, task.task_ids) == ("brevora-unlisted", 1000, ["task-1", "task-2"])
    assert platform_double.log("list") == []
    assert [b["computerCode"] for b in sent_bodies(platform_double)] == ["brevora-unlisted"]
    with pytest.raises(BrevoraError, match=r"^Device not found: 'nowhere'$"):
        platform.submit([CIRCUIT], 1, "nowhere", calibration_mode="disabled")
    with pytest.raises(TypeError) as raised:
        platform.submit([CIRCUIT], 1, b"brevora311")
    assert raised.value.__notes__ == ["while processing 'device_name'"]
    with pytest.raises(TypeError) as raised:
        platform.submit([CIRCUIT], 1, "brevora311", calibration_mode=None)
    assert raised.value.__notes__ == ["while processing 'calibration_mode'"]


def test_binding_of_the_parameters(platform, backend):
    with pytest.raises(TypeError, match=r"^BrevoraBackend\.run\(\) missing 2 required positional arguments: "
                                        r"'circuits' and 'shots'$"):
        backend.run()
    with pytest.raises(TypeError, match=r"^BrevoraBackend\.run\(\) takes 2 positional arguments but 3 were given$"):
        backend.run([CIRCUIT], 1, "auto")
    with pytest.raises(TypeError, match=r"^BrevoraBackend\.run_raw\(\) got an unexpected keyword argument 'mode'$"):
        backend.run_raw([CIRCUIT], 1, mode="auto")
    with pytest.raises(TypeError, match=r"^BrevoraPlatform\.submit\(\) missing 1 required positional argument: "
                                        r"'device_name'$"):
        platform.submit([CIRCUIT], 1)
    assert backend.run.__text_signature__ == "($self, circuits, shots, *, calibration_mode='auto')"
    assert backend.run_raw.__text_signature__ == "($self, circuits, shots)"
    assert backend.run_with_mode.__text_signature__ == "($self, circuits, shots, mode=None)"
    assert platform.submit.__text_signature__ == "($self, circuits, shots, device_name, *, calibration_mode='auto')"


def test_batches_of_fifty(backend, platform_double):
    task = backend.run([f"X Q{i}" for i in range(120)], 1000)
    assert [len(b["circuit"]) for b in sent_bodies(platform_double)] == [50, 50, 20]
    assert task.task_ids == [f"task-{i}" for i in range(1, 121)]


def test_failing_later_batch_fails_the_submission_and_names_the_accepted_tasks(backend, platform_double):
    platform_double.script("submit", {}, {"json": {"code": 17, "message": "quota exceeded"}})
    with pytest.raises(BrevoraError) as raised:
        backend.run([CIRCUIT] * 51, 10)
    assert str(raised.value) == "API error (code=17): quota exceeded"
    accepted = ", ".join(f"task-{i}" for i in range(1, 51))
    assert raised.value.__notes__ == [f"tasks accepted by the platform before the failure: {accepted}"]
    # A failure of the first batch has nothing to name.
    platform_double.script("submit", {"json": {"code": 17, "message": "quota exceeded"}})
    with pytest.raises(BrevoraError) as raised:
        backend.run([CIRCUIT], 10)
    assert not hasattr(raised.value, "__notes__")
