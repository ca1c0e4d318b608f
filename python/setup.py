"""Builds the module with the project's CMake build rather than setuptools' compiler
calls, so that it gets the library's kernels (assembly included) and flags."""
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parent

# setuptools puts only files of this folder into the wheel: the license texts come in from the
# top of the repository (the default license_files patterns find them here).
for license_text in SOURCE.glob("LICENSE-*"):
    shutil.copyfile(license_text, HERE / license_text.name)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", SOURCE, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DMORV_BUILD_TESTS=OFF",
                        "-DMORV_INSTALL=OFF", "-DMORV_BUILD_PYTHON=ON", f"-DPython3_EXECUTABLE={sys.executable}"],
                       check=True)
        subprocess.run(["cmake", "--build", build, "-j2", "--target", "morv_python"], check=True)
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(next((build / "python").glob("morv.*.so")), target)
        shutil.copyfile(HERE / "morv.pyi", target.parent / "morv.pyi")


setup(version=re.search(r"project\(morv VERSION ([\d.]+)", (SOURCE / "CMakeLists.txt").read_text())[1],
      ext_modules=[Extension("morv", sources=[])], cmdclass={"build_ext": CMakeBuild})
