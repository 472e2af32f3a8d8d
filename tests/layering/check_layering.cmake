# Builds each layering probe (BUILD_DIR, PROBES = probe:header:FOUND|MISSING
# list) and checks that the compiler found its header, or failed only because
# the header is not on the include path.
set(failures 0)
foreach(entry ${PROBES})
  string(REPLACE ":" ";" fields "${entry}")
  list(GET fields 0 probe)
  list(GET fields 1 header)
  list(GET fields 2 expect)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${probe}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(FIND "${output}" "${header}: No such file or directory" missing)
  if(expect STREQUAL "FOUND" AND result EQUAL 0)
    message(STATUS "${probe}: ${header} found")
  elseif(expect STREQUAL "MISSING" AND NOT result EQUAL 0 AND NOT missing EQUAL -1)
    message(STATUS "${probe}: ${header} not on the include path")
  else()
    message("${probe}: expected ${header} to be ${expect}, but the build gave:\n${output}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} layering probe(s) failed")
endif()
