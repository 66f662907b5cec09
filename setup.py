# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The native module for pip, as the CMake build makes it: the module's
sources and the library's (with its stand-in platform libraries compiled in)
from the CMake lists, the same flags (C++20; the library without exceptions
or RTTI; hidden visibility; the warnings) and python/module.map, which
exports PyInit__core alone; the version from the C header."""
import re

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

LIB = "l2protocols/ethernet/infra/common"
WARNINGS = ["-Wall", "-Wextra", "-Wpedantic", "-Wshadow", "-Wformat=2", "-Wcast-qual", "-Wundef"]
COMMON = ["-std=c++20", "-fvisibility=hidden", "-fvisibility-inlines-hidden"] + WARNINGS
INCLUDES = [f"{LIB}/include", f"{LIB}/description", f"{LIB}/openconfig",
            "platform/efp_util/include", "platform/iftype/include"]


def listed(path: str, pattern: str) -> list:
    """The source files a CMake list names, by the pattern around them."""
    with open(path) as cmake:
        return re.search(pattern, cmake.read(), re.S).group(1).split()


with open(f"{LIB}/include/ether_interface_policy_api.h") as header:
    VERSION = re.search(r'#define ETH_IF_PLCY_VERSION_STRING "([^"]+)"', header.read()).group(1)
LIBRARY = [f"{LIB}/{s}" for s in listed(f"{LIB}/CMakeLists.txt", r"set\(ETH_IF_PLCY_SOURCES(.*?)\)")]
MODULE = [f"python/{s}" for s in listed("python/CMakeLists.txt", r"MODULE(.*?)WITH_SOABI")]

class BuildExt(build_ext):
    """build_ext that builds the library first (setup.py build_ext alone does not)."""

    def run(self) -> None:
        self.run_command("build_clib")
        super().run()


setup(
    version=VERSION,
    cmdclass={"build_ext": BuildExt},
    # setuptools' own build folder, apart from the CMake build's build/.
    options={"build": {"build_base": ".pip-build"}},
    libraries=[("eth_if_plcy_all", {
        "sources": LIBRARY + ["platform/efp_util/src/eth_efp_util.cpp",
                              "platform/iftype/src/eth_iftype.cpp"],
        "include_dirs": INCLUDES,
        "cflags": COMMON + ["-fno-exceptions", "-fno-rtti"],
    })],
    ext_modules=[Extension(
        "eth_if_plcy._core",
        sources=MODULE,
        include_dirs=INCLUDES,
        extra_compile_args=COMMON + ["-Wno-missing-field-initializers", "-Wno-cast-function-type"],
        extra_link_args=["-Wl,--version-script=python/module.map"],
        depends=["python/module.map"],
        language="c++",
    )],
)
