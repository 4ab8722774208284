"""DeviceStatus, DeviceType and DeviceToll as backends show them: texts, equality, no ordering, no hash."""

import operator

import pytest

from norvi_brevora import BrevoraPlatform, DeviceStatus, DeviceToll, DeviceType

STATUS_TEXTS = {0: "running", 1: "calibration", 2: "under_maintenance", 3: "offline", 4: "upgrading",
                5: "unknown", 7: "unknown", 99: "unknown", -1: "unknown"}
TOLL_TEXTS = {1: "free", 2: "paid", 3: "unknown", 0: "unknown", None: "unknown"}
TYPE_CODES = {"brevora311": "superconducting", "brevora-photon": "photonic", "brevora-ion": "ion_trap",
              "brevora_sim": "simulator"}


@pytest.fixture
def backends(platform_double):
    """Lists the given entries and returns their backends."""
    platform = BrevoraPlatform.login("enums-key", domain=platform_double.domain, save_credentials=False)

    def listed(*entries):
        platform_double.set_state(devices=list(entries))
        return platform.list_backends()
    return listed


def test_value_texts(backends):
    statuses = backends(*({"code": "brevora311", "status": code} for code in STATUS_TEXTS))
    tolls = backends(*({"code": "brevora311", "status": 0, "isToll": code} for code in TOLL_TEXTS))
    types = backends(*({"code": code, "status": 0} for code in TYPE_CODES))
    for (cls, attribute, listed, texts) in ((DeviceStatus, "status", statuses, STATUS_TEXTS.values()),
                                            (DeviceToll, "toll", tolls, TOLL_TEXTS.values()),
                                            (DeviceType, "device_type", types, TYPE_CODES.values())):
        for backend, text in zip(listed, texts, strict=True):
            value = getattr(backend, attribute)
            assert type(value) is cls
            assert (value.value, str(value), repr(value)) == (text, text, f"{cls.__name__}('{text}')")


def test_unknown_values_differ_by_raw_code_only_in_equality(backends):
    seven, also_seven, eight = backends(*({"code": "brevora311", "status": s, "isToll": t}
                                          for s, t in ((7, 5), (7, 5), (8, None))))
    assert seven.status == also_seven.status and not seven.status != also_seven.status
    assert seven.status != eight.status and not seven.status == eight.status
    assert seven.status == "unknown" == eight.status
    assert seven.is_available() is False
    assert seven.toll == also_seven.toll and seven.toll != eight.toll and eight.toll == "unknown"


def test_known_values_compare_by_kind(backends):
    a, b, c = backends({"code": "brevora311", "status": 0, "isToll": 1}, {"code": "brevora-519", "status": 0, "isToll": 1},
                       {"code": "brevora_sim", "status": 3, "isToll": 2})
    assert a.status == b.status and a.toll == b.toll and a.device_type == b.device_type
    assert a.status != c.status and a.toll != c.toll and a.device_type != c.device_type


def test_equality_with_str_and_other_objects(backends):
    backend, = backends({"code": "brevora311", "status": 0, "isToll": 1})
    device_type = backend.device_type
    assert device_type == "superconducting" and "superconducting" == device_type
    assert (device_type != "superconducting") is False
    assert (device_type == "Superconducting") is False and device_type != "superconducting "
    for value in (backend.status, backend.toll, device_type):
        for other in (0, 1, None, 0.0, b"running", ["free"], object()):
            assert (value == other) is False
            assert (value != other) is True
    # Values of different classes never compare equal, even with equal texts.
    unknown, = backends({"code": "brevora311", "status": 9})
    assert unknown.status == "unknown" == unknown.toll
    assert (unknown.status == unknown.toll) is False
    assert unknown.status != unknown.toll


@pytest.mark.parametrize("compare", [operator.lt, operator.le, operator.gt, operator.ge])
def test_ordering_raises(backends, compare):
    first, second = backends({"code": "brevora311", "status": 0, "isToll": 1},
                             {"code": "brevora_sim", "status": 1, "isToll": 2})
    for attribute in ("status", "toll", "device_type"):
        with pytest.raises(TypeError):
            compare(getattr(first, attribute), getattr(second, attribute))
        with pytest.raises(TypeError):
            compare(getattr(first, attribute), "running")


def test_unhashable(backends):
    backend, = backends({"code": "brevora311", "status": 0, "isToll": 1})
    for value in (backend.status, backend.toll, backend.device_type):
        assert type(value).__hash__ is None
        with pytest.raises(TypeError):
            hash(value)
        with pytest.raises(TypeError):
            {value}


def test_every_read_makes_a_new_equal_object(backends):
    backend, = backends({"code": "brevora311", "status": 7, "isToll": 3})
    for attribute in ("status", "toll", "device_type"):
        first, second = getattr(backend, attribute), getattr(backend, attribute)
        assert first is not second
        assert first == second
        with pytest.raises(AttributeError):
            first.value = "running"


def test_getter_docs():
    assert DeviceToll.value.__doc__ == "The pricing model as a string."
    assert DeviceStatus.value.__doc__ == "The status as a string."
    assert DeviceType.value.__doc__ == "The device type as a string."
