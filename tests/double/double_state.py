"""What the platform double remembers: request log, scripted answers, issued tokens and tasks.

One lock guards everything; handlers hold it only to read or change state, never while they
sleep or write to a socket.
"""

import copy
import threading
from collections import deque

ENDPOINTS = ("login", "list", "submit", "result", "config", "other")

# One device of every class, with statuses and tolls that differ.
DEFAULT_DEVICES = [
    {"code": "brevora311", "name": "Brevora 311", "status": 0, "isToll": 2},
    {"code": "brevora_sim", "name": "Brevora simulator", "status": 0, "isToll": 1},
    {"code": "brevora-photon", "name": "Brevora photon", "status": 1, "isToll": 2},
    {"code": "brevora-ion-1", "name": "Brevora ion 1", "status": 3, "isToll": 2},
]

_ANSWER_KEYS = {"status", "reason", "headers", "body", "json", "fault", "seconds", "interval",
                "location", "check", "chunked"}
FAULTS = ("close", "stall", "trickle", "redirect")


class ControlError(ValueError):
    """A control request the double cannot follow (answered 400 on the control port)."""


def validate_answer(answer):
    if not isinstance(answer, dict):
        raise ControlError("an answer must be a JSON object")
    unknown = set(answer) - _ANSWER_KEYS
    if unknown:
        raise ControlError(f"unknown answer keys: {sorted(unknown)}")
    if "body" in answer and "json" in answer:
        raise ControlError("an answer takes body or json, not both")
    if "status" in answer and (not isinstance(answer["status"], int) or not 100 <= answer["status"] <= 999):
        raise ControlError("status must be an integer from 100 to 999")
    if "body" in answer and not isinstance(answer["body"], str):
        raise ControlError("body must be a text")
    headers = answer.get("headers", [])
    if not isinstance(headers, list) or not all(
            isinstance(h, list) and len(h) == 2 and all(isinstance(x, str) for x in h) for h in headers):
        raise ControlError("headers must be a list of [name, value] texts")
    if "chunked" in answer and not isinstance(answer["chunked"], bool):
        raise ControlError("chunked must be true or false")
    fault = answer.get("fault")
    if fault is not None and fault not in FAULTS:
        raise ControlError(f"fault must be one of {', '.join(FAULTS)}")
    if fault == "redirect" and not isinstance(answer.get("location"), str):
        raise ControlError("a redirect needs a location text")
    for key in ("seconds", "interval"):
        if key in answer and (not isinstance(answer[key], (int, float)) or answer[key] < 0):
            raise ControlError(f"{key} must be a non-negative number")


class DoubleState:
    def __init__(self):
        self.lock = threading.Lock()
        self._reset_locked()

    def _reset_locked(self):
        self.log = []
        self.scripts = {e: deque() for e in ENDPOINTS}
        self.devices = copy.deepcopy(DEFAULT_DEVICES)
        self.reject_keys = set()
        self.submit_ids = "per_circuit"
        self.results = {}
        self.configs = {}
        self.tokens = set()
        self.token_count = 0
        self.task_count = 0
        self.connection_count = 0
        # task id -> {"shots", "circuit", "device"} for every id the submission handed out
        self.tasks = {}
        # Set by the next reset: stalled and trickling answers give up instead of outliving a test.
        self.reset_event = threading.Event()

    def reset(self):
        with self.lock:
            self.reset_event.set()
            self._reset_locked()

    def next_connection_id(self):
        with self.lock:
            self.connection_count += 1
            return self.connection_count

    def take_answer(self, endpoint):
        with self.lock:
            queue = self.scripts[endpoint]
            return queue.popleft() if queue else None

    def add_script(self, endpoint, answers):
        if endpoint not in ENDPOINTS:
            raise ControlError(f"endpoint must be one of {', '.join(ENDPOINTS)}")
        if not isinstance(answers, list):
            raise ControlError("answers must be a list")
        for a in answers:
            validate_answer(a)
        with self.lock:
            self.scripts[endpoint].extend(copy.deepcopy(answers))

    def record(self, entry):
        with self.lock:
            self.log.append(entry)

    def log_entries(self, endpoint=None):
        with self.lock:
            return [e for e in self.log if endpoint is None or e["endpoint"] == endpoint]

    def merge(self, update):
        """Merges a /state document; every key is checked before anything changes."""
        if not isinstance(update, dict):
            raise ControlError("state must be a JSON object")
        setters = {
            "devices": self._set_devices,
            "reject_keys": self._set_reject_keys,
            "submit_ids": self._set_submit_ids,
            "results": self._set_results,
            "configs": self._set_configs,
            "tokens": self._set_tokens,
        }
        unknown = set(update) - set(setters)
        if unknown:
            raise ControlError(f"unknown state keys: {sorted(unknown)}")
        checked = [(setters[k], v) for k, v in update.items()]
        for setter, value in checked:
            setter(value, apply=False)
        with self.lock:
            for setter, value in checked:
                setter(copy.deepcopy(value), apply=True)

    # Each setter validates, and assigns when apply is true (called under the lock then).
    def _set_devices(self, value, apply):
        # Any JSON value: tests serve malformed lists on purpose.
        if apply:
            self.devices = value

    def _set_reject_keys(self, value, apply):
        if not isinstance(value, list) or not all(isinstance(k, str) for k in value):
            raise ControlError("reject_keys must be a list of texts")
        if apply:
            self.reject_keys = set(value)

    def _set_submit_ids(self, value, apply):
        ok = value in ("per_circuit", "per_submission") or (
            isinstance(value, list) and all(isinstance(ids, list) for ids in value))
        if not ok:
            raise ControlError('submit_ids must be "per_circuit", "per_submission" or a list of id lists')
        if apply:
            self.submit_ids = value if isinstance(value, str) else deque(value)

    def _set_results(self, value, apply):
        if not isinstance(value, dict):
            raise ControlError("results must be an object from task id to result item")
        if apply:
            self.results.update(value)

    def _set_configs(self, value, apply):
        if not isinstance(value, dict):
            raise ControlError("configs must be an object from device name to document")
        if apply:
            self.configs.update(value)

    def _set_tokens(self, value, apply):
        if not isinstance(value, list) or not all(isinstance(t, str) for t in value):
            raise ControlError("tokens must be a list of texts")
        if apply:
            self.tokens = set(value)

    # Used by the endpoints, under the lock.
    def issue_token_locked(self):
        self.token_count += 1
        token = f"tok-{self.token_count}"
        self.tokens.add(token)
        return token

    def new_task_ids_locked(self, circuits, shots, device):
        if isinstance(self.submit_ids, deque):
            ids = self.submit_ids.popleft()
            if not self.submit_ids:
                self.submit_ids = "per_circuit"
        else:
            count = len(circuits) if self.submit_ids == "per_circuit" else 1
            ids = []
            for _ in range(count):
                self.task_count += 1
                ids.append(f"task-{self.task_count}")
        for i, task_id in enumerate(ids):
            if isinstance(task_id, str):
                circuit = circuits[i] if i < len(circuits) else (circuits[-1] if circuits else "")
                self.tasks[task_id] = {"shots": shots, "circuit": circuit, "device": device}
        return ids
