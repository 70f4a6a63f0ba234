# vantrel_layer(<library> <folder> [<uses>...] [TESTS <uses>...])
#
# One row of cmake/modules.cmake: records a library's folder and what it and
# its tests may use, for vantrel_module() and for the include check.
function(vantrel_layer name folder)
  cmake_parse_arguments(ARG "" "" "TESTS" ${ARGN})
  set_property(GLOBAL PROPERTY VANTREL_FOLDER_${name} ${folder})
  set_property(GLOBAL PROPERTY VANTREL_USES_${name} ${ARG_UNPARSED_ARGUMENTS})
  set_property(GLOBAL PROPERTY VANTREL_TEST_USES_${name} ${ARG_TESTS})
endfunction()

# vantrel_folder(<name> <folder> [<uses>...] [TESTS <uses>...])
#
# A row for a folder of programs: its includes are checked, but it is not a
# library, so no library's tests may link it.
function(vantrel_folder name folder)
  vantrel_layer(${name} ${folder} ${ARGN})
  set_property(GLOBAL PROPERTY VANTREL_PROGRAMS_${name} TRUE)
endfunction()

# vantrel_module(<target> [HEAVY_TESTS <gtest filter>]
#                [TEST_PROPERTIES <name> <value>...])
#
# Builds the folder that calls it as one library: every *.cpp except tests
# (*_test.cpp) and fuzz targets (*_fuzz.cpp), linked to the libraries its
# row in cmake/modules.cmake names. Tests beside the code become one
# GoogleTest program run by ctest (linked also to the row's TESTS); fuzz
# targets are built when VANTREL_FUZZ is on. TEST_PROPERTIES are set on
# every test of the folder (a label, say). Tests matching HEAVY_TESTS (long
# sweeps that run a sample unless told otherwise) carry the label `heavy`,
# so that `ctest -LE heavy` leaves them out and `ctest -L heavy` runs them.
function(vantrel_module target)
  cmake_parse_arguments(ARG "" "HEAVY_TESTS" "TEST_PROPERTIES" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vantrel_module(${target}): what a library uses is "
            "declared in cmake/modules.cmake, not here")
  endif()
  get_property(known GLOBAL PROPERTY VANTREL_FOLDER_${target} SET)
  if(NOT known)
    message(FATAL_ERROR "vantrel_module(${target}): no row in cmake/modules.cmake")
  endif()
  get_property(uses GLOBAL PROPERTY VANTREL_USES_${target})
  get_property(test_uses GLOBAL PROPERTY VANTREL_TEST_USES_${target})
  foreach(use IN LISTS test_uses)
    get_property(programs GLOBAL PROPERTY VANTREL_PROGRAMS_${use})
    if(programs)
      list(REMOVE_ITEM test_uses ${use})
    endif()
  endforeach()
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(lib_sources ${all_sources})
  list(FILTER lib_sources EXCLUDE REGEX "_(test|fuzz)\\.cpp$")
  set(test_sources ${all_sources})
  list(FILTER test_sources INCLUDE REGEX "_test\\.cpp$")
  set(fuzz_sources ${all_sources})
  list(FILTER fuzz_sources INCLUDE REGEX "_fuzz\\.cpp$")

  if(lib_sources)
    add_library(${target} STATIC ${lib_sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${uses})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${uses})
  endif()

  if(VANTREL_TESTS AND test_sources)
    add_executable(${target}_test ${test_sources})
    target_link_libraries(${target}_test PRIVATE ${target} ${test_uses}
                          GTest::gtest GTest::gtest_main GTest::gmock)
    set(environment "VANTREL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/testdata")
    if(ARG_HEAVY_TESTS)
      gtest_discover_tests(${target}_test DISCOVERY_TIMEOUT 120
                           TEST_FILTER "-${ARG_HEAVY_TESTS}"
                           PROPERTIES ENVIRONMENT "${environment}"
                                      ${ARG_TEST_PROPERTIES})
      gtest_discover_tests(${target}_test DISCOVERY_TIMEOUT 120
                           TEST_FILTER "${ARG_HEAVY_TESTS}"
                           PROPERTIES ENVIRONMENT "${environment}"
                                      LABELS heavy ${ARG_TEST_PROPERTIES})
    else()
      gtest_discover_tests(${target}_test DISCOVERY_TIMEOUT 120
                           PROPERTIES ENVIRONMENT "${environment}"
                                      ${ARG_TEST_PROPERTIES})
    endif()
  endif()

  if(VANTREL_FUZZ)
    foreach(src ${fuzz_sources})
      get_filename_component(name ${src} NAME_WE)
      add_executable(${name} ${src})
      target_link_options(${name} PRIVATE -fsanitize=fuzzer)
      target_link_libraries(${name} PRIVATE ${target} ${test_uses})
    endforeach()
  endif()
endfunction()
