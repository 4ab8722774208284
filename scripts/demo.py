"""The library's main road against the bundled local platform double: log in with an API key, make a
second platform object from the credentials file that the login saved, list the backends, submit a
circuit to one of them and wait for its results, and describe that backend's device."""

import os
import stat
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "double"))

from launcher import PlatformDouble  # noqa: E402

import norvi_brevora as nb  # noqa: E402

# Variables that would send the demo's requests elsewhere or trust another CA.
CLEARED_VARIABLES = ("SSL_CERT_DIR", "CURL_CA_BUNDLE", "HTTPS_PROXY", "https_proxy", "HTTP_PROXY",
                     "http_proxy", "ALL_PROXY", "all_proxy", "NO_PROXY", "no_proxy", "REQUEST_METHOD")


def main():
    print(nb.__all__)
    with tempfile.TemporaryDirectory(prefix="norvi-demo-") as work:
        double = PlatformDouble(os.path.join(work, "double"))
        try:
            os.environ["SSL_CERT_FILE"] = double.ca_file
            for name in CLEARED_VARIABLES:
                os.environ.pop(name, None)
            path = os.path.join(work, "credentials.json")

            platform = nb.BrevoraPlatform.login("demo-api-key", domain=double.domain, credentials_path=path)
            print("logged in:", platform)
            print("credentials saved to", path, "mode", oct(stat.S_IMODE(os.stat(path).st_mode)))

            again = nb.BrevoraPlatform.from_credentials(domain=double.domain, credentials_path=path)
            print("from saved credentials:", again)

            print("backends:")
            for backend in platform.list_backends():
                print(f"  {backend!r} display_name={backend.display_name!r} toll={backend.toll}"
                      f" available={backend.is_available()}")
            backend = platform.get_backend("brevora311")
            task = backend.run(["H Q1\nM Q1"], 1000, calibration_mode="auto")
            print("submitted:", task, "task ids", task.task_ids, "at", task.submitted_at)
            for result in task.wait(timeout=10.0, poll_interval=0.1):
                print(f"  result {result.name}: qubits {result.qubits} counts {result.counts}"
                      " (readout-corrected)")
            for result in task.wait_raw(timeout=10.0, poll_interval=0.1):
                print(f"  raw result {result.name}: counts {result.counts}")

            print(f"{backend.name}: {backend.num_qubits()} qubits")
            device = backend.device_config()
            print("  device:", device)
            print("  topology:", device.topology)
            print("  native gates:", [instruction.name for instruction in device.native_gates])

            double.set_state(reject_keys=["revoked-key"])
            try:
                nb.BrevoraPlatform.login("revoked-key", domain=double.domain, save_credentials=False)
            except nb.BrevoraError as error:
                print("a revoked key:", error)
        finally:
            double.stop()


if __name__ == "__main__":
    main()
