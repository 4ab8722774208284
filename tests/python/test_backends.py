"""BrevoraPlatform.list_backends and get_backend, and the BrevoraBackend objects they make, against
the local platform double."""

import gc

import pytest

from norvi_brevora import BrevoraBackend, BrevoraError, BrevoraPlatform

DEVICES = [
    {"code": "brevora311", "name": "Brevora 311", "status": 0, "isToll": 2},
    {"code": "Brevora311", "name": "capital B", "status": 0, "isToll": 1},
    {"code": "brevora-519", "name": "", "status": 7, "isToll": None},
    {"code": "", "status": 0},
    ["brevora_sim", None, 1, 1],
    {"code": "brevora-photon", "name": "Photon", "status": 4, "isToll": 3, "extra": [1, {"x": None}]},
    {"code": "brevor", "status": 0},
    {"code": "brevora-ion-1", "status": -1},
    {"code": "brevora311", "name": "second 311", "status": 3},
]


@pytest.fixture
def platform(platform_double):
    return BrevoraPlatform.login("backends-key", domain=platform_double.domain, save_credentials=False)


def describe(backend):
    return (backend.name, backend.display_name, backend.device_type.value, backend.status.value, backend.toll.value)


def test_list_keeps_the_platform_order_and_drops_other_codes(platform, platform_double):
    platform_double.set_state(devices=DEVICES)
    backends = platform.list_backends()
    assert all(type(b) is BrevoraBackend for b in backends)
    assert [describe(b) for b in backends] == [
        ("brevora311", "Brevora 311", "superconducting", "running", "paid"),
        ("brevora-519", "", "superconducting", "unknown", "unknown"),
        ("brevora_sim", "brevora_sim", "simulator", "calibration", "free"),
        ("brevora-photon", "Photon", "photonic", "upgrading", "unknown"),
        ("brevora-ion-1", "brevora-ion-1", "ion_trap", "unknown", "unknown"),
        ("brevora311", "second 311", "superconducting", "offline", "unknown"),
    ]
    assert [b.is_available() for b in backends] == [True, False, False, False, False, False]


@pytest.mark.parametrize("devices", [[], [{"code": "ion", "status": 0}, {"code": "BREVORA", "status": 0}]])
def test_list_without_platform_devices_is_empty(platform, platform_double, devices):
    platform_double.set_state(devices=devices)
    assert platform.list_backends() == []


@pytest.mark.parametrize("entry, detail", [
    ({"code": "brevora311", "status": 1.0}, "invalid type: floating point `1"),
    ({"code": "brevora311", "status": "1"}, "invalid type: string \"1\""),
    ({"code": "brevora311", "isToll": 1}, "missing field `status`"),
    (["brevora311", None, 0], "invalid length 3"),
])
def test_malformed_entry_fails_the_whole_listing(platform, platform_double, entry, detail):
    platform_double.set_state(devices=[{"code": "brevora_sim", "status": 0}, entry])
    for call in (platform.list_backends, lambda: platform.get_backend("brevora_sim")):
        with pytest.raises(BrevoraError) as raised:
            call()
        assert str(raised.value).startswith(f"HTTP request failed: error decoding response body: {detail}")


def test_duplicate_key_fails_the_listing(platform, platform_double):
    body = '{"code":0,"message":"success","data":[{"code":"brevora311","status":0,"status":1}]}'
    platform_double.script("list", {"body": body, "headers": [["content-type", "application/json"]]})
    with pytest.raises(BrevoraError, match="^HTTP request failed: error decoding response body: duplicate field `status`"):
        platform.list_backends()


def test_get_backend_matches_the_code_exactly(platform, platform_double):
    platform_double.set_state(devices=DEVICES)
    first = platform.get_backend("brevora311")
    assert describe(first) == ("brevora311", "Brevora 311", "superconducting", "running", "paid")
    assert platform.get_backend(name="brevora-519").name == "brevora-519"
    for name in ("BREVORA-519", "brevora-519 ", "Brevora 311", "Photon", "brevor", "Brevora311"):
        with pytest.raises(BrevoraError) as raised:
            platform.get_backend(name)
        assert str(raised.value) == f"Device not found: '{name}'"
    # Every call lists the devices again.
    assert len(platform_double.log("list")) == 2 + 6


def test_get_backend_on_an_empty_list(platform, platform_double):
    platform_double.set_state(devices=[])
    with pytest.raises(BrevoraError, match=r"^Device not found: 'brevora311'$"):
        platform.get_backend("brevora311")


def test_get_backend_argument_errors_send_nothing(platform, platform_double):
    with pytest.raises(TypeError) as raised:
        platform.get_backend(311)
    assert str(raised.value) == "'int' object is not an instance of 'str'"
    assert raised.value.__notes__ == ["while processing 'name'"]
    with pytest.raises(TypeError, match=r"BrevoraPlatform.get_backend\(\) missing 1 required positional argument: 'name'"):
        platform.get_backend()
    assert platform_double.log("list") == []


def test_repr_and_docs(platform):
    backend = platform.get_backend("brevora311")
    assert repr(backend) == "BrevoraBackend(name='brevora311', device_type='superconducting', status='running')"
    assert repr(platform.get_backend("brevora-ion-1")) == \
        "BrevoraBackend(name='brevora-ion-1', device_type='ion_trap', status='offline')"
    docs = {name: getattr(BrevoraBackend, name).__doc__ for name in ("name", "display_name", "device_type", "status", "toll")}
    assert docs == {
        "name": "Machine code used as the backend identifier in submissions.",
        "display_name": "User-friendly display name.",
        "device_type": "Backend technology classified locally from the machine code.",
        "status": "Current operational status.",
        "toll": "Pricing model.",
    }
    assert BrevoraBackend.is_available.__text_signature__ == "($self)"
    assert platform.list_backends.__text_signature__ == "($self)"
    assert platform.get_backend.__text_signature__ == "($self, name)"


def test_backend_is_read_only_and_outlives_its_platform(platform_double):
    platform = BrevoraPlatform.login("backends-key", domain=platform_double.domain, save_credentials=False)
    backend = platform.get_backend("brevora_sim")
    with pytest.raises(AttributeError):
        backend.name = "brevora311"
    with pytest.raises(AttributeError):
        backend.anything = 1
    del platform
    gc.collect()
    assert backend.run(["H Q0\nM Q0"], 10).device_name == "brevora_sim"
