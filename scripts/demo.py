"""The library's main road against the bundled local platform double."""

import norvi_brevora as nb

print(nb.__all__)
