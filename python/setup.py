"""The rtfplain Python package: a thin layer over the static C library, on the stable ABI.

scripts/wheel.sh builds the library and calls this with:
    RTFPLAIN_STATIC_LIB  the built librtfplain.a (required)
    RTFPLAIN_INCLUDE     the folder of rtfplain.h (default: the repository's include/)
    RTFPLAIN_BUILD_BASE  setuptools' scratch folder (default: the repository's build/python/)
    RTFPLAIN_WERROR      1: warnings are errors
"""
import os
import re
import sys

from setuptools import Extension, setup

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


def library_version():
    # One version for the program, the library and the package: CMake's project() has it.
    with open(os.path.join(REPO, "CMakeLists.txt"), encoding="utf-8") as f:
        found = re.search(r"project\(rtfplain VERSION (\d+\.\d+\.\d+)", f.read())
    if not found:
        sys.exit("setup.py: no version in CMakeLists.txt's project()")
    return found.group(1)


library = os.environ.get("RTFPLAIN_STATIC_LIB")
if not library or not os.path.isfile(library):
    sys.exit("setup.py: set RTFPLAIN_STATIC_LIB to the built librtfplain.a "
             "(bash scripts/wheel.sh does it all)")
include = os.environ.get("RTFPLAIN_INCLUDE", os.path.join(REPO, "include"))
build_base = os.environ.get("RTFPLAIN_BUILD_BASE", os.path.join(REPO, "build", "python"))
os.makedirs(build_base, exist_ok=True)
exports = os.path.join(HERE, "exports.map")

compile_args = ["-std=c11", "-fvisibility=hidden", "-Wall", "-Wextra"]
if os.environ.get("RTFPLAIN_WERROR") == "1":
    compile_args.append("-Werror")

extension = Extension(
    "rtfplain._rtfplain",
    sources=["src/_rtfplain.c"],
    include_dirs=[include],
    define_macros=[("Py_LIMITED_API", "0x03080000")],
    py_limited_api=True,
    extra_compile_args=compile_args,
    extra_objects=[library],
    # The library is C++: its runtime comes from the system, shared.
    libraries=["stdc++", "m"],
    extra_link_args=["-Wl,--version-script=" + exports, "-Wl,--exclude-libs,ALL", "-s"],
    depends=[library, os.path.join(include, "rtfplain.h"), exports],
)

setup(
    name="rtfplain",
    version=library_version(),
    description="Rich Text Format documents to plain text, through the rtfplain C library",
    license="MIT",
    python_requires=">=3.8",
    packages=["rtfplain"],
    package_data={"rtfplain": ["py.typed", "*.pyi"]},
    ext_modules=[extension],
    zip_safe=False,
    options={
        "build": {"build_base": build_base},
        "egg_info": {"egg_base": build_base},
        "bdist_wheel": {"py_limited_api": "cp38"},
    },
)
