# Install: the four headers, the three shared libraries, a pkg-config file and
# a CMake package with the imported target eth_if_plcy::eth_if_plcy.
include(CMakePackageConfigHelpers)

install(TARGETS eth_if_plcy eth_efp_util eth_iftype
  EXPORT eth_if_plcyTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/eth_if_plcy)
install(EXPORT eth_if_plcyTargets NAMESPACE eth_if_plcy:: DESTINATION ${_cmake_dir})
configure_package_config_file(cmake/eth_if_plcyConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfig.cmake INSTALL_DESTINATION ${_cmake_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcyConfigVersion.cmake DESTINATION ${_cmake_dir})

# The .pc file finds its prefix from where it lies, so --prefix at install time works.
file(RELATIVE_PATH ETH_IF_PLCY_PC_TO_PREFIX
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(cmake/eth_if_plcy.pc.in ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcy.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/eth_if_plcy.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
