# zevra_discover_tests(TARGET [EXTRA_ARGS arg...] [TEST_PREFIX prefix]
#                      [PROPERTIES name value...] [DISCOVERY_TIMEOUT seconds])
#
# Registers one CTest test for each test that TARGET, an executable built on
# the Zevra harness, registers: named by its full name as zevra-test prints it
# (after TEST_PREFIX), labelled with its module (the part of the name before
# ".test."), running exactly that test through zevra-test, named by its place
# in the registry and the digest of its name (so the command line stays short
# whatever the name, and a stale listing is refused rather than run):
#   zevra-test EXTRA_ARGS --skip-return-code 77 --index I:DIGEST TARGET
# CTest's verdict is zevra-test's exit status: 0 passed, 77 (every run
# skipped) skipped, anything else failed. The names are read when ctest runs,
# not when the project is configured: before ctest reads the tests of this
# directory, it runs `zevra-test --list-indexed EXTRA_ARGS TARGET` whenever
# TARGET or zevra-test changed since the last listing; two tests of one name
# stop it with a message naming them.
#   EXTRA_ARGS         zevra-test options for the listing and for every run
#                      (for example --filter PATTERN or --timeout SECONDS)
#   PROPERTIES         further properties of every test, as for set_tests_properties
#   DISCOVERY_TIMEOUT  seconds the listing may take (default 60)
# The client is the target zevra::zevra-test: the installed one after
# find_package(zevra), or the one being built in Zevra's own tree.

# The functions keep these policies wherever they are called, ctest's script
# mode included.
cmake_policy(VERSION 3.25)

function(zevra_discover_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TEST_PREFIX;DISCOVERY_TIMEOUT"
                        "EXTRA_ARGS;PROPERTIES")
  if(NOT TARGET zevra::zevra-test)
    message(FATAL_ERROR "zevra_discover_tests: the client zevra::zevra-test is not known here")
  endif()
  if(NOT arg_DISCOVERY_TIMEOUT)
    set(arg_DISCOVERY_TIMEOUT 60)
  endif()
  set(base "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  # The arguments of the call made when ctest runs, each one quoted.
  set(zevra_call "")
  _zevra_append_argument(zevra_call TARGET "${target}")
  _zevra_append_argument(zevra_call EXECUTABLE "$<TARGET_FILE:${target}>")
  _zevra_append_argument(zevra_call CLIENT "$<TARGET_FILE:zevra::zevra-test>")
  _zevra_append_argument(zevra_call TESTS_FILE "${base}_tests-$<CONFIG>.cmake")
  _zevra_append_argument(zevra_call TEST_PREFIX "${arg_TEST_PREFIX}")
  _zevra_append_argument(zevra_call DISCOVERY_TIMEOUT "${arg_DISCOVERY_TIMEOUT}")
  _zevra_append_argument(zevra_call EXTRA_ARGS ${arg_EXTRA_ARGS})
  _zevra_append_argument(zevra_call PROPERTIES ${arg_PROPERTIES})
  _zevra_bracket(script "${CMAKE_CURRENT_FUNCTION_LIST_FILE}")
  _zevra_bracket(executable "$<TARGET_FILE:${target}>")
  _zevra_bracket(client "$<TARGET_FILE:zevra::zevra-test>")
  _zevra_bracket(tests_file "${base}_tests-$<CONFIG>.cmake")
  # Read on every ctest run: while the listing is newer than everything it
  # came from, it is included as it is, without loading this module.
  string(CONCAT content
    "if(NOT ${executable} IS_NEWER_THAN ${tests_file} AND\n"
    "   NOT ${client} IS_NEWER_THAN ${tests_file} AND\n"
    "   NOT \"\${CMAKE_CURRENT_LIST_FILE}\" IS_NEWER_THAN ${tests_file} AND\n"
    "   NOT ${script} IS_NEWER_THAN ${tests_file})\n"
    "  include(${tests_file})\n"
    "else()\n"
    "  include(${script})\n"
    "  _zevra_discover_tests_now(${zevra_call})\n"
    "endif()\n")

  get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
  if(multi_config)
    file(GENERATE OUTPUT "${base}_include-$<CONFIG>.cmake" CONTENT "${content}")
    file(WRITE "${base}_include.cmake"
      "if(EXISTS \"${base}_include-\${CTEST_CONFIGURATION_TYPE}.cmake\")\n"
      "  include(\"${base}_include-\${CTEST_CONFIGURATION_TYPE}.cmake\")\n"
      "else()\n  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\nendif()\n")
  else()
    file(GENERATE OUTPUT "${base}_include.cmake" CONTENT "${content}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${base}_include.cmake")
endfunction()

# `value` as a bracket argument that nothing inside it can end early.
function(_zevra_bracket out value)
  string(LENGTH "${value}" length)
  set(eq "")
  string(FIND "${value}]]" "]]" at)
  while(NOT at EQUAL length)
    string(APPEND eq "=")
    string(FIND "${value}]${eq}]" "]${eq}]" at)
  endwhile()
  set(${out} "[${eq}[${value}]${eq}]" PARENT_SCOPE)
endfunction()

# Appends "KEY [=[value]=]..." to the variable named `var`, empty values kept.
function(_zevra_append_argument var key)
  set(text "${${var}}\n  ${key}")
  if(ARGC GREATER 2)
    math(EXPR last "${ARGC} - 1")
    foreach(i RANGE 2 ${last})
      _zevra_bracket(quoted "${ARGV${i}}")
      string(APPEND text " ${quoted}")
    endforeach()
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# At ctest time, when the listing is missing or older than the executable,
# the client, the file calling this or this module (which that file checks
# before it loads the module): list the executable's tests again, then read
# the tests of the listing.
function(_zevra_discover_tests_now)
  cmake_parse_arguments(arg "" "TARGET;EXECUTABLE;CLIENT;TESTS_FILE;TEST_PREFIX;DISCOVERY_TIMEOUT"
                        "EXTRA_ARGS;PROPERTIES" ${ARGN})
  if(NOT EXISTS "${arg_EXECUTABLE}")
    # Not built: one test that fails for want of its command.
    add_test(${arg_TARGET}_NOT_BUILT ${arg_TARGET}_NOT_BUILT)
    return()
  endif()
  execute_process(COMMAND "${arg_CLIENT}" --list-indexed ${arg_EXTRA_ARGS} "${arg_EXECUTABLE}"
    OUTPUT_VARIABLE listing ERROR_VARIABLE error RESULT_VARIABLE status
    TIMEOUT ${arg_DISCOVERY_TIMEOUT})
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "zevra_discover_tests: listing the tests of ${arg_TARGET} failed "
                        "(${status}):\n${error}")
  endif()
  set(command "")
  foreach(word "${arg_CLIENT}" ${arg_EXTRA_ARGS} --skip-return-code 77)
    _zevra_bracket(quoted "${word}")
    string(APPEND command "${quoted} ")
  endforeach()
  _zevra_bracket(executable "${arg_EXECUTABLE}")
  set(properties "")
  foreach(word IN LISTS arg_PROPERTIES)
    _zevra_bracket(quoted "${word}")
    string(APPEND properties " ${quoted}")
  endforeach()
  # One "INDEX:DIGEST NAME" per line, the name escaped (no control
  # character); taken apart with string(FIND), since names may hold the ";"
  # and brackets that CMake's lists split on.
  set(tests "")
  while(NOT listing STREQUAL "")
    string(FIND "${listing}" "\n" end)
    if(end EQUAL -1)
      set(line "${listing}")
      set(listing "")
    else()
      string(SUBSTRING "${listing}" 0 ${end} line)
      math(EXPR next "${end} + 1")
      string(SUBSTRING "${listing}" ${next} -1 listing)
    endif()
    string(FIND "${line}" " " space)
    string(SUBSTRING "${line}" 0 ${space} index)
    math(EXPR after "${space} + 1")
    string(SUBSTRING "${line}" ${after} -1 name)
    _zevra_bracket(test "${arg_TEST_PREFIX}${name}")
    set(labels "")
    string(FIND "${name}" ".test." split)
    if(split GREATER 0)
      string(SUBSTRING "${name}" 0 ${split} module)
      _zevra_bracket(module "${module}")
      set(labels " LABELS ${module}")
    endif()
    string(APPEND tests "add_test(${test} ${command}--index ${index} ${executable})\n"
      "set_tests_properties(${test} PROPERTIES SKIP_RETURN_CODE 77${labels}${properties})\n")
  endwhile()
  file(WRITE "${arg_TESTS_FILE}" "${tests}")
  include("${arg_TESTS_FILE}")
endfunction()
