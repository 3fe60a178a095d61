# Component glfw: zevra::glfw, which feeds a GLFW window's input into
# zevra::input. It needs GLFW 3.3 or later (Debian: libglfw3-dev).
find_package(glfw3 3.3 QUIET)
if(NOT glfw3_FOUND)
  set(zevra_glfw_FOUND FALSE)
  set(zevra_NOT_FOUND_MESSAGE "zevra::glfw needs GLFW 3.3 or later (Debian: libglfw3-dev)")
  return()
endif()
include("${CMAKE_CURRENT_LIST_DIR}/zevra-glfw-targets.cmake")
set(zevra_glfw_FOUND TRUE)
