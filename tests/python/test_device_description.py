"""BrevoraBackend.num_qubits and device_config: the configuration cache, the host calls and their order,
failures, and host code that uses the same backend while device_config runs."""

import faulthandler
import sys
import threading

import pytest

import norvi.circuit
import norvi.device
from norvi_brevora import BrevoraBackend, BrevoraError, BrevoraPlatform

FOUR_QUBITS = {
    "overview": {"qubits": ["Q0", "Q1", "Q2", "Q3"], "coupler_map": {"C0": ["Q0", "Q1"], "C1": ["Q2", "Q3"]}},
    "disabledQubits": "Q3",
}
NO_COUPLERS = {"overview": {"qubits": ["Q0", "Q1"], "coupler_map": {}}}
DEVICES = [
    {"code": "brevora311", "name": "Brevora 311", "status": 0, "isToll": 2},
    {"code": "brevora642", "name": "Brevora 642", "status": 0, "isToll": 2},
    {"code": "brevora-photon", "name": "Brevora photon", "status": 1, "isToll": 2},
]


@pytest.fixture
def platform(platform_double):
    platform_double.set_state(devices=DEVICES)
    return BrevoraPlatform.login("device-key", domain=platform_double.domain, save_credentials=False)


@pytest.fixture
def host_calls(monkeypatch):
    """Recording stand-ins of Topology, Device and Instruction.from_standard_gate."""
    calls = []

    class Topology(norvi.device.Topology):
        def __init__(self, *args, **kwargs):
            calls.append(("Topology", args, kwargs))
            super().__init__(*args)

    class Device(norvi.device.Device):
        def __init__(self, *args, **kwargs):
            calls.append(("Device", args, kwargs))
            super().__init__(*args)

        def __setattr__(self, name, value):
            if name == "native_gates":
                calls.append(("native_gates", value))
            super().__setattr__(name, value)

    original = norvi.circuit.Instruction.from_standard_gate

    def from_standard_gate(*args, **kwargs):
        calls.append(("from_standard_gate", args, kwargs))
        return original(*args)

    monkeypatch.setattr(norvi.device, "Topology", Topology)
    monkeypatch.setattr(norvi.device, "Device", Device)
    monkeypatch.setattr(norvi.circuit.Instruction, "from_standard_gate", staticmethod(from_standard_gate))
    return calls


def test_disabled_qubits_count_and_reach_the_host_but_not_their_couplers(platform, platform_double, host_calls):
    platform_double.set_state(configs={"brevora311": FOUR_QUBITS})
    backend = platform.get_backend("brevora311")
    assert backend.num_qubits() == 4
    device = backend.device_config()

    topology_call, device_call, *gate_calls, natives_call = [c for c in host_calls if c[0] != "native_gates"
                                                               or c[1]]  # Device.__init__ sets [] first
    assert topology_call == ("Topology", ([0, 1, 2, 3], [(0, 1, "C0")]), {})
    assert device_call[0] == "Device" and device_call[2] == {}
    name, qubits, topology = device_call[1]
    assert (name, qubits, topology) == ("brevora311", [0, 1, 2, 3], device.topology)
    assert qubits is not topology_call[1][0]
    assert [c[1][0].name for c in gate_calls] == ["RZ", "X2P", "X2M", "Y2P", "Y2M", "XY2P", "XY2M", "CZ"]
    assert all(c[0] == "from_standard_gate" and c[2] == {} for c in gate_calls)
    assert natives_call == ("native_gates", device.native_gates)
    assert type(device) is norvi.device.Device


def test_no_couplers(platform, platform_double, host_calls):
    platform_double.set_state(configs={"brevora311": NO_COUPLERS})
    platform.get_backend("brevora311").device_config()
    assert host_calls[0] == ("Topology", ([0, 1], []), {})


def test_nine_native_gates_of_brevora642(platform):
    device = platform.get_backend("brevora642").device_config()
    S = norvi.circuit.StandardGate
    assert device.native_gates == [norvi.circuit.Instruction.from_standard_gate(g) for g in
                                   (S.RZ, S.X2P, S.X2M, S.Y2P, S.Y2M, S.XY2P, S.XY2M, S.CZ, S.FSIM)]
    assert (device.name, device.qubits) == ("brevora642", [0, 1, 2])
    assert device.topology.couplers == [(0, 1, "C0"), (1, 2, "C1")]


def test_one_download_serves_every_later_call(platform, platform_double):
    backend = platform.get_backend("brevora311")
    assert backend.num_qubits() == backend.num_qubits() == 3
    first, second = backend.device_config(), backend.device_config()
    assert first is not second
    assert first.native_gates is not second.native_gates
    assert len(platform_double.log("config")) == 1
    # a new backend object has its own, empty cache
    platform.get_backend("brevora311").num_qubits()
    assert len(platform_double.log("config")) == 2


@pytest.mark.parametrize("device, answer, error", [
    ("brevora-photon", None,
     "Invalid input: device configuration download is only supported for superconducting devices: brevora-photon"),
    ("brevora311", {"json": {"code": 5, "message": "config unavailable"}}, "API error (code=5): config unavailable"),
])
def test_a_failed_download_leaves_the_cache_empty(platform, platform_double, device, answer, error):
    backend = platform.get_backend(device)
    if answer:
        platform_double.script("config", answer)
    for method in (backend.num_qubits, backend.device_config):
        with pytest.raises(BrevoraError) as caught:
            method()
        assert str(caught.value) == error
        if answer:
            break
    if answer:
        assert backend.num_qubits() == 3  # tried again
        assert len(platform_double.log("config")) == 2
    else:
        assert platform_double.log("config") == []


def test_missing_circuit_module_fails_only_device_config(platform, platform_double, monkeypatch):
    backend = platform.get_backend("brevora311")
    monkeypatch.setitem(sys.modules, "norvi.circuit", None)
    with pytest.raises(ImportError):
        backend.device_config()
    assert backend.num_qubits() == 3
    assert len(platform_double.log("config")) == 1  # the failure after the download kept the cache


def test_host_code_may_use_the_backend_while_device_config_runs(platform, monkeypatch):
    """The cache is not locked while host code runs: a Topology that asks the same backend for its
    qubit count, on its own thread and on another one, gets it."""
    backend = platform.get_backend("brevora311")
    seen = []

    class Topology(norvi.device.Topology):
        def __init__(self, qubits, couplers):
            seen.append(backend.num_qubits())
            other = threading.Thread(target=lambda: seen.append(backend.num_qubits()))
            other.start()
            other.join()
            super().__init__(qubits, couplers)

    monkeypatch.setattr(norvi.device, "Topology", Topology)
    faulthandler.dump_traceback_later(20, exit=True)  # a deadlock fails the run instead of hanging it
    try:
        callers = [threading.Thread(target=backend.device_config) for _ in range(2)]
        for caller in callers:
            caller.start()
        for caller in callers:
            caller.join()
    finally:
        faulthandler.cancel_dump_traceback_later()
    assert seen == [3, 3, 3, 3]


def test_signatures_and_docs():
    assert BrevoraBackend.num_qubits.__text_signature__ == "($self)"
    assert BrevoraBackend.device_config.__text_signature__ == "($self)"
    assert BrevoraBackend.num_qubits.__doc__ == (
        "Return the total number of physical qubits in the backend configuration.\n\n"
        "Downloads the backend configuration on first use and reuses the cached\n"
        "configuration afterwards. Disabled qubits are included in this count.\n"
        "Only superconducting backends support this operation.")
    assert BrevoraBackend.device_config.__doc__ == (
        "Download the device calibration configuration (superconducting backends only).\n\n"
        "Returns a `norvi.device.Device` object populated with topology,\n"
        "qubit properties, gate errors, and readout fidelities.\n\n"
        "The result is cached after the first call.")
