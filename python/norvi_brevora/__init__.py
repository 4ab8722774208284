"""Client library of the Brevora quantum-computing cloud platform."""

from _norvi_brevora import *  # noqa: F401,F403
from _norvi_brevora import __all__  # noqa: F401
