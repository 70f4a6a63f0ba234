# Adds RECORDS generated records to a fresh file through the driver
# (tnltool sample, BATCH records per transaction), then holds the file to
# tnltool check: it must be clean. With PASSWORD the file is enciphered,
# and must then not read as a valid file without it.
#
#   cmake -DTNLTOOL=path -DDIR=dir -DRECORDS=n -DBATCH=k [-DPASSWORD=p]
#         -P sample_check.cmake
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}")
set(data "${DIR}/sample.tnl")
set(password_args "")
if(PASSWORD)
  set(password_args --password "${PASSWORD}")
endif()

execute_process(
  COMMAND "${TNLTOOL}" sample "${data}" --records ${RECORDS} --batch ${BATCH}
          ${password_args}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "table holds ${RECORDS}\n")
  message(FATAL_ERROR "tnltool sample failed (${rc}):\n${out}${err}")
endif()

execute_process(
  COMMAND "${TNLTOOL}" check "${data}" ${password_args}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "tnltool check found problems (${rc}):\n${out}${err}")
endif()

if(PASSWORD)
  execute_process(
    COMMAND "${TNLTOOL}" check "${data}"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc EQUAL 0)
    message(FATAL_ERROR "the enciphered file reads without its password")
  endif()
endif()
file(REMOVE_RECURSE "${DIR}")
