# SPDX-License-Identifier: Apache-2.0
# Debian packages (cpack -G DEB in a build configured with
# CMAKE_INSTALL_PREFIX=/usr): one per install group, named in Debian's style.
#   libeth-if-plcy<ABI>  Runtime (and the stand-ins)
#   libeth-if-plcy-dev   Development
#   ethplcy              Tool
#   python3-eth-if-plcy  Python
set(CPACK_PACKAGE_NAME eth-if-plcy)
set(CPACK_PACKAGE_VENDOR "eth_if_plcy developers")
set(CPACK_PACKAGE_CONTACT "eth_if_plcy developers <eth-if-plcy@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries, which no installed package owns yet, are found here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${PROJECT_BINARY_DIR}/l2protocols/ethernet/infra/common
    ${PROJECT_BINARY_DIR}/platform/efp_util ${PROJECT_BINARY_DIR}/platform/iftype)

set(_runtime_pkg libeth-if-plcy${ETH_IF_PLCY_SOVERSION})
set(_exact "(= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_RUNTIME_GROUP runtime)
set(CPACK_COMPONENT_STANDINS_GROUP runtime)
set(CPACK_COMPONENT_DEVELOPMENT_GROUP dev)
set(CPACK_COMPONENT_TOOL_GROUP tool)
set(CPACK_COMPONENT_PYTHON_GROUP python)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${_runtime_pkg})
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libeth-if-plcy-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${_runtime_pkg} ${_exact}")
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ethplcy)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION net)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS "${_runtime_pkg} ${_exact}")
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-eth-if-plcy)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "${_runtime_pkg} ${_exact}, python3 (>= 3.11), python3 (<< 3.12)")
set(CPACK_COMPONENT_GROUP_PYTHON_DESCRIPTION
    "Ethernet interface policy records (Python 3)\n The eth_if_plcy package: policies as Python objects, records as bytes.")
set(CPACK_COMPONENT_GROUP_RUNTIME_DESCRIPTION
    "Ethernet interface policy records (shared library)\n Packs an interface's Layer 2 settings into a compact, versioned record,\n converts it to network byte order, compares and prints it.")
set(CPACK_COMPONENT_GROUP_DEV_DESCRIPTION
    "Ethernet interface policy records (development files)\n C headers, the header-only C++ layer, pkg-config and CMake files, API reference.")
set(CPACK_COMPONENT_GROUP_TOOL_DESCRIPTION
    "Show, make and compare Ethernet interface policy records\n The ethplcy command-line tool.")

# Debian carries the license as /usr/share/doc/<package>/copyright.
foreach(_pair "Runtime;${_runtime_pkg}" "Development;libeth-if-plcy-dev" "Tool;ethplcy"
              "Python;python3-eth-if-plcy")
  list(GET _pair 0 _component)
  list(GET _pair 1 _package)
  if((_component STREQUAL "Tool" AND NOT TARGET ethplcy) OR
     (_component STREQUAL "Python" AND NOT TARGET eth_if_plcy_python))
    continue()
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${_package}
    RENAME copyright COMPONENT ${_component})
endforeach()

include(CPack)
