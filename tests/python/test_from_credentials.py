"""BrevoraPlatform.from_credentials: reading and decoding the credentials file, the token's age, and
the renewal it may need."""

import json
import os
import subprocess
import sys
import time

import pytest

import norvi_brevora
from norvi_brevora import BrevoraError, BrevoraPlatform

EXPIRED = "Authentication failed: access token has expired; set auto_refresh=true or call login() again"
I64_MIN = -2**63


def write(path, obtained_at, key="saved-key", token="saved-token"):
    path.write_text(json.dumps({"api_key": key, "access_token": token, "token_obtained_at": obtained_at}))


def from_file(double, path, **kwargs):
    return BrevoraPlatform.from_credentials(domain=double.domain, credentials_path=str(path), **kwargs)


def within_one_second(double, call):
    """Runs call(now) until the wall clock's second did not change during it (at most a few times)."""
    for _ in range(5):
        now = int(time.time())
        outcome = call(now)
        if int(time.time()) == now:
            return outcome
        double.reset()
    pytest.fail("the clock kept turning a second during the call")


@pytest.fixture
def path(tmp_path):
    return tmp_path / "credentials.json"


def test_a_missing_file(platform_double, path):
    with pytest.raises(BrevoraError) as raised:
        from_file(platform_double, path)
    assert str(raised.value) == (
        f"Authentication failed: could not read credentials from {path}: No such file or directory (os error 2)")


def sparse_file(path, size):
    with open(path, "wb") as f:
        f.truncate(size)


@pytest.mark.parametrize("prepare, reason", [
    (lambda p: p.mkdir(), "Is a directory (os error 21)"),
    (lambda p: p.write_bytes(b'{"api_key": "caf\xe9"}'), "stream did not contain valid UTF-8"),
    (lambda p: sparse_file(p, 2 << 20), "larger than 1 MiB"),
    ("socket", "not a regular file"),
], ids=["directory", "invalid-utf8", "over-1-MiB", "socket"])
def test_a_file_that_cannot_be_read(platform_double, path, socket_node, prepare, reason):
    if prepare == "socket":
        socket_node(path)
    else:
        prepare(path)
    with pytest.raises(BrevoraError) as raised:
        from_file(platform_double, path)
    assert str(raised.value) == f"Authentication failed: could not read credentials from {path}: {reason}"
    assert platform_double.log() == []


def test_a_file_of_1_mib_is_read(platform_double, path):
    record = json.dumps({"api_key": "k", "access_token": "t", "token_obtained_at": int(time.time())})
    path.write_text(record.ljust(1 << 20))
    from_file(platform_double, path)
    assert platform_double.log() == []


# Reading a FIFO that no one writes would block for good, with the interpreter lock held: the call runs
# in a child process so that such a block fails the test instead of hanging it.
FIFO_READER = """
import sys
from norvi_brevora import BrevoraError, BrevoraPlatform
try:
    BrevoraPlatform.from_credentials(domain=sys.argv[1], credentials_path=sys.argv[2])
except BrevoraError as error:
    print(error)
"""


@pytest.mark.parametrize("link", [False, True], ids=["fifo", "link-to-fifo"])
def test_a_fifo_is_refused_without_blocking(platform_double, tmp_path, link):
    os.mkfifo(tmp_path / "fifo")
    path = tmp_path / "c.json" if link else tmp_path / "fifo"
    if link:
        os.symlink("fifo", path)
    package_root = os.path.dirname(os.path.dirname(norvi_brevora.__file__))
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([package_root, os.environ.get("PYTHONPATH", "")]))
    try:
        child = subprocess.run([sys.executable, "-c", FIFO_READER, platform_double.domain, str(path)], env=env,
                               capture_output=True, text=True, timeout=20)
    except subprocess.TimeoutExpired:
        pytest.fail("from_credentials blocked on a FIFO")
    assert child.returncode == 0, child.stderr
    assert child.stdout == f"Authentication failed: could not read credentials from {path}: not a regular file\n"
    assert platform_double.log() == []


def test_a_renewal_through_a_link_replaces_the_file_it_names(platform_double, tmp_path):
    (tmp_path / "real").mkdir()
    write(tmp_path / "real" / "c.json", 0)
    link = tmp_path / "c.json"
    os.symlink("real/c.json", link)
    from_file(platform_double, link)
    assert [r["endpoint"] for r in platform_double.log()] == ["login"]
    assert link.is_symlink()
    assert json.loads(link.read_text())["access_token"] == "tok-1"
    assert os.stat(link).st_mode & 0o777 == 0o600


@pytest.mark.parametrize("kind", ["memfd", "deleted-file"])
def test_a_descriptor_link_reads_the_open_file(platform_double, tmp_path, kind):
    """As cat reads /proc/self/fd/N: the kernel's link leads to the open file, whatever its text says."""
    if kind == "memfd":
        fd = os.memfd_create("credentials.json")
    else:
        fd = os.open(tmp_path / "c.json", os.O_RDWR | os.O_CREAT, 0o600)
        os.unlink(tmp_path / "c.json")
    try:
        os.write(fd, json.dumps({"api_key": "k", "access_token": "t", "token_obtained_at": int(time.time())}).encode())
        platform = from_file(platform_double, f"/proc/self/fd/{fd}")
    finally:
        os.close(fd)
    assert repr(platform) == f"BrevoraPlatform(url='https://{platform_double.domain}')"
    assert platform_double.log() == []


@pytest.mark.parametrize("path", ["sticky/c.json", "sticky/dlink/c.json"], ids=["last-link", "directory-link"])
def test_a_strangers_link_in_a_sticky_folder_is_not_read_through(platform_double, tmp_path, path):
    """As the writer refuses to follow it, wherever it stands on the path."""
    if os.geteuid() != 0:
        pytest.skip("needs root to give a link another owner")
    (tmp_path / "elsewhere").mkdir()
    write(tmp_path / "elsewhere" / "c.json", int(time.time()))
    (tmp_path / "sticky").mkdir()
    os.chmod(tmp_path / "sticky", 0o1777)
    os.symlink("../elsewhere/c.json", tmp_path / "sticky" / "c.json")
    os.symlink("../elsewhere", tmp_path / "sticky" / "dlink")
    for link in ("c.json", "dlink"):
        os.lchown(tmp_path / "sticky" / link, 4242, 4242)
    with pytest.raises(BrevoraError) as raised:
        from_file(platform_double, tmp_path / path)
    assert str(raised.value) == (
        f"Authentication failed: could not read credentials from {tmp_path / path}: Permission denied (os error 13)")
    assert platform_double.log() == []


def test_a_path_holding_a_nul_byte_is_not_cut_short(platform_double, path):
    write(path, int(time.time()))  # the file the path would name if it were cut at the NUL
    with pytest.raises(BrevoraError) as raised:
        from_file(platform_double, f"{path}\0.bak")
    assert str(raised.value) == (
        f"Authentication failed: could not read credentials from {path}\0.bak: "
        "file name contained an unexpected NUL byte")


@pytest.mark.parametrize("text, error", [
    ("", "EOF while parsing a value at line 1 column 0"),
    ("  \n", "EOF while parsing a value at line 2 column 0"),
    ('{"api_key": "k", "access_token": "t", "token_obtained_at": "1700000000"}',
     'invalid type: string "1700000000", expected i64 at line 1 column 71'),
    ('{"api_key": "k", "access_token": "t", "token_obtained_at": 1.5}',
     "invalid type: floating point `1.5`, expected i64 at line 1 column 62"),
    ('{"api_key": "k", "access_token": null, "token_obtained_at": 1}',
     "invalid type: null, expected a string at line 1 column 37"),
    ('{"api_key": "k", "token_obtained_at": 1}', "missing field `access_token` at line 1 column 40"),
    ('{"api_key": "k", "api_key": "k"}', "duplicate field `api_key` at line 1 column 26"),
    ('{"api_key": "k", "access_token": "t", "token_obtained_at": 9223372036854775808}',
     "invalid value: integer `9223372036854775808`, expected i64 at line 1 column 78"),
    ('["k", "t"]', "invalid length 2, expected struct Credentials with 3 elements at line 1 column 10"),
    ('"k"', 'invalid type: string "k", expected struct Credentials at line 1 column 3'),
    ('{"api_key": "k", "access_token": "t", "token_obtained_at": 1} x', "trailing characters at line 1 column 63"),
])
def test_a_file_that_does_not_decode(platform_double, path, text, error):
    path.write_text(text)
    with pytest.raises(BrevoraError) as raised:
        from_file(platform_double, path)
    assert str(raised.value) == "JSON error: " + error
    assert platform_double.log() == []


@pytest.mark.parametrize("text", [
    '{{"comment": {{"any": [1, null]}}, "api_key": "k", "access_token": "t", "token_obtained_at": {now}}}',
    '  ["k", "t", {now}]\n',
], ids=["extra-key", "array-form"])
def test_other_accepted_forms(platform_double, path, text):
    path.write_text(text.format(now=int(time.time())))
    assert repr(from_file(platform_double, path)) == f"BrevoraPlatform(url='https://{platform_double.domain}')"
    assert platform_double.log() == []


def test_a_token_10799_seconds_old_is_used_as_it_is(platform_double, path):
    def call(now):
        write(path, now - 10799)
        before = path.read_bytes()
        from_file(platform_double, path)
        return before

    before = within_one_second(platform_double, call)
    assert platform_double.log() == []
    assert path.read_bytes() == before


@pytest.mark.parametrize("obtained_at", [lambda now: now + 86400, lambda now: 2**63 - 1],
                         ids=["future", "largest"])
def test_a_time_stamp_in_the_future_counts_as_fresh(platform_double, path, obtained_at):
    write(path, obtained_at(int(time.time())))
    from_file(platform_double, path, auto_refresh=False)
    assert platform_double.log() == []


@pytest.mark.parametrize("obtained_at", [lambda now: now - 10800, lambda now: 0, lambda now: I64_MIN],
                         ids=["at-the-limit", "epoch", "smallest"])
def test_an_expired_token_without_auto_refresh(platform_double, path, obtained_at):
    write(path, obtained_at(int(time.time())))
    with pytest.raises(BrevoraError) as raised:
        from_file(platform_double, path, auto_refresh=False)
    assert str(raised.value) == EXPIRED
    assert platform_double.log() == []


def test_an_expired_token_is_renewed_with_the_saved_key_and_saved(platform_double, path):
    def call(now):
        write(path, now - 10800, key="saved key&")
        return from_file(platform_double, path)

    platform = within_one_second(platform_double, call)
    assert repr(platform) == f"BrevoraPlatform(url='https://{platform_double.domain}')"
    [request] = platform_double.log()
    assert request["endpoint"] == "login"
    assert request["body"] == "grant_type=openId&openId=saved+key%26&account_type=member"
    saved = json.loads(path.read_text())
    assert (saved["api_key"], saved["access_token"]) == ("saved key&", "tok-1")
    assert abs(saved["token_obtained_at"] - time.time()) < 5
    assert os.stat(path).st_mode & 0o777 == 0o600


def test_a_renewal_without_save_credentials_leaves_the_file_unchanged(platform_double, path):
    write(path, I64_MIN)
    before = path.read_bytes()
    from_file(platform_double, path, save_credentials=False)
    assert [r["endpoint"] for r in platform_double.log()] == ["login"]
    assert path.read_bytes() == before


def test_a_renewal_that_is_refused(platform_double, path):
    write(path, 0, key="bad-key")
    platform_double.set_state(reject_keys=["bad-key"])
    with pytest.raises(BrevoraError, match=r"^Authentication failed: invalid api key$"):
        from_file(platform_double, path)
    assert json.loads(path.read_text())["access_token"] == "saved-token"


def test_without_domain_the_default_host_is_shown(platform_double, path, monkeypatch):
    monkeypatch.setenv("HOME", str(path.parent))
    default_path = path.parent / ".norvi" / "brevora" / "credentials.json"
    default_path.parent.mkdir(parents=True)
    write(default_path, int(time.time()))
    assert repr(BrevoraPlatform.from_credentials()) == "BrevoraPlatform(url='https://quantum.brevora.com')"


def test_from_credentials_takes_keywords_only(platform_double, path):
    assert BrevoraPlatform.from_credentials.__text_signature__ == (
        "(*, domain=None, save_credentials=None, auto_refresh=None, credentials_path=None)")
    with pytest.raises(TypeError) as raised:
        BrevoraPlatform.from_credentials(platform_double.domain)
    assert str(raised.value) == "BrevoraPlatform.from_credentials() takes 0 positional arguments but 1 was given"
    with pytest.raises(TypeError) as raised:
        BrevoraPlatform.from_credentials(auto_refresh=0)
    assert raised.value.__notes__ == ["while processing 'auto_refresh'"]
