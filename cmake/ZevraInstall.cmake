# The engine as an installable library: the four module libraries, the test
# harness, their public headers and an exported CMake package, so that an
# application writes
#   find_package(zevra REQUIRED)
#   target_link_libraries(app PRIVATE zevra::app zevra::kernel)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(zevra_libraries zevra_kernel zevra_gpu zevra_input zevra_app zevra_harness)
set(zevra_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zevra)

foreach(lib IN LISTS zevra_libraries)
  string(REPLACE "zevra_" "" short ${lib})
  set_target_properties(${lib} PROPERTIES EXPORT_NAME ${short})
  # Installed headers keep their paths: "zevra_kernel/homvec4.hpp",
  # "zevra_harness/testing.hpp".
  target_include_directories(${lib} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # Libraries built with the sanitizers need them at the application's link too.
  if(ZEVRA_SANITIZE)
    target_link_options(${lib} INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
  endif()
endforeach()
# Linked privately by the static libraries, so named (link-only) in the export.
set_target_properties(zevra_warnings PROPERTIES EXPORT_NAME warnings)

install(TARGETS ${zevra_libraries} zevra_warnings
  EXPORT zevraTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The modules' headers without their registered tests and the self-test's
# registry; of the harness, its public interface only.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/ ${PROJECT_SOURCE_DIR}/harness/zevra_harness
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.hpp"
  PATTERN "tests" EXCLUDE
  PATTERN "selftest" EXCLUDE)
install(EXPORT zevraTargets
  NAMESPACE zevra::
  DESTINATION ${zevra_package_dir})

# The GLFW adapter, where built: the optional component `glfw` (zevra::glfw),
# exported on its own so that only an application asking for it needs GLFW.
if(TARGET zevra_glfw)
  set_target_properties(zevra_glfw PROPERTIES EXPORT_NAME glfw)
  target_include_directories(zevra_glfw INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  if(ZEVRA_SANITIZE)
    target_link_options(zevra_glfw INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
  endif()
  install(TARGETS zevra_glfw EXPORT zevraGlfwTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(EXPORT zevraGlfwTargets NAMESPACE zevra:: DESTINATION ${zevra_package_dir})
endif()

file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/zevraConfig.cmake CONTENT [[
include(CMakeFindDependencyMacro)
find_dependency(Threads)
include("${CMAKE_CURRENT_LIST_DIR}/zevraTargets.cmake")
if("glfw" IN_LIST zevra_FIND_COMPONENTS AND EXISTS "${CMAKE_CURRENT_LIST_DIR}/zevraGlfwTargets.cmake")
  find_dependency(glfw3 3.3)
  include("${CMAKE_CURRENT_LIST_DIR}/zevraGlfwTargets.cmake")
  set(zevra_glfw_FOUND TRUE)
endif()
foreach(component IN LISTS zevra_FIND_COMPONENTS)
  if(zevra_FIND_REQUIRED_${component} AND NOT zevra_${component}_FOUND)
    set(zevra_FOUND FALSE)
    set(zevra_NOT_FOUND_MESSAGE "zevra: component ${component} is not installed")
  endif()
endforeach()
]] @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zevraConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zevraConfig.cmake ${PROJECT_BINARY_DIR}/zevraConfigVersion.cmake
  DESTINATION ${zevra_package_dir})
