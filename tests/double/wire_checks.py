"""Checks of what the client puts on the wire, shared by the endpoints of the platform double.

Every check returns a list of violation texts (empty when the request passes). Texts never hold
token values: the log already carries the headers, and tokens are kept out of messages.
"""

import json

_FORM_RAW = frozenset(b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789*-._")
_HEX = frozenset(b"0123456789abcdefABCDEF")


def form_encode(data: bytes) -> bytes:
    """The application/x-www-form-urlencoded serialisation of one name or value."""
    out = bytearray()
    for b in data:
        if b in _FORM_RAW:
            out.append(b)
        elif b == 0x20:
            out.append(ord("+"))
        else:
            out += b"%%%02X" % b
    return bytes(out)


def form_decode(data: bytes):
    """Decodes one form component; None when a percent escape is malformed."""
    out = bytearray()
    i = 0
    while i < len(data):
        b = data[i]
        if b == ord("+"):
            out.append(0x20)
        elif b == ord("%"):
            digits = data[i + 1:i + 3]
            if len(digits) != 2 or not all(d in _HEX for d in digits):
                return None
            out.append(int(digits, 16))
            i += 2
        else:
            out.append(b)
        i += 1
    return bytes(out)


def check_form(body: bytes, expected):
    """Checks a form body against the expected names in order.

    `expected` is a list of (name, value or None for any value). Returns (decoded values by name,
    violations). The raw body must be exactly the canonical encoding of its decoded pairs.
    """
    violations = []
    pairs = []
    for part in body.split(b"&"):
        name, sep, value = part.partition(b"=")
        dname, dvalue = form_decode(name), form_decode(value)
        if not sep or dname is None or dvalue is None:
            violations.append("form body holds a malformed pair")
            return {}, violations
        pairs.append((dname, dvalue))
    names = [n.decode("latin-1") for n, _ in pairs]
    want = [n for n, _ in expected]
    if names != want:
        violations.append(f"form fields must be {'&'.join(want)} in this order, got {'&'.join(names)}")
        return {}, violations
    canonical = b"&".join(form_encode(n) + b"=" + form_encode(v) for n, v in pairs)
    if canonical != body:
        violations.append("form body is not in the canonical form encoding")
    values = {}
    for (name, value), (_, want_value) in zip(pairs, expected):
        text = value.decode("utf-8", errors="replace")
        if want_value is not None and text != want_value:
            violations.append(f"form field {name.decode('latin-1')} must be {want_value}")
        values[name.decode("latin-1")] = text
    return values, violations


def header_values(headers, name):
    """All values of one header, case-insensitive on the name, in the order received."""
    lname = name.lower()
    return [v for n, v in headers if n.lower() == lname]


def header_index(headers, name):
    lname = name.lower()
    return next((i for i, (n, _) in enumerate(headers) if n.lower() == lname), None)


def check_single_header(headers, name, value):
    """The header is sent once with exactly this value."""
    got = header_values(headers, name)
    if not got:
        return [f"missing header {name}"]
    if len(got) > 1:
        return [f"header {name} sent {len(got)} times"]
    if got[0] != value:
        return [f"header {name} must be \"{value}\", got \"{got[0]}\""]
    return []


def check_token_headers(headers):
    """Both token headers, once each, basictoken first, carrying the same token.

    Returns (token or None, violations).
    """
    violations = []
    basic = header_values(headers, "basictoken")
    auth = header_values(headers, "authorization")
    for name, got in (("basictoken", basic), ("authorization", auth)):
        if not got:
            violations.append(f"missing header {name}")
        elif len(got) > 1:
            violations.append(f"header {name} sent {len(got)} times")
    if violations:
        return None, violations
    if header_index(headers, "basictoken") > header_index(headers, "authorization"):
        violations.append("header basictoken must come before authorization")
    if not basic[0]:
        violations.append("header basictoken is empty")
    if auth[0] != "Bearer " + basic[0]:
        violations.append("header authorization must be \"Bearer \" followed by the basictoken value")
    return (basic[0] if not violations else None), violations


def check_no_token_headers(headers):
    return [f"header {name} must not be sent" for name in ("basictoken", "authorization")
            if header_values(headers, name)]


def first_whitespace_outside_strings(text: str):
    """Offset of the first blank, tab or line break outside JSON strings, or None."""
    in_string = escaped = False
    for i, c in enumerate(text):
        if in_string:
            if escaped:
                escaped = False
            elif c == "\\":
                escaped = True
            elif c == '"':
                in_string = False
        elif c == '"':
            in_string = True
        elif c in " \t\r\n":
            return i
    return None


class _Pairs(dict):
    """A decoded JSON object that remembers its keys in text order, repeats included."""

    def __init__(self, pairs):
        super().__init__(pairs)
        self.keys_in_order = [k for k, _ in pairs]


def check_json_body(headers, body: bytes, keys):
    """A compact JSON object with exactly these keys in this order, sent as application/json.

    Returns (object or None, violations).
    """
    violations = check_single_header(headers, "content-type", "application/json")
    try:
        text = body.decode("utf-8")
        value = json.loads(text, object_pairs_hook=_Pairs)
    except (UnicodeDecodeError, ValueError) as e:
        return None, violations + [f"body is not JSON: {e}"]
    at = first_whitespace_outside_strings(text)
    if at is not None:
        violations.append(f"JSON body is not compact: whitespace at offset {at}")
    if not isinstance(value, dict):
        return None, violations + ["JSON body must be an object"]
    if value.keys_in_order != list(keys):
        violations.append(f"JSON keys must be {','.join(keys)} in this order, got {','.join(value.keys_in_order)}")
    return value, violations


def is_json_int(value):
    return isinstance(value, int) and not isinstance(value, bool)


def is_text_list(value):
    return isinstance(value, list) and all(isinstance(v, str) for v in value)
