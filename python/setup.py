"""Builds the module with the project's CMake build rather than setuptools' compiler
calls, so that it gets the library's kernels (assembly included) and flags."""
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pybind11
from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent.parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DMORV_BUILD_TESTS=OFF",
                        "-DMORV_INSTALL=OFF", "-DMORV_BUILD_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}",
                        f"-Dpybind11_DIR={pybind11.get_cmake_dir()}"],
                       check=True)
        subprocess.run(["cmake", "--build", build, "-j2", "--target", "morv_python"], check=True)
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(next((build / "python").glob("morv.*.so")), target)
        shutil.copyfile(SOURCE / "python" / "morv.pyi", target.parent / "morv.pyi")


setup(version=re.search(r"project\(morv VERSION ([\d.]+)", (SOURCE / "CMakeLists.txt").read_text())[1],
      ext_modules=[Extension("morv", sources=[])], cmdclass={"build_ext": CMakeBuild})
