import norvi_brevora


def test_package_imports():
    assert isinstance(norvi_brevora.__all__, list)
