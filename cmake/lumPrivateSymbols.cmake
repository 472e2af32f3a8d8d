# cmake -DNM=<nm> -DREADELF=<readelf> -DOBJCOPY=<objcopy> -DINPUT=<linked.o>
#       -DOUTPUT=<out.o> -DPREFIX=<text> -P lumPrivateSymbols.cmake -- <own object>...
#
# INPUT is a partial link (ld -r) of our own objects with the library code
# they need. OUTPUT is INPUT with every symbol it defines renamed to
# PREFIX<name>, except the strong definitions of our own objects, which are
# the library's interface. So a program that links OUTPUT and a copy of that
# library code of its own (another version, or the same one linked before
# OUTPUT) meets no second definition of its functions and data, and none of
# its inline functions, templates and virtual tables is merged with ours:
# the groups that hold those (COMDAT) are renamed too, also those named
# after no symbol of their own (a constructor's or destructor's "C5"/"D5"),
# or the program's copy of a group would replace ours and take with it the
# definitions that our renamed symbols name.
# References inside OUTPUT follow the renaming; undefined symbols (the C and
# C++ run-time libraries) keep their names.

cmake_minimum_required(VERSION 3.20)

function(lum_defined_symbols result types)
  execute_process(COMMAND ${NM} --defined-only --extern-only --format=posix ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE listing ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} failed: ${errors}")
  endif()
  # One line per symbol, "name type value size", and a line "file:" before
  # the symbols of each object. Symbol names hold no blanks, ";" or brackets.
  string(REPLACE "\n" ";" lines "${listing}")
  set(names)
  foreach(line ${lines})
    if(line MATCHES "^([^ ]+) ([A-Za-z]) ")
      set(name ${CMAKE_MATCH_1})
      if(CMAKE_MATCH_2 MATCHES "^[${types}]$")
        list(APPEND names ${name})
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  set(${result} ${names} PARENT_SCOPE)
endfunction()

set(own)
set(collect FALSE)
foreach(i RANGE ${CMAKE_ARGC})
  if(collect AND DEFINED CMAKE_ARGV${i})
    list(APPEND own ${CMAKE_ARGV${i}})
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(collect TRUE)
  endif()
endforeach()
if(NOT own)
  message(FATAL_ERROR "lumPrivateSymbols.cmake: no own objects given after --")
endif()

# strong: code, data, read-only data, zero-filled data (T D R B)
lum_defined_symbols(interface TDRB ${own})
lum_defined_symbols(defined A-Za-z ${INPUT})
execute_process(COMMAND ${READELF} --section-groups --wide ${INPUT}
                RESULT_VARIABLE status OUTPUT_VARIABLE groups ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${READELF} failed: ${errors}")
endif()
string(REGEX MATCHALL "COMDAT group section \\[ *[0-9]+\\] `[^']*' \\[[^]\n]+\\]" headers "${groups}")
foreach(header ${headers})
  string(REGEX REPLACE ".*' \\[(.*)\\]$" "\\1" signature "${header}")
  list(APPEND defined ${signature})
endforeach()
list(REMOVE_DUPLICATES defined)
set(renames)
set(kept 0)
foreach(name ${defined})
  if(name IN_LIST interface)
    math(EXPR kept "${kept} + 1")
  else()
    string(APPEND renames "${name} ${PREFIX}${name}\n")
  endif()
endforeach()
list(LENGTH interface expected)
if(kept EQUAL 0 OR NOT kept EQUAL expected)
  message(FATAL_ERROR "lumPrivateSymbols.cmake: ${INPUT} defines ${kept} of the ${expected} "
                      "symbols of the own objects")
endif()
file(WRITE ${OUTPUT}.renames "${renames}")
execute_process(COMMAND ${OBJCOPY} --redefine-syms=${OUTPUT}.renames ${INPUT} ${OUTPUT}
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "${OBJCOPY} failed: ${errors}")
endif()
