"""CalibrationMode: its constructor, texts, comparisons and hash."""

import pytest

from norvi_brevora import CalibrationMode

MODES = ["auto", "enabled", "disabled"]


@pytest.mark.parametrize("text", MODES)
def test_value_texts(text):
    mode = CalibrationMode(text)
    assert mode.value == text
    assert str(mode) == text
    assert repr(mode) == f"CalibrationMode('{text}')"
    assert CalibrationMode(value=text).value == text


@pytest.mark.parametrize("value, error, text", [
    ("Auto", ValueError, "Unknown CalibrationMode 'Auto'; expected 'auto', 'enabled', or 'disabled'"),
    (" auto", ValueError, "Unknown CalibrationMode ' auto'; expected 'auto', 'enabled', or 'disabled'"),
    ("", ValueError, "Unknown CalibrationMode ''; expected 'auto', 'enabled', or 'disabled'"),
    (0, TypeError, "'int' object is not an instance of 'str'"),
    (None, TypeError, "'NoneType' object is not an instance of 'str'"),
])
def test_constructor_refuses(value, error, text):
    with pytest.raises(error) as raised:
        CalibrationMode(value)
    assert str(raised.value) == text
    # Only the argument's type error names the argument; a bad text is the constructor's own error.
    notes = ["while processing 'value'"] if error is TypeError else None
    assert getattr(raised.value, "__notes__", None) == notes


def test_constructor_binding():
    with pytest.raises(TypeError):
        CalibrationMode()
    with pytest.raises(TypeError):
        CalibrationMode("auto", "enabled")
    assert CalibrationMode.__text_signature__ == "(value)"


def test_equality():
    auto = CalibrationMode("auto")
    assert auto == CalibrationMode("auto") and not auto != CalibrationMode("auto")
    assert auto == "auto" and "auto" == auto and not auto != "auto"
    assert auto != CalibrationMode("enabled")
    assert auto != "Auto"
    for other in (0, None, 1.5, b"auto", ["auto"]):
        assert (auto == other) is False
        assert (auto != other) is True


def test_ordering_raises():
    for op in ("<", "<=", ">", ">="):
        with pytest.raises(TypeError):
            eval(f"a {op} b", {"a": CalibrationMode("auto"), "b": CalibrationMode("enabled")})
    with pytest.raises(TypeError):
        CalibrationMode("auto") < "auto"


def test_hash_values():
    assert [hash(CalibrationMode(text)) for text in MODES] == [
        -5908151207435448895, -583484156030982573, -2924148476334536250]
    # Equal to its text but hashed apart from it: a mode does not find its text's dictionary entry.
    assert {CalibrationMode("auto"): 1}[CalibrationMode("auto")] == 1
    assert CalibrationMode("auto") not in {"auto": 1}


def test_immutable():
    with pytest.raises(AttributeError):
        CalibrationMode("auto").value = "enabled"
