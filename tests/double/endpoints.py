"""The platform's endpoints as the double serves them: one check and one default answer each.

`ENDPOINTS` is the table; the shared path in platform_double.py routes a request to its row, runs
`check_request` (shared checks plus the row's own), logs, and sends the scripted answer or the row's
default answer through `default_answer`.
"""

import json
import re
from dataclasses import dataclass, field
from typing import Callable, Optional
from urllib.parse import unquote

from wire_checks import (check_form, check_json_body, check_no_token_headers, check_single_header,
                         check_token_headers, header_values, is_json_int, is_text_list)

LOGIN_FIELDS = [("grant_type", "openId"), ("openId", None), ("account_type", "member")]
SUBMIT_KEYS = ["circuit", "computerCode", "is_verify", "language", "name", "shots"]
MAX_BATCH = 50


@dataclass
class Request:
    method: str
    target: str  # raw request target, query included
    headers: list  # [[name, value], ...] in the order received
    body: bytes

    @property
    def route(self):
        return self.target.partition("?")[0]


@dataclass
class Answer:
    status: int = 200
    body: bytes = b""
    content_type: Optional[str] = "application/json"
    headers: list = field(default_factory=list)
    reason: Optional[str] = None


def compact_json(value) -> bytes:
    return json.dumps(value, separators=(",", ":"), ensure_ascii=False).encode("utf-8")


def envelope(data, code=0, message="success"):
    return Answer(body=compact_json({"code": code, "message": message, "data": data}))


def error_answer(status, message):
    return Answer(status=status, body=compact_json({"code": status, "message": message}))


def classify_device_code(code):
    """The device class of a platform device code, or None when it is none."""
    if not code.startswith("brevora"):
        return None
    if code == "brevora":
        return "superconducting"
    for prefix, kind in (("brevora_", "simulator"), ("brevora-p", "photonic"), ("brevora-ion", "ion_trap")):
        if code.startswith(prefix):
            return kind
    return "superconducting"


# ---- login ----------------------------------------------------------------------------------

def check_login(req):
    violations = check_single_header(req.headers, "content-type", "application/x-www-form-urlencoded")
    _, form_violations = check_form(req.body, LOGIN_FIELDS)
    return violations + form_violations


def answer_login(req, state):
    values, _ = check_form(req.body, LOGIN_FIELDS)
    with state.lock:
        if values.get("openId") in state.reject_keys:
            return Answer(body=compact_json({"code": 7, "message": "invalid api key"}))
        token = state.issue_token_locked()
    return Answer(body=compact_json({"code": 0, "message": "success", "data": {"access_token": token}}))


# ---- backend list ---------------------------------------------------------------------------

def check_list(req):
    return []


def answer_list(req, state):
    with state.lock:
        return envelope(state.devices)


# ---- submission -----------------------------------------------------------------------------

def check_submit(req):
    body, violations = check_json_body(req.headers, req.body, SUBMIT_KEYS)
    if body is None:
        return violations
    circuits = body.get("circuit")
    if not is_text_list(circuits):
        violations.append("circuit must be a list of texts")
    elif not circuits:
        violations.append("circuit list is empty")
    elif len(circuits) > MAX_BATCH:
        violations.append(f"{len(circuits)} circuits in one request, at most {MAX_BATCH} allowed")
    device = body.get("computerCode")
    if not isinstance(device, str):
        violations.append("computerCode must be a text")
    elif classify_device_code(device) not in ("superconducting", "simulator"):
        violations.append(f"computerCode names no device that takes tasks: {device}")
    if body.get("is_verify") is not True:
        violations.append("is_verify must be true")
    if body.get("language") != "vesk":
        violations.append('language must be "vesk"')
    if body.get("name") != "":
        violations.append("name must be the empty text")
    shots = body.get("shots")
    if not is_json_int(shots) or not 0 < shots < 2 ** 64:
        violations.append("shots must be an integer from 1 to 2^64-1")
    return violations


def _json_body(req):
    try:
        value = json.loads(req.body)
    except ValueError:
        return {}
    return value if isinstance(value, dict) else {}


def answer_submit(req, state):
    body = _json_body(req)
    circuits = body.get("circuit") if is_text_list(body.get("circuit")) else []
    shots = body.get("shots") if is_json_int(body.get("shots")) else 0
    with state.lock:
        ids = state.new_task_ids_locked(circuits, shots, body.get("computerCode"))
    return envelope({"query_ids": ids})


# ---- result query ---------------------------------------------------------------------------

def check_result(req):
    body, violations = check_json_body(req.headers, req.body, ["query_ids"])
    if body is not None and not is_text_list(body.get("query_ids")):
        violations.append("query_ids must be a list of texts")
    return violations


_MEASURE = re.compile(r"^\s*M((?:\s+Q\d+)+)\s*$", re.MULTILINE)


def measured_qubits(circuit):
    """Qubits of the circuit's measure lines in first-measured order; qubit 0 when there are none."""
    qubits = []
    for match in _MEASURE.finditer(circuit):
        for label in match.group(1).split():
            q = int(label[1:])
            if q not in qubits:
                qubits.append(q)
    return qubits or [0]


def default_result_item(task_id, task):
    """Per-shot records: every measured qubit reads 0 in even shots and 1 in odd ones."""
    qubits = measured_qubits(task["circuit"])
    zeros, ones = [0] * len(qubits), [1] * len(qubits)
    shots = task["shots"]
    rows = [qubits] + [zeros, ones] * (shots // 2) + [zeros] * (shots % 2)
    return {"experimentTaskId": task_id, "status": 0, "resultStatus": rows}


def answer_result(req, state):
    ids = _json_body(req).get("query_ids")
    items = []
    with state.lock:
        for task_id in ids if isinstance(ids, list) else []:
            if not isinstance(task_id, str):
                continue
            if task_id in state.results:
                items.append(state.results[task_id])
            elif task_id in state.tasks:
                items.append(default_result_item(task_id, state.tasks[task_id]))
            # any other id has no result yet and is left out
    return envelope({"experimentResultModelList": items})


# ---- configuration download -----------------------------------------------------------------

CONFIG_PREFIX = "/zelm-quantum/sdk/experiment/download/config/"


def config_device(req):
    """The device name: the one path segment after the prefix, percent-decoded."""
    return unquote(req.route[len(CONFIG_PREFIX):], errors="replace")


def check_config(req):
    if "/" in req.route[len(CONFIG_PREFIX):]:
        return ["the device name spans more than one path segment"]
    device = config_device(req)
    if classify_device_code(device) != "superconducting":
        return [f"configuration requested for a device that is not superconducting: {device}"]
    return []


def _param_array(names, values):
    return {"param_list": values, "qubit_used": names}


def default_config_document(device):
    """Three qubits in a line, two couplers, and every calibration table."""
    qubits = ["Q0", "Q1", "Q2"]
    return {
        "calibrationTime": "2024-05-01 08:30:00",
        "computerId": device,
        "overview": {
            "qubits": qubits,
            "coupler_map": {"C0": ["Q0", "Q1"], "C1": ["Q1", "Q2"]},
            "T1": 35.5, "T2": 20.25, "cz_error": 1.2, "1q_gate_error": 0.1, "readout_error": 2.5,
        },
        "qubit": {
            "frequency": {"f01": _param_array(qubits, [4.51, 4.62, 4.73])},
            "relatime": {"T1": _param_array(qubits, [34.0, 36.5, 36.0]),
                         "T2": _param_array(qubits, [19.5, 21.0, 20.25])},
            "singleQubit": {"gate error": _param_array(qubits, [0.08, 0.1, 0.12])},
        },
        "readout": {"readoutArray": {
            "Readout Error": _param_array(qubits, [2.0, 2.5, 3.0]),
            "|0> readout fidelity": _param_array(qubits, [0.98, 0.97, 0.975]),
            "|1> readout fidelity": _param_array(qubits, [0.95, 0.94, 0.96]),
        }},
        "twoQubitGate": {"czGate": {"gate error": _param_array(["C0", "C1"], [1.1, 1.3])}},
    }


def answer_config(req, state):
    device = config_device(req)
    with state.lock:
        if device in state.configs:
            return envelope(state.configs[device])
    return envelope(default_config_document(device))


# ---- the table and the shared path ----------------------------------------------------------

@dataclass(frozen=True)
class Endpoint:
    name: str
    method: str
    path: str  # exact path, or the prefix of the path when `prefix` is true
    prefix: bool
    authenticated: bool
    check: Callable
    answer: Callable

    def matches(self, route):
        return route.startswith(self.path) if self.prefix else route == self.path


ENDPOINTS = [
    Endpoint("login", "POST", "/zelm-auth/oauth2/sdk/opnId", False, False, check_login, answer_login),
    Endpoint("list", "GET", "/zelm-quantum/sdk/quantumComputer/list", False, True, check_list, answer_list),
    Endpoint("submit", "POST", "/zelm-quantum/sdk/experiment/submit", False, True, check_submit, answer_submit),
    Endpoint("result", "POST", "/zelm-quantum/sdk/experiment/result/find", False, True, check_result,
             answer_result),
    Endpoint("config", "GET", CONFIG_PREFIX, True, True, check_config, answer_config),
]


def route(req):
    """The endpoint a request is for, or None for any other path."""
    return next((e for e in ENDPOINTS if e.matches(req.route)), None)


def check_request(endpoint, req):
    """Shared checks of every endpoint, then the endpoint's own."""
    violations = []
    if req.method != endpoint.method:
        violations.append(f"method must be {endpoint.method}")
    if "?" in req.target:
        violations.append("unexpected query string")
    if endpoint.authenticated:
        violations += check_token_headers(req.headers)[1]
    else:
        violations += check_no_token_headers(req.headers)
    if endpoint.method == "GET" and (req.body or header_values(req.headers, "content-type")):
        violations.append("a GET request carries no body and no content-type")
    return violations + endpoint.check(req)


def default_answer(endpoint, req, state):
    """What the platform answers when nothing is scripted."""
    if endpoint is None:
        return error_answer(404, "not found")
    if endpoint.authenticated:
        token = header_values(req.headers, "basictoken")
        with state.lock:
            known = bool(token) and token[0] in state.tokens
        if not known:
            return error_answer(401, "token invalid")
    return endpoint.answer(req, state)
