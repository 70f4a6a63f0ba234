# vantrel_module(<target> [DEPS <libs>...] [TEST_DEPS <libs>...]
#                [TEST_PROPERTIES <name> <value>...])
#
# Builds the folder that calls it as one library: every *.cpp except tests
# (*_test.cpp), fuzz targets (*_fuzz.cpp) and benchmarks. Tests beside the code
# become one GoogleTest program run by ctest; fuzz targets are built when
# VANTREL_FUZZ is on.
function(vantrel_module target)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS;TEST_PROPERTIES" ${ARGN})
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(lib_sources ${all_sources})
  list(FILTER lib_sources EXCLUDE REGEX "_(test|fuzz)\\.cpp$")
  set(test_sources ${all_sources})
  list(FILTER test_sources INCLUDE REGEX "_test\\.cpp$")
  set(fuzz_sources ${all_sources})
  list(FILTER fuzz_sources INCLUDE REGEX "_fuzz\\.cpp$")

  add_library(${target} STATIC ${lib_sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})

  if(VANTREL_TESTS AND test_sources)
    add_executable(${target}_test ${test_sources})
    target_link_libraries(${target}_test PRIVATE ${target} ${ARG_TEST_DEPS}
                          GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${target}_test DISCOVERY_TIMEOUT 120
                         PROPERTIES ENVIRONMENT "VANTREL_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/testdata"
                                    ${ARG_TEST_PROPERTIES})
  endif()

  if(VANTREL_FUZZ)
    foreach(src ${fuzz_sources})
      get_filename_component(name ${src} NAME_WE)
      add_executable(${name} ${src})
      target_link_options(${name} PRIVATE -fsanitize=fuzzer)
      target_link_libraries(${name} PRIVATE ${target})
    endforeach()
  endif()
endfunction()
