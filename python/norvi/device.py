"""Devices, topologies and execution results, as far as the extension hands them over."""


class Topology:
    def __init__(self, qubits, couplers):
        self.qubits = list(qubits)
        self.couplers = [tuple(c) for c in couplers]

    def __repr__(self):
        return f"Topology(qubits={self.qubits}, couplers={self.couplers})"


class Device:
    def __init__(self, name, qubits, topology):
        self.name = name
        self.qubits = list(qubits)
        self.topology = topology
        self.native_gates = []

    def __repr__(self):
        return f"Device(name={self.name!r}, qubits={len(self.qubits)}, native_gates={len(self.native_gates)})"


class ExecutionResult:
    """The result of one circuit: counts per outcome text, and the probabilities derived from them."""

    def __init__(self, name, qubits, shots, width, note=None):
        self.name = name
        self.qubits = list(qubits)
        self.shots = shots
        self.width = width
        self.note = note
        self.status = "created"
        self.counts = {}
        self.probabilities = {}

    def start(self):
        self.status = "running"

    def finish(self, counts):
        self.counts = dict(counts)
        self.status = "finished"

    def calc_probabilities(self):
        total = sum(self.counts.values())
        self.probabilities = {k: (v / total if total else 0.0) for k, v in self.counts.items()}
        return self.probabilities

    def __repr__(self):
        return f"ExecutionResult(name={self.name!r}, shots={self.shots}, counts={self.counts})"
