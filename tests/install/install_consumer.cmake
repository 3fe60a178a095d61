# cmake -P script: install BUILD_DIR into WORK_DIR/prefix, configure and build
# CONSUMER_DIR against that prefix alone, run its program and compare its
# standard output with EXPECTED (rewrite EXPECTED with it when the
# environment has ZEVRA_UPDATE_EXPECTED=1, as `make golden` does).
function(step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
# Only the temporary prefix may supply the package: the build tree's own
# package registry and the system's prefixes are not searched for it.
step(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
     -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release
     -Dzevra_ROOT=${prefix} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
     -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
step(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

execute_process(COMMAND ${WORK_DIR}/build/camera-frames RESULT_VARIABLE rc
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "camera-frames exited with ${rc}\n${err}")
endif()
if("$ENV{ZEVRA_UPDATE_EXPECTED}" STREQUAL "1")
  file(WRITE ${EXPECTED} "${out}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  file(WRITE ${WORK_DIR}/camera_frames.out "${out}")
  message(FATAL_ERROR "camera-frames output differs from ${EXPECTED}:\n${out}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
