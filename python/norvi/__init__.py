"""A minimal stand-in for the host SDK package ``norvi``.

The real package lies outside this project and is not installed here. This stand-in offers just the
members the extension calls (``norvi.Qubit``, ``norvi.device`` and ``norvi.circuit``), so that the tests
and the demo can receive results and device descriptions. It is not installed with ``norvi_brevora``.
"""

from norvi._qubit import Qubit

__all__ = ["Qubit"]
