# cmake -DPXHOST=... -DIMAGE=... -DSCRIPT=... -DWORK=... -P run_session_script.cmake
# Runs a whole breeding session through pxhost's headless dialogs in a fresh
# directory, then repeats the last filter, and checks what the session left.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${PXHOST} ${IMAGE} -o out.png --session breed.gds --ui ${SCRIPT} --repeat
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pxhost exited with ${status}\n${out}\n${err}")
endif()
foreach(made breed.gds out.png favourite.gdo selection.png main.png)
  if(NOT EXISTS ${WORK}/${made})
    message(FATAL_ERROR "the session left no ${made}\n${out}\n${err}")
  endif()
endforeach()
string(FIND "${err}" "line 25: ok 3" picked)
if(picked EQUAL -1)
  message(FATAL_ERROR "the script did not reach its pick\n${err}")
endif()

# A command that cannot be carried out stops the script, names its line and
# makes pxhost exit with 2; the run is cancelled.
file(WRITE ${WORK}/hidden.pxs "# group 7 is not shown\nwait\nok 7\nok 0\n")
execute_process(
  COMMAND ${PXHOST} ${IMAGE} -o cancelled.png --session breed.gds --ui hidden.pxs
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "a failing script gave exit status ${status}\n${out}\n${err}")
endif()
string(FIND "${err}" "line 3: ok: group 7 is hidden" named)
if(named EQUAL -1)
  message(FATAL_ERROR "the failing line was not named\n${err}")
endif()
