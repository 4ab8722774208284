"""Builds the extension module with CMake and ships it beside the norvi_brevora package.

    python3 -m venv --system-site-packages V && V/bin/pip install --no-build-isolation --no-index .
"""

import os
import pathlib
import shutil
import subprocess
import sys
import sysconfig

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    """Configures and builds the one CMake target of the module; the compiler flags are the project's."""

    def build_extension(self, ext):
        build_dir = pathlib.Path(self.build_temp).resolve() / "cmake"
        subprocess.run(
            [
                "cmake", "-S", str(ROOT), "-B", str(build_dir), "-G", "Ninja",
                f"-DPython3_EXECUTABLE={sys.executable}",
                "-DNORVI_BUILD_BENCH=OFF",
                # The build type the tests run against: the same optimiser, the same warnings (-Werror).
                "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
            ],
            check=True,
        )
        jobs = str(self.parallel or os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build_dir), "--target", ext.name, "-j", jobs], check=True)
        built = build_dir / "python" / (ext.name + sysconfig.get_config_var("EXT_SUFFIX"))
        if not built.is_file():
            raise RuntimeError(f"CMake did not produce {built}")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(
    name="norvi_brevora",
    version="0.1.0",
    description="Client library of the Brevora quantum-computing cloud platform",
    python_requires=">=3.11",
    package_dir={"": "python"},
    packages=["norvi_brevora"],  # python/norvi, the stand-in SDK for tests, is not shipped
    ext_modules=[CMakeExtension("_norvi_brevora")],
    cmdclass={"build_ext": CMakeBuild},
    # Keep setuptools' own build folders apart from the CMake build/ folder of a checkout.
    options={"build": {"build_base": "build-setuptools"}, "egg_info": {"egg_base": "build-setuptools"}},
    zip_safe=False,
)
