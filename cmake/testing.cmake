# Test plumbing: every test executable is a Windows program run under wine.
# tests/support/wine-env.sh starts Xvfb when there is no display and creates the
# build's wine prefix once (test "wine.setup", a fixture every test requires).
set(TEST_ENV_DIR "${CMAKE_BINARY_DIR}/test-env")
set(TEST_WINE_RUN "${TEST_ENV_DIR}/wine-run")
# Debian's "wine" front script starts the 32-bit loader even for 64-bit programs,
# so a 64-bit build calls the 64-bit loader directly.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(WINE_LOADER /usr/lib/wine/wine64)
else()
  set(WINE_LOADER wine)
endif()
configure_file("${CMAKE_SOURCE_DIR}/tests/support/wine-run.in" "${TEST_WINE_RUN}"
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR "${TEST_WINE_RUN}")

add_test(NAME wine.setup COMMAND "${CMAKE_SOURCE_DIR}/tests/support/wine-env.sh" setup "${TEST_ENV_DIR}" "${WINE_LOADER}")
set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine.cleanup COMMAND "${CMAKE_SOURCE_DIR}/tests/support/wine-env.sh" cleanup "${TEST_ENV_DIR}" "${WINE_LOADER}")
set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# host_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# A console GoogleTest executable, run by CTest under wine with the wine fixture.
function(host_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  # Test programs see the engine log through a hook the product does not have.
  if(TARGET engine_log_hook)
    target_link_libraries(${name} PRIVATE engine_log_hook)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  # Generous: a full parallel run of the 32-bit build under emulation is slow.
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
  host_fail_on_wine_crash(${name})
endfunction()

# A program that wine ends for an unhandled exception (a stack overflow, a
# page fault) can still exit 0 when other threads of it were alive: wine's
# line about it fails the test whatever the exit code. For every test whose
# output is a wine program's own.
function(host_fail_on_wine_crash)
  set_tests_properties(${ARGN} PROPERTIES FAIL_REGULAR_EXPRESSION "wine: Unhandled ")
endfunction()
