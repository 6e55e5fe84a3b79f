# Runs one event script in its own folder of the build tree and compares the state dump it
# writes with the expected one kept beside the script.
#   -DQMSCRIPT=... -DSCRIPT=.../NAME.qms -DWORK=<build folder> [-DEXPECT_FAILURE=1]
# The script runs on a copy, so everything it writes lands in WORK/NAME, never in the sources.
get_filename_component(_name ${SCRIPT} NAME_WE)
get_filename_component(_dir ${SCRIPT} DIRECTORY)
set(_work ${WORK}/${_name})
file(REMOVE_RECURSE ${_work})
file(MAKE_DIRECTORY ${_work})
file(COPY ${SCRIPT} DESTINATION ${_work})
# Expected images the script compares with (expect-layer) travel with it.
file(GLOB _images ${_dir}/${_name}*.png)
if(_images)
  file(COPY ${_images} DESTINATION ${_work})
endif()

execute_process(
  COMMAND ${QMSCRIPT} --workdir ${_work} --seed 1 ${_work}/${_name}.qms
  RESULT_VARIABLE _result
  OUTPUT_VARIABLE _out
  ERROR_VARIABLE _err)

if(EXPECT_FAILURE)
  if(_result EQUAL 0)
    message(FATAL_ERROR "${_name}: the script should have been refused\n${_out}${_err}")
  endif()
  if(NOT _err MATCHES "line [0-9]+:")
    message(FATAL_ERROR "${_name}: the refusal does not name the line: ${_err}")
  endif()
  return()
endif()

if(NOT _result EQUAL 0)
  message(FATAL_ERROR "${_name}: qmscript failed (${_result})\n${_out}${_err}")
endif()
set(_expected ${_dir}/${_name}.state)
set(_actual ${_work}/${_name}.state)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${_expected} ${_actual}
                RESULT_VARIABLE _same)
if(NOT _same EQUAL 0)
  find_program(_diff diff)
  if(_diff)
    execute_process(COMMAND ${_diff} -u ${_expected} ${_actual} OUTPUT_VARIABLE _delta)
  endif()
  message(FATAL_ERROR "${_name}: the state differs from ${_expected}\n${_delta}")
endif()
