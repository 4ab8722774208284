"""BrevoraConfig: defaults, given values, its texts, and its argument errors."""

import inspect
import os

import pytest

from norvi_brevora import BrevoraConfig

DEFAULT_HOST = "quantum.brevora.com"


@pytest.fixture
def home(tmp_path, monkeypatch):
    monkeypatch.setenv("HOME", str(tmp_path))
    return tmp_path


@pytest.mark.parametrize("make", [lambda: BrevoraConfig(), lambda: BrevoraConfig(None, None, None, None),
                                  lambda: BrevoraConfig(domain=None, credentials_path=None)])
def test_defaults(home, make):
    config = make()
    assert config.domain == DEFAULT_HOST
    assert config.base_url == "https://" + DEFAULT_HOST
    assert config.save_credentials is True
    assert config.auto_refresh is True
    assert config.credentials_path == f"{home}/.norvi/brevora/credentials.json"


def test_home_is_read_at_construction(tmp_path, monkeypatch):
    monkeypatch.setenv("HOME", str(tmp_path / "first") + "/")
    first = BrevoraConfig()
    monkeypatch.setenv("HOME", str(tmp_path / "second"))
    assert first.credentials_path == f"{tmp_path}/first/.norvi/brevora/credentials.json"
    assert BrevoraConfig().credentials_path == f"{tmp_path}/second/.norvi/brevora/credentials.json"


def test_a_path_that_is_not_utf8_is_shown_with_replacement_characters(monkeypatch):
    monkeypatch.setitem(os.environb, b"HOME", b"/tmp/caf\xe9")
    assert BrevoraConfig().credentials_path == "/tmp/caf\ufffd/.norvi/brevora/credentials.json"


def test_given_values_replace_the_defaults(home):
    config = BrevoraConfig("127.0.0.1:8443", False, auto_refresh=False, credentials_path="~/creds.json")
    assert config.domain == "127.0.0.1:8443"
    assert config.base_url == "https://127.0.0.1:8443"
    assert config.save_credentials is False
    assert config.auto_refresh is False
    assert config.credentials_path == "~/creds.json"  # no "~" expansion

    positional = BrevoraConfig("example.org", False)
    assert (positional.domain, positional.save_credentials, positional.auto_refresh) == ("example.org", False, True)
    assert BrevoraConfig(credentials_path="relative/c.json").credentials_path == "relative/c.json"
    assert BrevoraConfig(domain="").base_url == "https://"


@pytest.mark.parametrize("kwargs, text", [
    ({"save_credentials": False},
     f"BrevoraConfig(domain='{DEFAULT_HOST}', save_credentials=false, auto_refresh=true)"),
    ({"auto_refresh": False, "credentials_path": "/secret/path"},
     f"BrevoraConfig(domain='{DEFAULT_HOST}', save_credentials=true, auto_refresh=false)"),
    ({"domain": "it's\nhere"}, "BrevoraConfig(domain='it's\nhere', save_credentials=true, auto_refresh=true)"),
])
def test_repr_and_str(home, kwargs, text):
    config = BrevoraConfig(**kwargs)
    assert repr(config) == text
    assert str(config) == text
    assert "__str__" not in type(config).__dict__


@pytest.mark.parametrize("kwargs, parameter, text", [
    ({"save_credentials": 1}, "save_credentials", "'int' object is not an instance of 'bool'"),
    ({"auto_refresh": "yes"}, "auto_refresh", "'str' object is not an instance of 'bool'"),
    ({"domain": 5}, "domain", "'int' object is not an instance of 'str'"),
    ({"credentials_path": b"/tmp/c.json"}, "credentials_path", "'bytes' object is not an instance of 'str'"),
    ({"credentials_path": 1, "domain": 1, "auto_refresh": 1}, "domain", "'int' object is not an instance of 'str'"),
])
def test_argument_errors_name_the_parameter(kwargs, parameter, text):
    with pytest.raises(TypeError) as caught:
        BrevoraConfig(**kwargs)
    assert str(caught.value) == text
    assert caught.value.__notes__ == [f"while processing '{parameter}'"]


@pytest.mark.parametrize("args, kwargs, text", [
    (("a", True, True, "p", "extra"), {},
     "BrevoraConfig.__new__() takes from 0 to 4 positional arguments but 5 were given"),
    ((), {"host": "a"}, "BrevoraConfig.__new__() got an unexpected keyword argument 'host'"),
    (("a",), {"domain": "b"}, "BrevoraConfig.__new__() got multiple values for argument 'domain'"),
])
def test_binding_errors(args, kwargs, text):
    with pytest.raises(TypeError) as caught:
        BrevoraConfig(*args, **kwargs)
    assert str(caught.value) == text
    assert not hasattr(caught.value, "__notes__")


@pytest.mark.parametrize("name", ["domain", "base_url", "save_credentials", "auto_refresh", "credentials_path"])
def test_getters_are_read_only(name):
    config = BrevoraConfig()
    with pytest.raises(AttributeError):
        setattr(config, name, "x")
    with pytest.raises(AttributeError):
        delattr(config, name)


def test_docstring_carries_the_text_signature():
    signature = "(domain=None, save_credentials=None, auto_refresh=None, credentials_path=None)"
    assert BrevoraConfig.__text_signature__ == signature
    assert str(inspect.signature(BrevoraConfig)) == signature
    assert BrevoraConfig.__doc__.startswith("A client configuration")  # the signature lines are taken off
