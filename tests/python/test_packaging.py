"""The package installs offline from a clean copy of the sources into a fresh virtual environment
(reusing nothing of an existing build) and imports there."""

import os
import pathlib
import shutil
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]


def copy_sources(target):
    """What a clean clone holds: tracked files and new ones not ignored, so no build folder."""
    try:
        listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                                cwd=ROOT, capture_output=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        shutil.copytree(ROOT, target, ignore=shutil.ignore_patterns(
            ".git", "build", "build-*", "__pycache__", "*.egg-info", ".venv"))
        return
    for name in filter(None, listed.decode().split("\0")):
        source = ROOT / name
        if source.is_file():
            (target / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(source, target / name)


def test_offline_install_into_a_virtual_environment(tmp_path):
    sources = tmp_path / "src"
    copy_sources(sources)
    venv = tmp_path / "venv"
    env = {k: v for k, v in os.environ.items() if not k.startswith(("PYTHON", "PIP_", "VIRTUAL_ENV"))}
    env["PIP_DISABLE_PIP_VERSION_CHECK"] = "1"

    subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", str(venv)], check=True, env=env)
    install = subprocess.run([str(venv / "bin" / "pip"), "install", "--no-build-isolation", "--no-index", "."],
                             cwd=sources, env=env, capture_output=True, text=True, timeout=900)
    assert install.returncode == 0, install.stdout[-4000:] + install.stderr[-4000:]

    check = (
        "import importlib.util, sys, _norvi_brevora, norvi_brevora\n"
        "print(_norvi_brevora.__file__)\n"
        "print(norvi_brevora.__file__)\n"
        "print(','.join(norvi_brevora.__all__))\n"
        "print(norvi_brevora.BrevoraConfig(domain='localhost:1').base_url)\n"
        "print(importlib.util.find_spec('norvi'))\n"
    )
    run = subprocess.run([str(venv / "bin" / "python"), "-c", check], cwd=tmp_path, env=env,
                         capture_output=True, text=True, check=True)
    extension, package, names, url, norvi = run.stdout.splitlines()
    site = venv / "lib" / f"python{sys.version_info.major}.{sys.version_info.minor}" / "site-packages"
    assert pathlib.Path(extension).parent == site
    assert pathlib.Path(package) == site / "norvi_brevora" / "__init__.py"
    assert names.split(",") == ["BrevoraError", "BrevoraPlatform", "BrevoraBackend", "TaskHandle", "BrevoraConfig",
                                "DeviceStatus", "DeviceType", "DeviceToll", "CalibrationMode"]
    assert url == "https://localhost:1"
    assert norvi == "None"  # the SDK stand-in used by the tests is not shipped

    symbols = subprocess.run(["nm", "-D", "--defined-only", extension], capture_output=True, text=True, check=True)
    assert [line.split()[-1] for line in symbols.stdout.splitlines()] == ["PyInit__norvi_brevora"]
