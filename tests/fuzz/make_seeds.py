"""Writes the fuzz targets' seed inputs under seeds/, in the shapes the platform double answers with.

Run it again after the double's answers change: /usr/bin/python3 tests/fuzz/make_seeds.py
"""

import json
import pathlib
import shutil
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "double"))

import double_state  # noqa: E402
import endpoints  # noqa: E402


def compact(value):
    return endpoints.compact_json(value)


def credentials_text(api_key, token, obtained_at):
    # The file as the client writes it: five lines, two-space indent, no final line break.
    return ("{\n" + ",\n".join(f"  {json.dumps(k, ensure_ascii=False)}: {json.dumps(v, ensure_ascii=False)}"
                               for k, v in (("api_key", api_key), ("access_token", token),
                                            ("token_obtained_at", obtained_at))) + "\n}").encode()


def result_body(items):
    return endpoints.envelope({"experimentResultModelList": items}).body


def seeds():
    task = {"circuit": "H Q0\nCX Q0 Q1\nM Q0 Q1\n", "shots": 6}
    config = endpoints.default_config_document("brevora311")
    disabled = json.loads(json.dumps(config))
    disabled["disabledQubits"] = " Q1 , junk"
    disabled["disabledCouplers"] = "C1"
    yield "credentials", "written", credentials_text("key-1", "token-1", 1700000000)
    yield "credentials", "non_ascii", credentials_text("clé \"x\"\\", "jeton\u00e9", -1)
    yield "credentials", "array", b'["key-1","token-1",0]'
    # Keys the record does not know are skipped whatever they hold.
    yield "credentials", "unknown_keys", compact({"api_key": "key-1", "note": {"a": [1, 2.5, None, True, {"b": "c"}]},
                                                  "access_token": "token-1", "extra": False, "token_obtained_at": 5})
    # A time stamp written as a float is refused, the number shown in the error.
    yield "credentials", "float_time", b'{"api_key":"key-1","access_token":"token-1","token_obtained_at":1e3}'
    yield "envelope", "login", compact({"code": 0, "message": "success", "data": {"access_token": "t-1"}})
    yield "envelope", "login_refused", compact({"code": 7, "message": "invalid api key"})
    yield "envelope", "list", endpoints.envelope(double_state.DEFAULT_DEVICES).body
    yield "envelope", "list_arrays", endpoints.envelope([["brevora311", None, 0, 2], ["x", "y", 1, None]]).body
    yield "envelope", "error", compact({"code": 503, "message": "busy"})
    yield "envelope", "submit", endpoints.envelope({"query_ids": ["q-1", "q-2"]}).body
    yield "result_answer", "per_shot", result_body([endpoints.default_result_item("t-1", task)])
    yield "result_answer", "probability", result_body([
        {"experimentTaskId": 42, "status": 0, "probability": {"00": 0.5, "11": 0.5}},
        {"queryId": 1.5, "probability": json.dumps({"1": 0.25, "01": 0.75})},
    ])
    yield "result_answer", "mixed", result_body([
        ["t-2", 0, [[4, 7], [1, 0], [1, 0], [0, 0]], None],
        {"query_id": "t-3", "status": None, "resultStatus": [[0, 1, 2], [1, 1, 0], [0, 1, 0, 1]]},
        {"experimentTaskId": None, "resultStatus": [[4294967297], [1.0], [True], ["1"]]},
    ])
    yield "result_answer", "empty", result_body([])
    # More qubits than one 64-bit word of an outcome holds, and than the correction takes.
    wide = {"circuit": "M " + " ".join(f"Q{q}" for q in range(70)) + "\n", "shots": 3}
    yield "result_answer", "wide", result_body([endpoints.default_result_item("t-4", wide)])
    yield "device_config", "document", endpoints.envelope(config).body
    yield "device_config", "as_text", endpoints.envelope(json.dumps(config)).body
    yield "device_config", "disabled", endpoints.envelope(disabled).body


def main():
    root = HERE / "seeds"
    shutil.rmtree(root, ignore_errors=True)
    for target, name, data in seeds():
        (root / target).mkdir(parents=True, exist_ok=True)
        (root / target / name).write_bytes(data)


if __name__ == "__main__":
    main()
