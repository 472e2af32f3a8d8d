# cmake -DCOMMAND=<program;args> -DSTATUS=<n> -DSTDOUT=<text> -DSTDERR=<text> -P run_check.cmake
# Runs the command and fails unless its exit status, standard output and
# standard error are exactly the ones given ("\n" in the texts is a line end).
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE status
                OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
foreach(expected STDOUT STDERR)
  string(REPLACE "\\n" "\n" ${expected} "${${expected}}")
endforeach()
set(problems)
if(NOT status STREQUAL STATUS)
  string(APPEND problems "exit status ${status}, expected ${STATUS}\n")
endif()
if(NOT stdout STREQUAL STDOUT)
  string(APPEND problems "standard output:\n[${stdout}]\nexpected:\n[${STDOUT}]\n")
endif()
if(NOT stderr STREQUAL STDERR)
  string(APPEND problems "standard error:\n[${stderr}]\nexpected:\n[${STDERR}]\n")
endif()
if(problems)
  message(FATAL_ERROR "${COMMAND}:\n${problems}")
endif()
