"""Certificates of the platform double, made at start with the openssl command line.

Two independent chains: the trusted one (its CA is handed to the client through SSL_CERT_FILE) and
an untrusted one whose CA the client never sees. EC keys keep start-up fast.
"""

import os
import subprocess
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass

_CA_CONFIG = """\
[req]
distinguished_name = dn
prompt = no
[dn]
CN = {cn}
[ca_ext]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
"""

_SERVER_EXT = """\
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
"""

_EC = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]


@dataclass(frozen=True)
class Chain:
    ca_file: str
    cert_file: str
    key_file: str


def _run(args, cwd):
    done = subprocess.run(["openssl", *args], cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"openssl {args[0]} failed: {done.stderr.strip()}")


def _make_chain(state_dir, prefix, ca_name):
    """One CA and one server certificate for 127.0.0.1 and localhost signed by it."""
    p = lambda name: os.path.join(state_dir, f"{prefix}{name}")  # noqa: E731
    with open(p("ca.cnf"), "w") as f:
        f.write(_CA_CONFIG.format(cn=ca_name))
    with open(p("server.ext"), "w") as f:
        f.write(_SERVER_EXT)
    _run(["req", "-x509", "-config", p("ca.cnf"), "-extensions", "ca_ext", *_EC,
          "-keyout", p("ca.key"), "-out", p("ca.pem"), "-days", "30"], state_dir)
    _run(["req", "-new", *_EC, "-subj", "/CN=localhost",
          "-keyout", p("server.key"), "-out", p("server.csr")], state_dir)
    _run(["x509", "-req", "-in", p("server.csr"), "-CA", p("ca.pem"), "-CAkey", p("ca.key"),
          "-set_serial", str(int.from_bytes(os.urandom(8), "big")), "-days", "30",
          "-extfile", p("server.ext"), "-out", p("server.pem")], state_dir)
    return Chain(ca_file=p("ca.pem"), cert_file=p("server.pem"), key_file=p("server.key"))


def make_certificates(state_dir):
    """Returns (trusted chain, untrusted chain); the trusted CA is state_dir/ca.pem."""
    os.makedirs(state_dir, exist_ok=True)
    old_umask = os.umask(0o077)  # private keys stay readable by the owner only
    try:
        # The two chains are independent: make them side by side.
        with ThreadPoolExecutor(max_workers=2) as pool:
            trusted = pool.submit(_make_chain, state_dir, "", "Norvi test CA")
            untrusted = pool.submit(_make_chain, state_dir, "untrusted-", "Norvi untrusted test CA")
            return trusted.result(), untrusted.result()
    finally:
        os.umask(old_umask)
