class Qubit:
    """A qubit by its index."""

    __slots__ = ("index",)

    def __init__(self, index):
        self.index = int(index)

    def __eq__(self, other):
        return isinstance(other, Qubit) and other.index == self.index

    def __hash__(self):
        return hash(("Qubit", self.index))

    def __repr__(self):
        return f"Qubit({self.index})"
