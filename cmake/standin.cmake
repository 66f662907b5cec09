# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# A stand-in for one of the platform's libraries: its own shared library with
# its own header, exporting only its operations, so that a platform can put
# its real one in its place. Installed headers go under
# include/eth_if_plcy/standin, away from where a platform's own would lie.
function(eth_if_plcy_standin target source header)
  add_library(${target} ${ETH_IF_PLCY_LIB_KIND} ${source})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/l2protocols/ethernet/infra/common/include>)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  # Always against the C library, even when no call needs it, so that the
  # library states what it was linked with.
  target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,--push-state,--no-as-needed,-lc,--pop-state)
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${ETH_IF_PLCY_SOVERSION}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
    PUBLIC_HEADER ${CMAKE_CURRENT_SOURCE_DIR}/include/${header})
endfunction()
