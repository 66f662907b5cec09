# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Debian packages (cpack -G DEB in a build configured with
# CMAKE_INSTALL_PREFIX=/usr and dpkg-buildflags; scripts/package.sh does
# both): one per install group, named in Debian's style, each with a -dbgsym
# package holding its debug information.
#   libeth-if-plcy<ABI>  Runtime: the library, symbols, shlibs, ldconfig trigger
#   libeth-efp-util<ABI> EfpUtil: the stand-in EFP utility library
#   libeth-iftype<ABI>   Iftype: the stand-in interface-type library
#   libeth-if-plcy-dev   Development
#   ethplcy              Tool
#   python3-eth-if-plcy  Python
#   wireshark-eth-if-plcy Wireshark: the dissector plugin
include(cmake/symbols.cmake)

set(CPACK_PACKAGE_NAME eth-if-plcy)
set(CPACK_PACKAGE_VENDOR "The eth_if_plcy developers")
set(CPACK_PACKAGE_CONTACT "The eth_if_plcy developers <maintainers@eth-if-plcy.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# CPack puts any other summary in front of every package's own description.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_NAME} built using CMake")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision: packaging changes without a new release bump it, and
# packaging/changelog's first entry must name the same version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Stripped binaries; the debug information goes to -dbgsym packages.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# Our own libraries, which no installed package owns yet, are found here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${PROJECT_BINARY_DIR}/l2protocols/ethernet/infra/common
    ${PROJECT_BINARY_DIR}/platform/efp_util ${PROJECT_BINARY_DIR}/platform/iftype)

set(_abi ${ETH_IF_PLCY_SOVERSION})
set(_runtime_pkg libeth-if-plcy${_abi})
set(_full_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(_exact "(= ${_full_version})")
foreach(_pair "RUNTIME;runtime" "EFPUTIL;efputil" "IFTYPE;iftype" "DEVELOPMENT;development" "TOOL;tool"
              "PYTHON;python" "WIRESHARK;wireshark")
  list(GET _pair 0 _component)
  list(GET _pair 1 _group)
  set(CPACK_COMPONENT_${_component}_GROUP ${_group})
endforeach()

# The stand-ins name the platform's libraries: a platform that ships its own
# provides the virtual package of that ABI (eth-efp-util-abi0,
# eth-iftype-abi0) and conflicts with the stand-in, whose files it replaces.
set(_platform_depends "")
foreach(_pair "EFPUTIL;efp-util;libeth_efp_util" "IFTYPE;iftype;libeth_iftype")
  list(GET _pair 0 _group)
  list(GET _pair 1 _name)
  list(GET _pair 2 _lib)
  set(_pkg libeth-${_name}${_abi})
  set(CPACK_DEBIAN_${_group}_PACKAGE_NAME ${_pkg})
  set(_control ${PROJECT_BINARY_DIR}/packaging/${_pkg})
  file(WRITE ${_control}/shlibs "${_lib} ${_abi} ${_pkg} (>= ${PROJECT_VERSION}) | eth-${_name}-abi${_abi}\n")
  file(WRITE ${_control}/triggers "activate-noawait ldconfig\n")
  set(CPACK_DEBIAN_${_group}_PACKAGE_CONTROL_EXTRA "${_control}/shlibs;${_control}/triggers")
  set(CPACK_DEBIAN_${_group}_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  list(APPEND _platform_depends "${_pkg} (>= ${PROJECT_VERSION}) | eth-${_name}-abi${_abi}")
endforeach()
list(JOIN _platform_depends ", " _platform_depends)

# The library: a symbols file made from the version script, shlibs for the
# newest release that added symbols, and ldconfig as a trigger.
set(_control ${PROJECT_BINARY_DIR}/packaging/${_runtime_pkg})
eth_if_plcy_symbols_file(${PROJECT_SOURCE_DIR}/l2protocols/ethernet/infra/common/src/libeth_if_plcy.map
                         libeth_if_plcy.so.${_abi} ${_runtime_pkg}
                         libeth-if-plcy-dev ${_control}/symbols)
file(STRINGS ${_control}/symbols _newest REGEX "^ ")
list(TRANSFORM _newest REPLACE ".* " "")
list(SORT _newest COMPARE NATURAL ORDER DESCENDING)
list(GET _newest 0 _newest)
file(WRITE ${_control}/shlibs "libeth_if_plcy ${_abi} ${_runtime_pkg} (>= ${_newest})\n")
file(WRITE ${_control}/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${_runtime_pkg})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${_platform_depends}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    "${_control}/symbols;${_control}/shlibs;${_control}/triggers")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libeth-if-plcy-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${_runtime_pkg} ${_exact}")
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ethplcy)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION net)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "${_runtime_pkg} ${_exact}")
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-eth-if-plcy)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "${_runtime_pkg} ${_exact}, python3 (>= 3.11), python3 (<< 3.12)")
set(CPACK_DEBIAN_WIRESHARK_PACKAGE_NAME wireshark-eth-if-plcy)
set(CPACK_DEBIAN_WIRESHARK_PACKAGE_SECTION net)
set(CPACK_DEBIAN_WIRESHARK_PACKAGE_DEPENDS "${_runtime_pkg} ${_exact}")

# Each package: a synopsis of its own and an extended description (CPack
# indents it and turns each blank line into " .").
set(_about "Teams that build switches and routers use eth_if_plcy to pack an\ninterface's Layer 2 settings into a compact, versioned record, ship it\nbetween processes and hosts in network byte order, find what changed\nbetween two versions and print it.")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "Ethernet interface policy records - shared library\n${_about}\n\nThis package holds the shared library.")
set(CPACK_DEBIAN_EFPUTIL_DESCRIPTION
    "EFP utility library for eth_if_plcy - portable stand-in\n${_about}\n\nThis package holds a portable stand-in for the platform's EFP utility\nlibrary, which builds and compares the EFP forms of a record. A platform\nthat ships its own provides eth-efp-util-abi0 instead.")
set(CPACK_DEBIAN_IFTYPE_DESCRIPTION
    "interface-type library for eth_if_plcy - portable stand-in\n${_about}\n\nThis package holds a portable stand-in for the platform's interface-type\nlibrary, which names the Ethernet interface types. A platform that ships\nits own provides eth-iftype-abi0 instead.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "Ethernet interface policy records - development files\n${_about}\n\nThis package holds the C headers, the header-only C++20 layer, the\npkg-config and CMake files, one manual page per function and the HTML\nAPI reference.")
set(CPACK_DEBIAN_TOOL_DESCRIPTION
    "show, make and compare Ethernet interface policy records\n${_about}\n\nThis package holds ethplcy, which prints records in several layouts,\nencodes them from JSON, compares two of them and dumps their bytes.")
set(CPACK_DEBIAN_WIRESHARK_DESCRIPTION
    "Wireshark dissector for Ethernet interface policy records\n${_about}\n\nThis package holds a Wireshark and tshark plugin that dissects records\ncarried in UDP datagrams, every field filterable by its JSON path\n(eth_if_plcy.mtu, eth_if_plcy.efp.tag.vlan).")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "Ethernet interface policy records - Python 3 module\n${_about}\n\nThis package holds the eth_if_plcy Python 3 module: policies as Python\nobjects, records as bytes.")

# Every package: the machine-readable copyright and the Debian changelog.
set(_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(OUTPUT ${_changelog}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(debian_changelog ALL DEPENDS ${_changelog})
foreach(_pair "Runtime;${_runtime_pkg}" "EfpUtil;libeth-efp-util${_abi}"
              "Iftype;libeth-iftype${_abi}" "Development;libeth-if-plcy-dev" "Tool;ethplcy"
              "Python;python3-eth-if-plcy" "Wireshark;wireshark-eth-if-plcy")
  list(GET _pair 0 _component)
  list(GET _pair 1 _package)
  if((_component STREQUAL "Tool" AND NOT TARGET ethplcy) OR
     (_component STREQUAL "Python" AND NOT TARGET eth_if_plcy_python) OR
     (_component STREQUAL "Wireshark" AND NOT TARGET eth_if_plcy_dissector) OR
     (_component MATCHES "EfpUtil|Iftype" AND NOT ETH_IF_PLCY_INSTALL_STANDINS))
    continue()
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${_changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${_package} COMPONENT ${_component})
endforeach()

include(CPack)
