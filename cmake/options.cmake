# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# eth_if_plcy_want(OPTION FOUND WHAT): whether to build a part that its option
# (ON, OFF or AUTO) asks for. AUTO without FOUND skips it with one line; ON
# without FOUND is an error.
function(eth_if_plcy_want result option found what)
  set(value ${${option}})
  if(value STREQUAL "AUTO")
    if(found)
      set(${result} ON PARENT_SCOPE)
    else()
      message(STATUS "${what} not found: skipped (${option}=ON makes it an error)")
      set(${result} OFF PARENT_SCOPE)
    endif()
  elseif(value)
    if(NOT found)
      message(FATAL_ERROR "${option}=${value} but ${what} was not found")
    endif()
    set(${result} ON PARENT_SCOPE)
  else()
    set(${result} OFF PARENT_SCOPE)
  endif()
endfunction()
