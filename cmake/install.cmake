# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# Install components:
#   Runtime      the shared library
#   Development  headers (include/eth_if_plcy), the .so link, eth_if_plcy.pc,
#                the CMake package, the API reference
#   EfpUtil, Iftype  the stand-in platform libraries, with ETH_IF_PLCY_INSTALL_STANDINS
#                (their headers go with Development, to include/eth_if_plcy/standin)
#   Tool         ethplcy, its man page and bash completion
# Libraries find their siblings through $ORIGIN, programs through
# $ORIGIN/../<libdir>, so an installed tree runs wherever it lands.
include(CMakePackageConfigHelpers)

set(_headers ${CMAKE_INSTALL_INCLUDEDIR}/eth_if_plcy)
set_target_properties(eth_if_plcy eth_efp_util eth_iftype PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS eth_if_plcy eth_if_plcy_cxx
  EXPORT eth_if_plcyTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
  PUBLIC_HEADER DESTINATION ${_headers} COMPONENT Development)
if(ETH_IF_PLCY_INSTALL_STANDINS)
  foreach(_pair "eth_efp_util;EfpUtil" "eth_iftype;Iftype")
    list(GET _pair 0 _target)
    list(GET _pair 1 _component)
    install(TARGETS ${_target} EXPORT eth_if_plcyTargets
      LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${_component} NAMELINK_SKIP
      ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${_component}
      PUBLIC_HEADER DESTINATION ${_headers}/standin COMPONENT Development)
  endforeach()
endif()

set(_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/eth_if_plcy)
install(EXPORT eth_if_plcyTargets NAMESPACE eth_if_plcy:: DESTINATION ${_cmake_dir}
  COMPONENT Development)
configure_package_config_file(cmake/eth_if_plcyConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfig.cmake INSTALL_DESTINATION ${_cmake_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfigVersion.cmake DESTINATION ${_cmake_dir}
  COMPONENT Development)

# The .pc file finds its prefix from where it lies, so --prefix at install time
# works; under /usr (the packages) it names /usr itself, so that pkg-config
# sees the system folders and drops their -I and -L.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(ETH_IF_PLCY_PC_PREFIX /usr)
else()
  file(RELATIVE_PATH _pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  set(ETH_IF_PLCY_PC_PREFIX "\${pcfiledir}/${_pc_to_prefix}")
endif()
configure_file(cmake/eth_if_plcy.pc.in ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcy.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcy.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)
