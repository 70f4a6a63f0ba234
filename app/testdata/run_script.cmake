# Plays a user's script against the vantrel program without a display and
# compares the transcript with the expected one; then every card file (and
# change file) the session left must pass tnltool check and dump.
#
#   cmake -DVANTREL=path -DTNLTOOL=path -DSCRIPT=name.script -DWORK=dir
#         [-DUPDATE=1] -P run_script.cmake
#
# The session runs in WORK (emptied first), which is also its configuration
# directory and its data directory, so a first start finds the demo card
# file there. A file NAME.ini beside the script becomes its VANTREL.INI.
# The transcript names WORK as <work> and the script by its file name. The expected transcript is
# NAME.transcript beside the script; UPDATE=1 writes it instead.
get_filename_component(name "${SCRIPT}" NAME_WE)
get_filename_component(here "${SCRIPT}" DIRECTORY)
set(expected_file "${here}/${name}.transcript")

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(EXISTS "${here}/${name}.ini")
  configure_file("${here}/${name}.ini" "${WORK}/VANTREL.INI" @ONLY)
endif()

set(ENV{XDG_DATA_HOME} "${WORK}/data")
execute_process(
  COMMAND "${VANTREL}" --script "${SCRIPT}" --config-dir "${WORK}"
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE transcript ERROR_VARIABLE err)
string(REPLACE "${WORK}" "<work>" transcript "${transcript}")
string(REPLACE "${here}/" "" transcript "${transcript}")

if(UPDATE)
  file(WRITE "${expected_file}" "${transcript}")
else()
  file(READ "${expected_file}" expected)
  if(NOT transcript STREQUAL expected)
    file(WRITE "${WORK}/${name}.actual" "${transcript}")
    execute_process(COMMAND diff -u "${expected_file}" "${WORK}/${name}.actual")
    message(FATAL_ERROR "${name}: the transcript differs (above)")
  endif()
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${name}: the script ended with ${rc}:\n${err}")
endif()

file(GLOB_RECURSE card_files "${WORK}/*.vtl")
foreach(card_file ${card_files})
  execute_process(COMMAND "${TNLTOOL}" check "${card_file}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "${card_file} is damaged (${rc}):\n${out}${err}")
  endif()
  # Card files and change files alike must read back record by record.
  execute_process(COMMAND "${TNLTOOL}" dump "${card_file}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${card_file} cannot be dumped (${rc}):\n${err}")
  endif()
endforeach()
