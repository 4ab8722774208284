"""Standard gates and instructions, as far as the extension hands them over."""

import enum

_GATE_NAMES = [
    "I", "H", "RX", "RXX", "RXY", "RY", "RYY", "RZ", "RZX", "RZZ", "S", "SDG", "SWAP", "T", "TDG", "U", "X",
    "XY", "X2P", "X2M", "XY2P", "XY2M", "Y", "Y2P", "Y2M", "Z", "Phase", "GPhase", "CX", "CCX", "CY", "CZ",
    "CRX", "CRY", "CRZ", "FSIM",
]

StandardGate = enum.Enum("StandardGate", [(name, index) for index, name in enumerate(_GATE_NAMES)])
StandardGate.__module__ = __name__


class Instruction:
    def __init__(self, gate):
        self.gate = gate

    @classmethod
    def from_standard_gate(cls, gate):
        if not isinstance(gate, StandardGate):
            raise TypeError(f"expected a StandardGate, got {type(gate).__name__}")
        return cls(gate)

    @property
    def name(self):
        return self.gate.name

    def __eq__(self, other):
        return isinstance(other, Instruction) and other.gate == self.gate

    def __hash__(self):
        return hash(self.gate)

    def __repr__(self):
        return f"Instruction({self.gate.name})"
