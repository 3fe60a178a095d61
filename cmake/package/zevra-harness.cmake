# Component harness: zevra::harness, the self-test harness, for a program's
# own test runner, with the client zevra::zevra-test and zevra_discover_tests. It needs threads and GCC's libbacktrace, which it links by
# name (-lbacktrace): the compiler's driver finds it in its own library
# folder, so no path into a compiler is stored in the package. A component
# whose dependency is missing is not found, without failing the others.
find_package(Threads QUIET)
execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=libbacktrace.a
                OUTPUT_VARIABLE _zevra_backtrace OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET)
if(NOT Threads_FOUND OR NOT IS_ABSOLUTE "${_zevra_backtrace}")
  set(zevra_harness_FOUND FALSE)
  set(zevra_NOT_FOUND_MESSAGE
      "zevra::harness needs threads and GCC's libbacktrace.a (Debian: libgcc-12-dev)")
  return()
endif()
include("${CMAKE_CURRENT_LIST_DIR}/zevra-harness-targets.cmake")
# The protocol client zevra::zevra-test (in the same targets file) and
# zevra_discover_tests, which registers a runner's tests with CTest.
include("${CMAKE_CURRENT_LIST_DIR}/ZevraDiscoverTests.cmake")
set(zevra_harness_FOUND TRUE)
