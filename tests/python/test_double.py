"""Sanity checks of the platform double itself, spoken to with Python's own http.client and ssl."""

import http.client
import json
import ssl
import threading
import time

import pytest

LOGIN = "/zelm-auth/oauth2/sdk/opnId"
LIST = "/zelm-quantum/sdk/quantumComputer/list"
SUBMIT = "/zelm-quantum/sdk/experiment/submit"
RESULT = "/zelm-quantum/sdk/experiment/result/find"
FORM = "application/x-www-form-urlencoded"
GOOD_FORM = "grant_type=openId&openId=key+1%26x&account_type=member"


def connect(double, port=None):
    context = ssl.create_default_context(cafile=double.ca_file)
    return http.client.HTTPSConnection("127.0.0.1", port or double.port, context=context, timeout=10)


def exchange(conn, method, path, body=None, headers=()):
    """Sends headers in the given order; returns (status, decoded JSON body)."""
    conn.putrequest(method, path, skip_accept_encoding=True)
    for name, value in headers:
        conn.putheader(name, value)
    data = body.encode() if isinstance(body, str) else body
    if data is not None:
        conn.putheader("Content-Length", str(len(data)))
    conn.endheaders(data)
    response = conn.getresponse()
    return response.status, json.loads(response.read())


def login(conn):
    status, answer = exchange(conn, "POST", LOGIN, GOOD_FORM, [("content-type", FORM)])
    assert (status, answer["code"]) == (200, 0)
    return answer["data"]["access_token"]


def token_headers(token):
    return [("basictoken", token), ("authorization", "Bearer " + token)]


def test_login_is_accepted_and_connections_are_kept(platform_double):
    conn = connect(platform_double)
    assert login(conn) == "tok-1"
    assert login(conn) == "tok-2"
    entries = platform_double.log("login")
    assert [e["violations"] for e in entries] == [[], []]
    assert entries[0]["body"] == GOOD_FORM
    assert entries[0]["connection"] == entries[1]["connection"]


@pytest.mark.parametrize("body, headers, violation", [
    ("openId=k&grant_type=openId&account_type=member", [("content-type", FORM)], "form fields must be"),
    ("grant_type=openId&openId=a%20b&account_type=member", [("content-type", FORM)], "canonical"),
    ("grant_type=openId&openId=a%2bb&account_type=member", [("content-type", FORM)], "canonical"),
    ("grant_type=openId&openId=k", [("content-type", FORM)], "form fields must be"),
    ("grant_type=openId&openId=k&account_type=admin", [("content-type", FORM)], "account_type must be"),
    (GOOD_FORM, [("content-type", "application/json")], "header content-type must be"),
    (GOOD_FORM, [("content-type", FORM), ("basictoken", "t")], "header basictoken must not be sent"),
])
def test_bad_login_is_rejected_with_a_violation(platform_double, body, headers, violation):
    status, answer = exchange(connect(platform_double), "POST", LOGIN, body, headers)
    assert status == 400 and answer["code"] == 400 and violation in answer["message"]
    [entry] = platform_double.log("login")
    assert violation in entry["violations"][0]


def test_rejected_api_key_gets_code_7(platform_double):
    platform_double.set_state(reject_keys=["key 1&x"])
    status, answer = exchange(connect(platform_double), "POST", LOGIN, GOOD_FORM, [("content-type", FORM)])
    assert (status, answer) == (200, {"code": 7, "message": "invalid api key"})


@pytest.mark.parametrize("headers, status, violation", [
    (lambda t: [], 400, "missing header basictoken"),
    (lambda t: [("basictoken", t)], 400, "missing header authorization"),
    (lambda t: [("authorization", "Bearer " + t), ("basictoken", t)], 400, "must come before"),
    (lambda t: [("basictoken", t), ("authorization", t)], 400, "\"Bearer \" followed by"),
    (lambda t: [("basictoken", t), ("authorization", "Bearer x" + t)], 400, "\"Bearer \" followed by"),
    (lambda t: token_headers("tok-99"), 401, None),
    (lambda t: token_headers(t), 200, None),
])
def test_token_headers_are_required(platform_double, headers, status, violation):
    conn = connect(platform_double)
    token = login(conn)
    got, answer = exchange(conn, "GET", LIST, headers=headers(token))
    assert got == status
    [entry] = platform_double.log("list")
    if violation:
        assert violation in answer["message"] and violation in entry["violations"][0]
    else:
        assert entry["violations"] == []
    if status == 401:
        assert answer == {"code": 401, "message": "token invalid"}


def submit_body(**changes):
    body = {"circuit": ["H Q1\nM Q1 Q4"], "computerCode": "brevora311", "is_verify": True,
            "language": "vesk", "name": "", "shots": 5}
    body.update(changes)
    return json.dumps(body, separators=(",", ":"))


def test_submission_then_default_result_has_per_shot_records(platform_double):
    conn = connect(platform_double)
    auth = token_headers(login(conn)) + [("content-type", "application/json")]
    status, answer = exchange(conn, "POST", SUBMIT, submit_body(), auth)
    assert (status, answer["data"]) == (200, {"query_ids": ["task-1"]})
    status, answer = exchange(conn, "POST", RESULT, '{"query_ids":["task-1","task-9"]}', auth)
    [item] = answer["data"]["experimentResultModelList"]
    assert item["experimentTaskId"] == "task-1"
    assert item["resultStatus"] == [[1, 4], [0, 0], [1, 1], [0, 0], [1, 1], [0, 0]]


@pytest.mark.parametrize("body, violation", [
    ('{"computerCode":"brevora311","circuit":["M Q0"],"is_verify":true,"language":"vesk","name":"","shots":1}',
     "JSON keys must be"),
    (submit_body().replace(",", ", ", 1), "not compact"),
    (submit_body(shots=1000.0), "shots must be"),
    (submit_body(is_verify="true"), "is_verify must be true"),
    (submit_body(computerCode="brevora-photon"), "names no device that takes tasks"),
    (submit_body(circuit=["M Q0"] * 51), "at most 50"),
])
def test_bad_submission_is_rejected_with_a_violation(platform_double, body, violation):
    conn = connect(platform_double)
    auth = token_headers(login(conn)) + [("content-type", "application/json")]
    status, answer = exchange(conn, "POST", SUBMIT, body, auth)
    assert status == 400 and violation in answer["message"]


def test_scripted_503_then_default(platform_double):
    platform_double.script("list", {"status": 503, "json": {"oops": True}})
    conn = connect(platform_double)
    auth = token_headers(login(conn))
    assert exchange(conn, "GET", LIST, headers=auth) == (503, {"oops": True})
    status, answer = exchange(conn, "GET", LIST, headers=auth)
    assert status == 200 and answer["data"][0]["code"] == "brevora311"


def test_close_fault_drops_the_connection_then_answers_again(platform_double):
    platform_double.script("login", {"fault": "close"})
    conn = connect(platform_double)
    with pytest.raises(http.client.RemoteDisconnected):
        exchange(conn, "POST", LOGIN, GOOD_FORM, [("content-type", FORM)])
    assert login(connect(platform_double)) == "tok-1"
    assert [e["answer_status"] for e in platform_double.log("login")] == [None, 200]


def test_stall_does_not_hold_up_other_requests(platform_double):
    platform_double.script("login", {"fault": "stall", "seconds": 60})
    outcome = []

    def stalled_login():
        try:
            outcome.append(login(connect(platform_double)))
        except (OSError, http.client.HTTPException) as e:
            outcome.append(e)

    thread = threading.Thread(target=stalled_login, daemon=True)
    thread.start()
    for _ in range(500):
        if platform_double.log("login"):
            break
        time.sleep(0.01)
    # The stalled answer is made before the stall, so it already holds tok-1.
    assert login(connect(platform_double)) == "tok-2"
    platform_double.reset()  # releases the stalled answer: its connection is dropped
    thread.join(10)
    assert not thread.is_alive()
    assert isinstance(outcome[0], http.client.RemoteDisconnected)


def test_untrusted_port_fails_verification_against_the_ca(platform_double):
    conn = connect(platform_double, platform_double.untrusted_port)
    with pytest.raises(ssl.SSLCertVerificationError):
        conn.connect()


def test_connect_proxy_tunnels_and_logs_its_targets(platform_double, connect_proxy):
    context = ssl.create_default_context(cafile=platform_double.ca_file)
    conn = http.client.HTTPSConnection("127.0.0.1", connect_proxy.port, context=context, timeout=10)
    conn.set_tunnel("127.0.0.1", platform_double.port)
    assert login(conn) == "tok-1"
    assert connect_proxy.targets() == [platform_double.domain]
