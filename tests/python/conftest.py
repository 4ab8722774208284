"""Shared fixtures: the local platform double (a separate process) and a CONNECT proxy."""

import os
import socket
import sys

import pytest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "double"))

from launcher import ConnectProxy, PlatformDouble  # noqa: E402

# Variables that change which CA is trusted or which proxy is used; every test gets a known set.
CLEARED_VARIABLES = ("SSL_CERT_DIR", "CURL_CA_BUNDLE", "HTTPS_PROXY", "https_proxy", "HTTP_PROXY",
                     "http_proxy", "ALL_PROXY", "all_proxy", "NO_PROXY", "no_proxy", "REQUEST_METHOD")


@pytest.fixture(scope="session")
def platform_double_process(tmp_path_factory):
    double = PlatformDouble(tmp_path_factory.mktemp("platform-double"))
    yield double
    double.stop()


@pytest.fixture
def platform_double(platform_double_process, monkeypatch):
    """The double, reset, with SSL_CERT_FILE pointing at its CA and no proxy or other trust set."""
    platform_double_process.reset()
    monkeypatch.setenv("SSL_CERT_FILE", platform_double_process.ca_file)
    for name in CLEARED_VARIABLES:
        monkeypatch.delenv(name, raising=False)
    return platform_double_process


@pytest.fixture
def connect_proxy(tmp_path):
    proxy = ConnectProxy(tmp_path / "connect-proxy.log")
    yield proxy
    proxy.stop()


@pytest.fixture
def socket_node():
    """Makes a Unix socket node at a path (the socket itself is closed again; the node stays)."""
    def make(path):
        # A socket address holds a short path only: bind by the name relative to its folder.
        with socket.socket(socket.AF_UNIX) as sock:
            cwd = os.getcwd()
            os.chdir(path.parent)
            try:
                sock.bind(path.name)
            finally:
                os.chdir(cwd)
    return make
