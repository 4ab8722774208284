"""The authenticated road end to end through a platform object: real pauses between attempts, and a
renewal after a 401 that rewrites the credentials file. Runs once the platform object lists backends."""

import json
import time

import pytest

from norvi_brevora import BrevoraPlatform

pytestmark = pytest.mark.skipif(not hasattr(BrevoraPlatform, "list_backends"),
                                reason="the platform object has no API call yet")


def test_server_errors_are_retried_after_real_pauses(platform_double, tmp_path):
    platform = BrevoraPlatform.login("key-1", domain=platform_double.domain, save_credentials=False)
    platform_double.script("list", {"status": 503}, {"status": 503})
    started = time.monotonic()
    platform.list_backends()
    assert time.monotonic() - started >= 3
    times = [r["time"] for r in platform_double.log("list")]
    assert len(times) == 3
    assert times[1] - times[0] >= 1 and times[2] - times[1] >= 2


def test_a_401_renews_once_and_rewrites_the_file_even_without_save_credentials(platform_double, tmp_path):
    path = tmp_path / "c.json"
    platform = BrevoraPlatform.login("key-1", domain=platform_double.domain, save_credentials=False,
                                     credentials_path=str(path))
    assert not path.exists()
    platform_double.script("list", {"status": 401, "json": {"code": 401, "message": "token invalid"}})
    platform.list_backends()
    assert [r["endpoint"] for r in platform_double.log()] == ["login", "list", "login", "list"]
    assert json.loads(path.read_text())["access_token"] == "tok-2"
