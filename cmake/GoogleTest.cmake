# GoogleTest is built from Debian's googletest sources for both builds, so the
# host and the Windows tests use the same framework version.
set(MOVREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${MOVREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# movrel_test(name SOURCES... DEPS ...): one GoogleTest program, registered
# test by test with ctest (run under Wine in the Windows build), linked with
# the tests' shared helpers (tests/support).
function(movrel_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} movrel_test_support gtest gtest_main)
  if(TARGET movrel_app_stand_ins)
    target_link_libraries(${name} PRIVATE movrel_app_stand_ins)
  endif()
  target_compile_definitions(${name} PRIVATE MOVREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # Test bodies contain GBK literals compared with bytes; keep the warnings useful.
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
