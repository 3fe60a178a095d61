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

file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/zevraConfig.cmake CONTENT [[
include(CMakeFindDependencyMacro)
find_dependency(Threads)
include("${CMAKE_CURRENT_LIST_DIR}/zevraTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/ZevraDiscoverTests.cmake")
]] @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zevraConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/zevraConfig.cmake ${PROJECT_BINARY_DIR}/zevraConfigVersion.cmake
  DESTINATION ${zevra_package_dir})
