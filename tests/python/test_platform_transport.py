"""How the platform is reached, seen through BrevoraPlatform.login: proxies from the environment at
request time, the trust store, and domains that cannot form a URL."""

import pytest

from norvi_brevora import BrevoraError, BrevoraPlatform

LOGIN_PATH = "/zelm-auth/oauth2/sdk/opnId"


def login(domain, tmp_path):
    return BrevoraPlatform.login("key-1", domain=domain, credentials_path=str(tmp_path / "c.json"))


@pytest.mark.parametrize("variables, through_proxy", [
    ({"HTTPS_PROXY": "{proxy}"}, True),
    ({"https_proxy": "{proxy}"}, True),
    ({"HTTPS_PROXY": "", "https_proxy": "{proxy}"}, True),
    ({"ALL_PROXY": "{proxy}"}, True),
    ({"HTTPS_PROXY": "{proxy}", "NO_PROXY": "127.0.0.1"}, False),
    ({"HTTPS_PROXY": "{proxy}", "no_proxy": "localhost,127.0.0.1"}, False),
    ({"HTTP_PROXY": "{proxy}"}, False),
], ids=["upper", "lower", "empty-upper", "all", "no-proxy", "lower-no-proxy", "http-only"])
def test_proxies_from_the_environment(platform_double, connect_proxy, tmp_path, monkeypatch, variables,
                                      through_proxy):
    for name, value in variables.items():
        monkeypatch.setenv(name, value.format(proxy=connect_proxy.url))
    login(platform_double.domain, tmp_path)
    assert connect_proxy.targets() == ([platform_double.domain] if through_proxy else [])
    assert [r["endpoint"] for r in platform_double.log()] == ["login"]


def test_an_untrusted_certificate_is_refused(platform_double, tmp_path):
    with pytest.raises(BrevoraError) as raised:
        login(platform_double.untrusted_domain, tmp_path)
    assert str(raised.value).startswith(
        f"HTTP request failed: error sending request for url (https://{platform_double.untrusted_domain}{LOGIN_PATH}): ")
    assert [r for r in platform_double.log() if r["listener"] == "untrusted"] == []
    assert not (tmp_path / "c.json").exists()


def test_the_trust_store_is_read_at_request_time(platform_double, tmp_path, monkeypatch):
    monkeypatch.setenv("SSL_CERT_FILE", str(tmp_path / "no-such-ca.pem"))
    with pytest.raises(BrevoraError, match=r"^HTTP request failed: error sending request"):
        login(platform_double.domain, tmp_path)
    monkeypatch.setenv("SSL_CERT_FILE", platform_double.ca_file)
    login(platform_double.domain, tmp_path)


@pytest.mark.parametrize("domain", ["127.0.0.1 :{port}", "127.0.0.1:{port}\0.evil", "127.0.0.1:port"],
                         ids=["space", "nul", "bad-port"])
def test_a_domain_that_cannot_form_a_url_sends_nothing(platform_double, tmp_path, domain):
    with pytest.raises(BrevoraError) as raised:
        login(domain.format(port=platform_double.port), tmp_path)
    assert str(raised.value).startswith("HTTP request failed: builder error: ")
    assert platform_double.log() == []
