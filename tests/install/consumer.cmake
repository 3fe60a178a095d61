# cmake -P script: build a program against the installed package in PREFIX
# alone, the way an application would, run it and check what it printed
# (standard output and error together).
#   -DPREFIX=dir -DWORK=dir -DCXX=compiler -DGENERATOR=name
# The program, one of:
#   -DSOURCE=dir             a CMake project (find_package) making PROGRAM
#   -DREADME=file            the README's library section: its cmake block as
#                            CMakeLists.txt, its cpp block as main.cpp
#   -DPKG_CONFIG="mods" -DSOURCE=file.cpp
#                            `CXX file.cpp $(pkg-config --cflags --libs mods)`
# Builds: -DFLAGS="set|set..." builds once per set of CMAKE_CXX_FLAGS (none
# given: one build with no flags), and every build must print the same.
# The check: -DEXPECTED=file, byte for byte (ZEVRA_UPDATE_EXPECTED=1, as
# `make golden` does, rewrites it), or -DMATCH=regex.
cmake_minimum_required(VERSION 3.25)

function(step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}")
  endif()
endfunction()

# The fenced block of `language` in the README's library section.
function(readme_block readme language result)
  file(READ ${readme} text)
  string(FIND "${text}" "\n## Using the engine as a library" start)
  string(SUBSTRING "${text}" ${start} -1 text)
  string(FIND "${text}" "\n```${language}\n" open)
  if(start EQUAL -1 OR open EQUAL -1)
    message(FATAL_ERROR "${readme}: no ${language} block under \"Using the engine as a library\"")
  endif()
  string(LENGTH "\n```${language}\n" skip)
  math(EXPR open "${open} + ${skip}")
  string(SUBSTRING "${text}" ${open} -1 text)
  string(FIND "${text}" "\n```" close)
  math(EXPR close "${close} + 1")
  string(SUBSTRING "${text}" 0 ${close} text)
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
if(DEFINED README)
  readme_block(${README} cmake cmakelists)
  readme_block(${README} cpp main)
  set(SOURCE ${WORK}/readme)
  file(WRITE ${SOURCE}/CMakeLists.txt "${cmakelists}")
  file(WRITE ${SOURCE}/main.cpp "${main}")
endif()
string(REPLACE "|" ";" flag_sets "${FLAGS}")
list(LENGTH flag_sets builds)
if(builds EQUAL 0)
  set(flag_sets "")
  set(builds 1)
endif()

math(EXPR last "${builds} - 1")
foreach(i RANGE ${last})
  set(flags "")
  if(NOT flag_sets STREQUAL "")
    list(GET flag_sets ${i} flags)
  endif()
  set(build ${WORK}/build${i})
  if(DEFINED PKG_CONFIG)
    file(MAKE_DIRECTORY ${build})
    set(ENV{PKG_CONFIG_PATH} ${PREFIX}/lib/pkgconfig)
    step(sh -c "\"$0\" \"$1\" ${flags} $(pkg-config --cflags --libs ${PKG_CONFIG}) -o \"$2\""
         ${CXX} ${SOURCE} ${build}/${PROGRAM})
  else()
    # Only PREFIX may supply the package: no package registries.
    step(${CMAKE_COMMAND} -S ${SOURCE} -B ${build} -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX}
         -DCMAKE_PREFIX_PATH=${PREFIX} "-DCMAKE_CXX_FLAGS=${flags}"
         -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
    step(${CMAKE_COMMAND} --build ${build})
  endif()

  execute_process(COMMAND ${build}/${PROGRAM} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} (flags: ${flags}) exited with ${rc}\n${out}")
  endif()
  if(i EQUAL 0)
    set(first "${flags}")
    set(first_out "${out}")
  elseif(NOT out STREQUAL first_out)
    string(REPLACE "\n" ";" lines "${out}")
    string(REPLACE "\n" ";" first_lines "${first_out}")
    list(REMOVE_ITEM lines ${first_lines})
    list(JOIN lines "\n  " lines)
    message(FATAL_ERROR "${PROGRAM} built with \"${flags}\" printed lines that the build with "
                        "\"${first}\" did not:\n  ${lines}")
  endif()
endforeach()

if(DEFINED EXPECTED)
  if("$ENV{ZEVRA_UPDATE_EXPECTED}" STREQUAL "1")
    file(WRITE ${EXPECTED} "${out}")
  endif()
  file(READ ${EXPECTED} expected)
  if(NOT out STREQUAL expected)
    file(WRITE ${WORK}/output.txt "${out}")
    message(FATAL_ERROR "${PROGRAM} printed other than ${EXPECTED} (got ${WORK}/output.txt):\n${out}")
  endif()
elseif(DEFINED MATCH AND NOT out MATCHES "${MATCH}")
  message(FATAL_ERROR "${PROGRAM} printed no match of ${MATCH}:\n${out}")
endif()
file(REMOVE_RECURSE ${WORK})
