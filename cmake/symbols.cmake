# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 The eth_if_plcy developers
# eth_if_plcy_symbols_file(MAP SONAME PACKAGE DEV_PACKAGE OUT): the Debian
# symbols file of a library from its version script, whose every node follows
# a comment "Added in X.Y.Z.": each exported symbol (and each node's own name)
# with the release that added it. The version script stays the one source.
function(eth_if_plcy_symbols_file map soname package dev_package out)
  file(READ ${map} text)
  string(REPLACE ";" "\n" text "${text}") # keep CMake's list separator out of the matches
  string(REGEX MATCHALL "Added in [0-9.]+\\. \\*/[ \n]*[A-Z0-9_.]+ {[^}]*}" nodes "${text}")
  set(lines "")
  foreach(node IN LISTS nodes)
    string(REGEX MATCH "Added in ([0-9.]+)\\. \\*/[ \n]*([A-Z0-9_.]+)" _ "${node}")
    set(since ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    list(APPEND lines " ${name}@${name} ${since}")
    string(REGEX REPLACE ".*global:(.*)local:.*" "\\1" global "${node}")
    string(REGEX REPLACE ".*global:(.*)}" "\\1" global "${global}")
    string(REGEX MATCHALL "[a-z_][a-z0-9_]*" symbols "${global}")
    foreach(symbol IN LISTS symbols)
      list(APPEND lines " ${symbol}@${name} ${since}")
    endforeach()
  endforeach()
  list(SORT lines)
  list(JOIN lines "\n" body)
  file(WRITE ${out} "${soname} ${package} #MINVER#\n* Build-Depends-Package: ${dev_package}\n${body}\n")
endfunction()
