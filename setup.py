# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
"""The native module for pip: python/core.cpp with the library and its
stand-in platform libraries compiled in; the version from the C header."""
import glob
import re

from setuptools import Extension, setup

LIB = "l2protocols/ethernet/infra/common"
with open(f"{LIB}/include/ether_interface_policy_api.h") as header:
    VERSION = re.search(r'#define ETH_IF_PLCY_VERSION_STRING "([^"]+)"', header.read()).group(1)

setup(
    version=VERSION,
    # setuptools' own build folder, apart from the CMake build's build/.
    options={"build": {"build_base": ".pip-build"}},
    ext_modules=[Extension(
        "eth_if_plcy._core",
        sources=sorted(set(glob.glob("python/*.cpp")) - {"python/stubgen.cpp"}) + sorted(glob.glob(f"{LIB}/src/*.cpp")) +
        ["platform/efp_util/src/eth_efp_util.cpp", "platform/iftype/src/eth_iftype.cpp"],
        include_dirs=[f"{LIB}/include", f"{LIB}/description", "platform/efp_util/include",
                      "platform/iftype/include"],
        extra_compile_args=["-std=c++20", "-fvisibility=hidden"],
        language="c++",
    )],
)
