"""BrevoraPlatform.login against the local double: what is sent, what is saved, its failures and its
argument handling."""

import inspect
import json
import os
import stat
import time

import pytest

from norvi_brevora import BrevoraError, BrevoraPlatform


def login(double, path, key="key-1", **kwargs):
    return BrevoraPlatform.login(key, domain=double.domain, credentials_path=str(path), **kwargs)


def headers_of(request):
    return {name.lower(): value for name, value in request["headers"]}


def test_the_key_is_sent_form_encoded_and_the_credentials_are_saved(platform_double, tmp_path):
    path = tmp_path / "missing" / "parents" / "credentials.json"
    before = int(time.time())
    platform = login(platform_double, path, key="a&b=c+d e~")
    after = int(time.time())

    assert repr(platform) == f"BrevoraPlatform(url='https://{platform_double.domain}')"
    [request] = platform_double.log()
    assert (request["endpoint"], request["method"], request["violations"]) == ("login", "POST", [])
    assert request["body"] == "grant_type=openId&openId=a%26b%3Dc%2Bd+e%7E&account_type=member"
    headers = headers_of(request)
    assert headers["content-type"] == "application/x-www-form-urlencoded"
    assert "basictoken" not in headers and "authorization" not in headers

    saved = json.loads(path.read_text())
    assert list(saved) == ["api_key", "access_token", "token_obtained_at"]
    assert (saved["api_key"], saved["access_token"]) == ("a&b=c+d e~", "tok-1")
    assert before <= saved["token_obtained_at"] <= after
    assert stat.S_IMODE(path.stat().st_mode) == 0o600


def test_a_key_holding_a_nul_byte_is_sent_whole(platform_double, tmp_path):
    login(platform_double, tmp_path / "c.json", key="a\0b")
    [request] = platform_double.log()
    assert request["body"] == "grant_type=openId&openId=a%00b&account_type=member"
    assert json.loads((tmp_path / "c.json").read_text())["api_key"] == "a\0b"


@pytest.mark.parametrize("answer, token", [
    ({"status": 500, "json": {"code": 0, "data": {"access_token": "tok-500"}}}, "tok-500"),
    ({"json": {"code": 0, "message": "ignored", "data": {"access_token": "", "extra": [1]}}}, ""),
    ({"json": [0, None, ["tok-array"]]}, "tok-array"),
], ids=["status-not-looked-at", "empty-token", "array-form"])
def test_any_answer_with_code_0_and_data_logs_in(platform_double, tmp_path, answer, token):
    platform_double.script("login", answer)
    login(platform_double, tmp_path / "c.json")
    assert json.loads((tmp_path / "c.json").read_text())["access_token"] == token


@pytest.mark.parametrize("answer, text", [
    ({"json": {"code": 7, "message": "invalid api key"}}, "Authentication failed: invalid api key"),
    ({"json": {"code": 7}}, "Authentication failed: login failed with code 7"),
    ({"json": {"code": 7, "message": None, "data": {"access_token": "t"}}},
     "Authentication failed: login failed with code 7"),
    ({"json": {"code": 7, "message": ""}}, "Authentication failed: "),
    ({"json": {"code": 0}}, "Authentication failed: login response missing 'data' field"),
    ({"json": {"code": 0, "data": None}}, "Authentication failed: login response missing 'data' field"),
    ({"json": {"message": "no code", "data": {"access_token": "t"}}},
     "HTTP request failed: error decoding response body: missing field `code` at line 1 column 49"),
    ({"json": {"code": 0, "data": {"token": "t"}}},
     "HTTP request failed: error decoding response body: missing field `access_token` at line 1 column 30"),
    ({"json": {"code": "0", "data": {"access_token": "t"}}},
     "HTTP request failed: error decoding response body: invalid type: string \"0\", expected i64 at line 1 column 11"),
    ({"status": 502, "body": "<html>bad gateway</html>"},
     "HTTP request failed: error decoding response body: expected value at line 1 column 1"),
], ids=["message", "no-message", "null-message", "empty-message", "no-data", "null-data", "no-code",
        "no-token", "code-as-text", "html"])
def test_failed_logins(platform_double, tmp_path, answer, text):
    platform_double.script("login", answer)
    with pytest.raises(BrevoraError) as raised:
        login(platform_double, tmp_path / "c.json")
    assert str(raised.value) == text
    assert isinstance(raised.value, RuntimeError)
    assert len(platform_double.log("login")) == 1
    assert not (tmp_path / "c.json").exists()


def test_a_rejected_key(platform_double, tmp_path):
    platform_double.set_state(reject_keys=["bad-key"])
    with pytest.raises(RuntimeError, match=r"^Authentication failed: invalid api key$"):
        login(platform_double, tmp_path / "c.json", key="bad-key")


def test_without_save_credentials_nothing_is_written(platform_double, tmp_path):
    path = tmp_path / "dir" / "c.json"
    login(platform_double, path, save_credentials=False)
    assert not (tmp_path / "dir").exists()
    assert len(platform_double.log("login")) == 1


def test_save_credentials_none_is_the_default(platform_double, tmp_path):
    login(platform_double, tmp_path / "c.json", save_credentials=None, auto_refresh=None)
    assert json.loads((tmp_path / "c.json").read_text())["access_token"] == "tok-1"


@pytest.mark.parametrize("path, text", [
    ("regular-file/c.json", "IO error: "),
    ("dir/c\0.json", "IO error: file name contained an unexpected NUL byte"),
], ids=["parent-is-a-file", "nul-in-path"])
def test_a_failed_write_fails_the_login_after_the_platform_accepted_the_key(platform_double, tmp_path, path, text):
    (tmp_path / "regular-file").write_text("x")
    with pytest.raises(BrevoraError) as raised:
        login(platform_double, str(tmp_path / path))
    assert str(raised.value).startswith(text)
    assert len(platform_double.log("login")) == 1
    assert not (tmp_path / "dir").exists()


@pytest.mark.parametrize("path", ["area/newdir/", "area/newdir/.", "area/newdir/..", "area/"])
def test_a_path_naming_a_directory_fails_and_makes_nothing(platform_double, tmp_path, path):
    with pytest.raises(BrevoraError) as raised:
        login(platform_double, f"{tmp_path}/{path}")
    assert str(raised.value) == "IO error: Is a directory (os error 21)"
    assert len(platform_double.log("login")) == 1
    assert os.listdir(tmp_path) == []


def test_a_descriptor_link_to_a_deleted_file_fails_the_write(platform_double, tmp_path):
    """No file named after the link's text ("c.json (deleted)") is made in its place."""
    fd = os.open(tmp_path / "c.json", os.O_RDWR | os.O_CREAT, 0o600)
    os.unlink(tmp_path / "c.json")
    try:
        with pytest.raises(BrevoraError) as raised:
            login(platform_double, f"/proc/self/fd/{fd}")
    finally:
        os.close(fd)
    assert str(raised.value) == (
        f"IO error: /proc/{os.getpid()}/fd/{fd} leads to an open file that no path names, which cannot be replaced")
    assert os.listdir(tmp_path) == []


def test_a_link_at_the_path_is_followed_and_stays(platform_double, tmp_path):
    """The file the links name receives the new token; the links stay links. A dangling link names the
    file to create."""
    (tmp_path / "real").mkdir()
    (tmp_path / "real" / "c.json").write_text("old token")
    os.symlink("real/c.json", tmp_path / "second")
    os.symlink("second", tmp_path / "c.json")
    os.symlink("real/new.json", tmp_path / "dangling.json")
    for token, path, target in [("tok-1", tmp_path / "c.json", tmp_path / "real" / "c.json"),
                                ("tok-2", tmp_path / "dangling.json", tmp_path / "real" / "new.json")]:
        login(platform_double, path)
        assert path.is_symlink()
        assert json.loads(target.read_text())["access_token"] == token
        assert stat.S_IMODE(os.lstat(target).st_mode) == 0o600
    assert (tmp_path / "second").is_symlink()
    assert sorted(os.listdir(tmp_path / "real")) == ["c.json", "new.json"]


def make_node(kind, path, socket_node):
    if kind == "fifo":
        os.mkfifo(path)
    elif kind == "socket":
        socket_node(path)
    elif kind == "directory":
        path.mkdir()
    elif kind == "link-to-fifo":
        os.mkfifo(path.parent / "fifo")
        os.symlink("fifo", path)


@pytest.mark.parametrize("kind, text", [
    ("fifo", "IO error: not a regular file"),
    ("socket", "IO error: not a regular file"),
    ("link-to-fifo", "IO error: not a regular file"),
    ("directory", "IO error: Is a directory (os error 21)"),
], ids=["fifo", "socket", "link-to-fifo", "directory"])
def test_a_path_that_is_not_a_regular_file_is_left_as_it_is(platform_double, tmp_path, socket_node, kind, text):
    path = tmp_path / "c.json"
    make_node(kind, path, socket_node)
    before = {name: os.lstat(tmp_path / name).st_mode for name in os.listdir(tmp_path)}
    with pytest.raises(BrevoraError) as raised:
        login(platform_double, path)
    assert str(raised.value) == text
    assert len(platform_double.log("login")) == 1
    assert {name: os.lstat(tmp_path / name).st_mode for name in os.listdir(tmp_path)} == before


def test_login_is_a_static_method_with_its_text_signature(platform_double, tmp_path):
    assert BrevoraPlatform.login.__text_signature__ == (
        "(api_key, *, domain=None, save_credentials=None, auto_refresh=None, credentials_path=None)")
    assert list(inspect.signature(BrevoraPlatform.login).parameters) == [
        "api_key", "domain", "save_credentials", "auto_refresh", "credentials_path"]
    platform = BrevoraPlatform.login(api_key="k", domain=platform_double.domain, save_credentials=False)
    again = platform.login("k", domain=platform_double.domain, save_credentials=False)
    assert type(again) is BrevoraPlatform
    assert len(platform_double.log("login")) == 2


@pytest.mark.parametrize("args, kwargs, error, note", [
    ((), {}, "BrevoraPlatform.login() missing 1 required positional argument: 'api_key'", None),
    (("k", "d"), {}, "BrevoraPlatform.login() takes 1 positional arguments but 2 were given", None),
    (("k",), {"color": 1}, "BrevoraPlatform.login() got an unexpected keyword argument 'color'", None),
    ((1,), {}, "'int' object is not an instance of 'str'", "while processing 'api_key'"),
    (("k",), {"domain": 1}, "'int' object is not an instance of 'str'", "while processing 'domain'"),
    (("k",), {"save_credentials": 1}, "'int' object is not an instance of 'bool'",
     "while processing 'save_credentials'"),
    (("k",), {"auto_refresh": "yes"}, "'str' object is not an instance of 'bool'", "while processing 'auto_refresh'"),
    (("k",), {"credentials_path": b"p"}, "'bytes' object is not an instance of 'str'",
     "while processing 'credentials_path'"),
])
def test_argument_errors_send_nothing(platform_double, args, kwargs, error, note):
    with pytest.raises(TypeError) as raised:
        BrevoraPlatform.login(*args, **kwargs)
    assert str(raised.value) == error
    assert getattr(raised.value, "__notes__", [None]) == [note]
    assert platform_double.log() == []
