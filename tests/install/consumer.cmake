# cmake -P script: build a program against the installed package in PREFIX
# alone, the way an application would, run it and check what it printed
# (standard output and error together).
#   -DPREFIX=dir -DWORK=dir -DCXX="compiler|compiler..." -DGENERATOR=name
# The program, one of:
#   -DSOURCE=dir             a CMake project (find_package) making PROGRAM
#   -DREADME=file            the README's library section (or the section
#                            -DREADME_SECTION names): its first cmake block as
#                            CMakeLists.txt, its first cpp block as main.cpp
#   -DPKG_CONFIG="mods" -DSOURCE=file.cpp
#                            `CXX file.cpp $(pkg-config --cflags --libs mods)`
# Builds: one per compiler of CXX and set of CMAKE_CXX_FLAGS of
# -DFLAGS="set|set..." (none given: no flags), and every build must print
# the same. -DTOOLCHAIN=file builds the CMake project with that toolchain
# file instead of CXX, and -DRUN="command args" runs the program through
# that command (a WebAssembly runtime).
# The check: -DEXPECTED=file, byte for byte (ZEVRA_UPDATE_EXPECTED=1, as
# `make golden` does, rewrites it, except from a planted or a cross build),
# or -DMATCH=regex. -DPLANT=header -DPLANT_SED="expr|expr..." plants a fault:
# the last build uses a copy of PREFIX whose header (a path under include/)
# those sed -E expressions have rewritten, and the check then passes only if
# that build printed other than EXPECTED in exactly the lines ("name value")
# named by -DPLANTED="name|name...".
# More programs of the first build: -DRUNS="program status expected|..."
# runs each through -DCHECK_OUTPUT=check_output.sh with its masks (traces,
# addresses, thread ids, source positions): the exit status (a number, or
# abort) and standard error byte for byte (standard output must be empty),
# the functions in traces compared in a form that every compiler's share.
cmake_minimum_required(VERSION 3.25)

function(step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}")
  endif()
endfunction()

# The first fenced block of `language` in a section of the README.
function(readme_block readme section language result)
  file(READ ${readme} text)
  string(FIND "${text}" "\n## ${section}\n" start)
  string(SUBSTRING "${text}" ${start} -1 text)
  string(FIND "${text}" "\n```${language}\n" open)
  if(start EQUAL -1 OR open EQUAL -1)
    message(FATAL_ERROR "${readme}: no ${language} block under \"${section}\"")
  endif()
  string(LENGTH "\n```${language}\n" skip)
  math(EXPR open "${open} + ${skip}")
  string(SUBSTRING "${text}" ${open} -1 text)
  string(FIND "${text}" "\n```" close)
  math(EXPR close "${close} + 1")
  string(SUBSTRING "${text}" 0 ${close} text)
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The names of the lines ("name value") that one output has and the other
# has not.
function(differing_names a b result)
  string(REPLACE "\n" ";" a_lines "${a}")
  string(REPLACE "\n" ";" b_lines "${b}")
  set(names)
  foreach(line IN LISTS a_lines b_lines)
    if(NOT line IN_LIST a_lines OR NOT line IN_LIST b_lines)
      string(REGEX REPLACE " [^ ]*$" "" name "${line}")
      list(APPEND names "${name}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  set(${result} "${names}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
if(DEFINED README)
  if(NOT DEFINED README_SECTION)
    set(README_SECTION "Using the engine as a library")
  endif()
  readme_block(${README} "${README_SECTION}" cmake cmakelists)
  readme_block(${README} "${README_SECTION}" cpp main)
  set(SOURCE ${WORK}/readme)
  file(WRITE ${SOURCE}/CMakeLists.txt "${cmakelists}")
  file(WRITE ${SOURCE}/main.cpp "${main}")
endif()
string(REPLACE "|" ";" flag_sets "${FLAGS}")
if(flag_sets STREQUAL "")
  set(flag_sets "<none>")
endif()
if(DEFINED TOOLCHAIN)
  cmake_path(GET TOOLCHAIN STEM compilers)
else()
  string(REPLACE "|" ";" compilers "${CXX}")
endif()
set(launcher)
if(DEFINED RUN)
  separate_arguments(launcher UNIX_COMMAND "${RUN}")
endif()
set(builds)
foreach(compiler IN LISTS compilers)
  foreach(flags IN LISTS flag_sets)
    list(APPEND builds "${compiler}|${flags}")
  endforeach()
endforeach()
list(LENGTH builds count)

set(i 0)
set(prefix ${PREFIX})
foreach(build_spec IN LISTS builds)
  string(REPLACE "|" ";" build_spec "${build_spec}")
  list(GET build_spec 0 compiler)
  list(GET build_spec 1 flags)
  if(flags STREQUAL "<none>")
    set(flags "")
  endif()
  set(what "${compiler} ${flags}")
  math(EXPR i "${i} + 1")
  if(DEFINED PLANT AND i EQUAL count)
    # A copy of the prefix with the planted fault, for this build alone.
    set(prefix ${WORK}/planted-prefix)
    file(COPY ${PREFIX}/ DESTINATION ${prefix})
    set(header ${prefix}/include/${PLANT})
    file(READ ${header} before)
    string(REPLACE "|" ";" expressions "${PLANT_SED}")
    list(TRANSFORM expressions PREPEND "-e;")
    step(sed -E -i ${expressions} ${header})
    file(READ ${header} after)
    if(before STREQUAL after)
      message(FATAL_ERROR "planting \"${PLANT_SED}\" left include/${PLANT} unchanged")
    endif()
    set(what "${what}, include/${PLANT} planted")
  endif()
  set(build ${WORK}/build${i})
  if(DEFINED PKG_CONFIG)
    file(MAKE_DIRECTORY ${build})
    set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
    step(sh -c "\"$0\" \"$1\" ${flags} $(pkg-config --cflags --libs ${PKG_CONFIG}) -o \"$2\""
         ${compiler} ${SOURCE} ${build}/${PROGRAM})
  else()
    if(DEFINED TOOLCHAIN)
      set(chosen --toolchain ${TOOLCHAIN})
    else()
      set(chosen -DCMAKE_CXX_COMPILER=${compiler})
    endif()
    # Only the prefix may supply the package: no package registries.
    step(${CMAKE_COMMAND} -S ${SOURCE} -B ${build} -G ${GENERATOR} ${chosen}
         -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=${flags}"
         -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
    step(${CMAKE_COMMAND} --build ${build})
  endif()

  execute_process(COMMAND ${launcher} ${build}/${PROGRAM} RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} (${what}) exited with ${rc}\n${out}")
  endif()
  if(DEFINED PLANT AND i EQUAL count)
    break()  # compared with EXPECTED below
  elseif(i EQUAL 1)
    set(first "${what}")
    set(first_out "${out}")
  elseif(NOT out STREQUAL first_out)
    differing_names("${first_out}" "${out}" names)
    list(JOIN names "\n  " names)
    message(FATAL_ERROR "${PROGRAM} built with ${what} printed other lines than the build with "
                        "${first} for:\n  ${names}")
  endif()
endforeach()

if(DEFINED EXPECTED)
  if("$ENV{ZEVRA_UPDATE_EXPECTED}" STREQUAL "1" AND NOT DEFINED PLANT AND NOT DEFINED TOOLCHAIN)
    file(WRITE ${EXPECTED} "${out}")
  endif()
  file(READ ${EXPECTED} expected)
  if(DEFINED PLANT)
    differing_names("${expected}" "${out}" names)
    string(REPLACE "|" ";" planted "${PLANTED}")
    list(SORT names)
    list(SORT planted)
    if(NOT names STREQUAL planted)
      list(JOIN names ", " names)
      message(FATAL_ERROR "the planted fault (${what}) was expected to change exactly: "
                          "${PLANTED}; what changed: ${names}")
    endif()
    message(STATUS "the planted fault changed ${PLANTED}, as expected")
  elseif(NOT out STREQUAL expected)
    file(WRITE ${WORK}/output.txt "${out}")
    message(FATAL_ERROR "${PROGRAM} (${what}) printed other than ${EXPECTED} "
                        "(got ${WORK}/output.txt):\n${out}")
  endif()
elseif(DEFINED MATCH AND NOT out MATCHES "${MATCH}")
  message(FATAL_ERROR "${PROGRAM} printed no match of ${MATCH}:\n${out}")
endif()

string(REPLACE "|" ";" runs "${RUNS}")
list(GET compilers 0 compiler)
set(names)
if(compiler MATCHES "clang")
  set(names --any-compiler)
endif()
foreach(run IN LISTS runs)
  separate_arguments(run UNIX_COMMAND "${run}")
  list(GET run 0 program)
  list(GET run 1 status)
  list(GET run 2 expected)
  execute_process(COMMAND ${CHECK_OUTPUT} --status ${status} --stderr ${expected} --mask ${names} --
                          ${launcher} ${WORK}/build1/${program}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${program} printed other than ${expected}:\n${out}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
