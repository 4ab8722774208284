"""The module boundary: the exec step and its class table, the shape of the classes, BrevoraError, and
the binding's own machinery (argument binder, conversions, entry guard, payload objects), the latter
driven through the test probe extension built beside the module."""

import importlib.util
import pathlib
import subprocess
import sys
import weakref
from fractions import Fraction

import pytest

import _norvi_brevora
import norvi_brevora

CLASS_NAMES = [
    "BrevoraError", "BrevoraPlatform", "BrevoraBackend", "TaskHandle", "BrevoraConfig",
    "DeviceStatus", "DeviceType", "DeviceToll", "CalibrationMode",
]
PAYLOAD_CLASSES = CLASS_NAMES[1:]
WITHOUT_CONSTRUCTOR = ["BrevoraPlatform", "BrevoraBackend", "TaskHandle", "DeviceStatus", "DeviceType", "DeviceToll"]


# ---- the module and its classes

def test_module_holds_exactly_the_nine_classes_in_order():
    assert _norvi_brevora.__all__ == CLASS_NAMES
    assert norvi_brevora.__all__ == CLASS_NAMES
    assert _norvi_brevora.__doc__ == ""
    own = {name for name in vars(_norvi_brevora)
           if name not in {"__name__", "__doc__", "__package__", "__loader__", "__spec__", "__file__"}}
    assert own == set(CLASS_NAMES) | {"__all__"}
    for name in CLASS_NAMES:
        cls = getattr(_norvi_brevora, name)
        assert getattr(norvi_brevora, name) is cls
        assert cls.__module__ == "norvi_brevora"
        assert cls.__qualname__ == name
        assert cls.__name__ == name


def fresh_module_object():
    spec = importlib.util.find_spec("_norvi_brevora")
    return spec, importlib.util.module_from_spec(spec)


def test_every_module_object_gets_the_same_type_objects():
    spec, module = fresh_module_object()
    spec.loader.exec_module(module)
    assert module is not _norvi_brevora
    assert module.__all__ == CLASS_NAMES
    for name in CLASS_NAMES:
        assert getattr(module, name) is getattr(_norvi_brevora, name)


def test_exec_step_appends_to_an_existing_all_list():
    spec, module = fresh_module_object()
    module.__all__ = ["earlier"]
    spec.loader.exec_module(module)
    assert module.__all__ == ["earlier"] + CLASS_NAMES


def test_exec_step_refuses_an_all_that_is_not_a_list():
    spec, module = fresh_module_object()
    module.__all__ = ("BrevoraError",)
    with pytest.raises(TypeError) as caught:
        spec.loader.exec_module(module)
    assert str(caught.value) == "'tuple' object is not an instance of 'list'"
    assert not hasattr(module, "BrevoraError")  # the first failure aborts before any attribute is set


def test_import_starts_no_thread():
    code = ("import os, threading, _norvi_brevora; "
            "print(threading.active_count(), len(os.listdir('/proc/self/task')))")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True,
                         env={"PYTHONPATH": ":".join(sys.path)})
    assert out.stdout.split() == ["1", "1"]


def test_shared_object_exports_one_symbol():
    out = subprocess.run(["nm", "-D", "--defined-only", _norvi_brevora.__file__],
                         capture_output=True, text=True, check=True)
    symbols = [line.split()[-1] for line in out.stdout.splitlines() if line.strip()]
    assert symbols == ["PyInit__norvi_brevora"]


@pytest.mark.parametrize("name", WITHOUT_CONSTRUCTOR)
def test_classes_without_constructor_cannot_be_called(name):
    cls = getattr(norvi_brevora, name)
    with pytest.raises(TypeError):
        cls()
    with pytest.raises(TypeError):
        cls.__new__(cls)


@pytest.mark.parametrize("name", PAYLOAD_CLASSES)
def test_payload_classes_are_final(name):
    cls = getattr(norvi_brevora, name)
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    assert "__dict__" not in dir(cls)
    assert "__weakref__" not in dir(cls)


def test_objects_take_no_new_attributes_and_no_weak_references():
    config = norvi_brevora.BrevoraConfig()
    with pytest.raises(AttributeError):
        config.anything = 1
    with pytest.raises(TypeError):
        weakref.ref(config)


def test_brevora_error_is_a_plain_runtime_error_subclass():
    error = norvi_brevora.BrevoraError
    assert error.__mro__[1] is RuntimeError
    assert error.__basicsize__ == RuntimeError.__basicsize__
    raised = error("Device not found: 'x'")
    assert str(raised) == "Device not found: 'x'"
    assert raised.args == ("Device not found: 'x'",)

    class Narrower(error):
        pass

    with pytest.raises(RuntimeError) as caught:
        raise Narrower("boom")
    assert isinstance(caught.value, error) and str(caught.value) == "boom"


# ---- the boundary machinery, through the probe

@pytest.fixture(scope="module")
def probe():
    here = pathlib.Path(_norvi_brevora.__file__).resolve().parent.parent / "binding-probe"
    sys.path.insert(0, str(here))
    try:
        return importlib.import_module("_norvi_binding_probe")
    finally:
        sys.path.remove(str(here))


MISSING = object()

# (qualified name, Python parameter list, parameters as (name, keyword_only, required))
SIGNATURES = {
    "login": ("BrevoraPlatform.login",
              "api_key, *, domain=M, save_credentials=M, auto_refresh=M, credentials_path=M",
              [("api_key", False, True), ("domain", True, False), ("save_credentials", True, False),
               ("auto_refresh", True, False), ("credentials_path", True, False)]),
    "from_credentials": ("BrevoraPlatform.from_credentials", "*, domain=M, credentials_path=M",
                         [("domain", True, False), ("credentials_path", True, False)]),
    "get_backend": ("BrevoraPlatform.get_backend", "name", [("name", False, True)]),
    "submit": ("BrevoraPlatform.submit", "circuits, shots, device_name, *, calibration_mode=M",
               [("circuits", False, True), ("shots", False, True), ("device_name", False, True),
                ("calibration_mode", True, False)]),
    "wait": ("TaskHandle.wait", "timeout=M, poll_interval=M",
             [("timeout", False, False), ("poll_interval", False, False)]),
    "mixed": ("Probe.mixed", "a, b, c, d=M, *, x, y, z, w=M",
              [("a", False, True), ("b", False, True), ("c", False, True), ("d", False, False),
               ("x", True, True), ("y", True, True), ("z", True, True), ("w", True, False)]),
}

CALLS = [
    ((), {}), ((1,), {}), ((1, 2), {}), ((1, 2, 3), {}), ((1, 2, 3, 4), {}), ((1, 2, 3, 4, 5), {}),
    ((1, 2, 3, 4, 5, 6), {"x": 1}), ((1, 2, 3, 4, 5), {"x": 1, "y": 2}),
    ((), {"api_key": 1}), ((1,), {"api_key": 2}), ((), {"name": 1, "nome": 2}), ((1,), {"foo": 1}),
    ((), {"domain": 1}), ((1,), {"domain": 1, "credentials_path": 2}),
    ((1, 2), {"device_name": 3}), ((1, 2), {"calibration_mode": 3}), ((1, 2, 3), {"calibration_mode": 3}),
    ((1, 2, 3, 4, 5), {"calibration_mode": 1}), ((1, 2, 3), {"x": 1, "y": 2, "z": 3}),
    ((1, 2, 3), {"x": 1}), ((1,), {"x": 1, "y": 2, "z": 3}), ((), {"timeout": 1, "poll_interval": 2}),
    ((1,), {"timeout": 2}), ((), {"a": 1, "b": 2, "c": 3, "x": 4, "y": 5, "z": 6, "w": 7}),
]


def python_twin(qualname, parameters):
    namespace = {"M": MISSING}
    names = [p.split("=")[0].strip() for p in parameters.split(",") if p.strip() not in ("*", "")]
    body = "return {k: v for k, v in {%s}.items() if v is not M}" % ", ".join(f"'{n}': {n}" for n in names)
    exec(f"def twin({parameters}):\n    {body}\n", namespace)
    namespace["twin"].__qualname__ = qualname
    return namespace["twin"]


def outcome(function, *arguments, **keywords):
    try:
        return function(*arguments, **keywords)
    except TypeError as error:
        return ("TypeError", str(error))


def expected_binding(qualname, table, twin, args, kwargs):
    """The interpreter's own outcome, in the module's wording: "positional arguments" whatever the count, no
    "(and N keyword-only arguments)" part, "keyword" for keyword-only parameters, and too many positional
    arguments reported before any keyword problem."""
    positional = [p for p in table if not p[1]]
    if len(args) > len(positional):
        required = sum(1 for p in positional if p[2])
        takes = f"from {required} to {len(positional)}" if required != len(positional) else f"{len(positional)}"
        verb = "was" if len(args) == 1 else "were"
        return ("TypeError", f"{qualname}() takes {takes} positional arguments but {len(args)} {verb} given")
    result = outcome(twin, *args, **kwargs)
    if isinstance(result, tuple):
        return (result[0], result[1].replace("required keyword-only argument", "required keyword argument"))
    return result


@pytest.mark.parametrize("key", SIGNATURES)
def test_binder_wording(probe, key):
    qualname, python_parameters, table = SIGNATURES[key]
    twin = python_twin(qualname, python_parameters)
    for args, kwargs in CALLS:
        expected = expected_binding(qualname, table, twin, args, kwargs)
        assert outcome(probe.bind_fast, qualname, table, args, kwargs) == expected, (args, kwargs)
        assert outcome(probe.bind_tuple, qualname, table, args, kwargs) == expected, (args, kwargs)


class NumpyBoolLookalike:
    def __init__(self, value):
        self.value = value

    def __bool__(self):
        return self.value


class bool_(NumpyBoolLookalike):  # noqa: N801 - named like numpy's scalar type
    __module__ = "numpy"


class NumpyTwo(NumpyBoolLookalike):
    __module__ = "numpy"


NumpyTwo.__name__ = "bool"


class TextSubclass(str):
    pass


class Index:
    def __index__(self):
        return 7


CONVERSIONS = [
    ("text", "héllo", "héllo"),
    ("text", TextSubclass("sub"), "sub"),
    ("text", 5, (TypeError, "'int' object is not an instance of 'str'")),
    ("text", b"bytes", (TypeError, "'bytes' object is not an instance of 'str'")),
    ("text", "\ud800", (UnicodeEncodeError, None)),
    ("optional_text", None, None),
    ("flag", True, True),
    ("flag", False, False),
    ("flag", bool_(True), True),
    ("flag", bool_(False), False),
    ("flag", NumpyTwo(True), True),
    ("flag", NumpyBoolLookalike(True), (TypeError, "'NumpyBoolLookalike' object is not an instance of 'bool'")),
    ("flag", 1, (TypeError, "'int' object is not an instance of 'bool'")),
    ("flag", None, (TypeError, "'NoneType' object is not an instance of 'bool'")),
    ("u64", 0, 0),
    ("u64", 2**64 - 1, 2**64 - 1),
    ("u64", True, 1),
    ("u64", Index(), 7),
    ("u64", -1, (OverflowError, "can't convert negative int to unsigned")),
    ("u64", 2**64, (OverflowError, "int too big to convert")),
    ("u64", 1.5, (TypeError, "'float' object cannot be interpreted as an integer")),
    ("f64", 3, 3.0),
    ("f64", 2.5, 2.5),
    ("f64", None, (TypeError, "must be real number, not NoneType")),
    ("f64", "1", (TypeError, "must be real number, not str")),
    ("text_list", ["H Q1", "M Q1"], ["H Q1", "M Q1"]),
    ("text_list", ("a", TextSubclass("b")), ["a", "b"]),
    ("text_list", [], []),
    ("text_list", "H Q1", (TypeError, "Can't extract `str` to `Vec`")),
    ("text_list", {"a"}, (TypeError, "'set' object is not an instance of 'Sequence'")),
    ("text_list", {"a": 1}, (TypeError, "'dict' object is not an instance of 'Sequence'")),
    ("text_list", iter(["a"]), (TypeError, "'list_iterator' object is not an instance of 'Sequence'")),
    ("text_list", ["a", 2], (TypeError, "'int' object is not an instance of 'str'")),
]


@pytest.mark.parametrize("kind, value, expected", CONVERSIONS)
def test_conversions(probe, kind, value, expected):
    if isinstance(expected, tuple):
        error_type, text = expected
        with pytest.raises(error_type) as caught:
            probe.convert(kind, value)
        if text is not None:
            assert str(caught.value) == text
        assert caught.value.__notes__ == ["while processing 'value'"]
    else:
        result = probe.convert(kind, value)
        assert result == expected and type(result) is type(expected)


class NoteRefused(Exception):
    def add_note(self, note):
        raise RuntimeError("no notes here")


class RaisesNoteRefused:
    def __index__(self):
        raise NoteRefused("from __index__")


def test_a_refused_note_leaves_the_exception_as_it_was(probe):
    with pytest.raises(NoteRefused) as caught:
        probe.convert("u64", RaisesNoteRefused())
    assert str(caught.value) == "from __index__"
    assert not hasattr(caught.value, "__notes__")


def exact_duration(seconds):
    nanoseconds = round(Fraction(seconds) * 10**9)  # half to even, exactly
    return divmod(nanoseconds, 10**9)


@pytest.mark.parametrize("seconds", [
    0.0, -0.0, 0.1, 0.3, 1.5, 120.0, 5.0, 1e-10, 5e-324, 2.5e-9, 1.5e-9, 5e-10, 0.9999999995, 0.9999999994999999,
    123456.789, 2.0**52 + 0.5, 2.0**53 - 1, 2.0**63, 2.0**64 - 2048,
])
def test_float_seconds_round_to_the_nearest_nanosecond(probe, seconds):
    whole, nanos, saturated = probe.seconds(seconds)
    assert (whole, nanos) == exact_duration(seconds)
    assert saturated == min(whole * 10**9 + nanos, 2**63 - 1)


@pytest.mark.parametrize("seconds, text", [
    (-1.0, "cannot convert float seconds to Duration: value is negative"),
    (-5e-324, "cannot convert float seconds to Duration: value is negative"),
    (float("-inf"), "cannot convert float seconds to Duration: value is negative"),
    (float("nan"), "cannot convert float seconds to Duration: value is either too big or NaN"),
    (float("inf"), "cannot convert float seconds to Duration: value is either too big or NaN"),
    (2.0**64, "cannot convert float seconds to Duration: value is either too big or NaN"),
])
def test_unusable_float_seconds_are_internal_faults(probe, seconds, text):
    with pytest.raises(BaseException) as caught:
        probe.seconds(seconds)
    assert type(caught.value) is probe.internal_fault()
    assert str(caught.value) == text


def test_internal_fault_is_no_exception_and_no_brevora_error(probe):
    fault = probe.internal_fault()
    assert fault.__mro__[1] is BaseException
    assert not issubclass(fault, Exception)
    assert fault.__module__ == "norvi_brevora" and fault.__qualname__ == "InternalFault"


def test_a_cpp_exception_inside_an_entry_becomes_an_internal_fault(probe):
    with pytest.raises(BaseException) as caught:
        probe.fault("invariant broken")
    assert type(caught.value) is probe.internal_fault()
    assert str(caught.value) == "invariant broken"


def test_client_errors_become_brevora_error_with_the_display_text(probe):
    with pytest.raises(RuntimeError) as caught:
        probe.client_error("bad key")
    assert type(caught.value) is probe.brevora_error()
    assert caught.value.args == ("Authentication failed: bad key",)


def test_payload_objects_borrow_and_drop_their_record(probe):
    before = probe.destroyed()
    counted = probe.make_counted("first")
    assert counted.label == "first"
    assert (counted.borrow_count(), counted.borrow_count()) == (1, 1)  # released after each call
    with pytest.raises(RuntimeError) as caught:
        counted.borrow_while_exclusive()
    assert str(caught.value) == "Already mutably borrowed"
    assert counted.borrow_count() == 1
    assert probe.destroyed() == before
    del counted
    assert probe.destroyed() == before + 1
    with pytest.raises(TypeError):
        probe.Counted()

