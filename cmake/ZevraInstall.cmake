# The engine as an installable package: the four module libraries, always,
# and the test harness and the GLFW adapter as components of their own; for each, its public
# headers, an exported CMake targets file and a pkg-config file. Applications
# write
#   find_package(zevra 0.1 REQUIRED)
#   target_link_libraries(app PRIVATE zevra::app zevra::kernel)
# or build with `pkg-config --cflags --libs zevra`. Every installed path is
# relative to the prefix, so the installed tree can be moved.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(zevra_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zevra)
set(zevra_pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
# From the pkg-config folder back up to the prefix (${pcfiledir}/../..).
file(RELATIVE_PATH zevra_pc_to_prefix /prefix/${zevra_pkgconfig_dir} /prefix)
string(REGEX REPLACE "/$" "" zevra_pc_to_prefix ${zevra_pc_to_prefix})

# The version macros (zevra/version.hpp), with the kernel that every module
# builds on.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.hpp.in
  ${PROJECT_BINARY_DIR}/include/zevra/version.hpp @ONLY)
target_include_directories(zevra_kernel PUBLIC $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>)
install(FILES ${PROJECT_BINARY_DIR}/include/zevra/version.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zevra)

# zevra_install_component(<name> TARGETS <target>... HEADERS <folder>...
#                         DESCRIPTION <text> [PC_REQUIRES <module>...]
#                         [PC_LIBS <flag>...])
# Installs a component of the package:
# - the targets, as zevra::<target without "zevra_">, exported into
#   zevra-<name>-targets.cmake, each requiring C++23 of its users;
# - the *.hpp files of each header folder (no selftests/ inside), under
#   include/<folder name>/;
# - cmake/package/zevra-<name>.cmake if there is one (it finds what the
#   component needs, then includes its targets file), else a plain one;
# - zevra-<name>.pc (zevra.pc for the engine) with -l for each target in the
#   order given, then PC_LIBS.
# The config file loads zevra-<name>.cmake for each requested component.
function(zevra_install_component name)
  cmake_parse_arguments(C "" "DESCRIPTION" "TARGETS;HEADERS;PC_REQUIRES;PC_LIBS" ${ARGN})
  set(libs)
  foreach(target IN LISTS C_TARGETS)
    string(REGEX REPLACE "^zevra_" "" short ${target})
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${short})
    target_compile_features(${target} PUBLIC cxx_std_23)
    # Libraries built with the sanitizers need them at the application's link too.
    if(ZEVRA_SANITIZE)
      target_link_options(${target} INTERFACE $<INSTALL_INTERFACE:-fsanitize=address,undefined>)
    endif()
    list(APPEND libs -l${target})
  endforeach()
  if(ZEVRA_SANITIZE)
    list(APPEND C_PC_LIBS -fsanitize=address,undefined)
  endif()

  install(TARGETS ${C_TARGETS}
    EXPORT zevra-${name}-targets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT zevra-${name}-targets NAMESPACE zevra:: DESTINATION ${zevra_package_dir})
  install(DIRECTORY ${C_HEADERS}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    FILES_MATCHING PATTERN "*.hpp"
    PATTERN "selftests" EXCLUDE)

  set(component_file ${PROJECT_SOURCE_DIR}/cmake/package/zevra-${name}.cmake)
  if(NOT EXISTS ${component_file})
    set(component_file ${PROJECT_BINARY_DIR}/package/zevra-${name}.cmake)
    file(WRITE ${component_file}
      "include(\"\${CMAKE_CURRENT_LIST_DIR}/zevra-${name}-targets.cmake\")\n"
      "set(zevra_${name}_FOUND TRUE)\n")
  endif()
  install(FILES ${component_file} DESTINATION ${zevra_package_dir})

  if(name STREQUAL "engine")
    set(zevra_pc_name zevra)
  else()
    set(zevra_pc_name zevra-${name})
  endif()
  set(zevra_pc_description "${C_DESCRIPTION}")
  list(JOIN C_PC_REQUIRES " " zevra_pc_requires)
  list(JOIN libs " " zevra_pc_libs)
  list(JOIN C_PC_LIBS " " extra)
  string(STRIP "${zevra_pc_libs} ${extra}" zevra_pc_libs)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/package/zevra.pc.in
    ${PROJECT_BINARY_DIR}/package/${zevra_pc_name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/${zevra_pc_name}.pc DESTINATION ${zevra_pkgconfig_dir})
endfunction()

zevra_install_component(engine
  DESCRIPTION "The Zevra engine: projective geometry on S3, GPU records and shaders, input, camera"
  TARGETS zevra_app zevra_gpu zevra_input zevra_kernel
  HEADERS ${PROJECT_SOURCE_DIR}/include/zevra
          ${PROJECT_SOURCE_DIR}/src/zevra_kernel ${PROJECT_SOURCE_DIR}/src/zevra_gpu
          ${PROJECT_SOURCE_DIR}/src/zevra_input ${PROJECT_SOURCE_DIR}/src/zevra_app)
# The harness, where built with its protocol front end and client (not for
# WebAssembly).
if(NOT WASI)
  zevra_install_component(harness
    DESCRIPTION "The Zevra test harness: runner, build-runner protocol, assertions"
    TARGETS zevra_harness zevra_harness_base
    HEADERS ${PROJECT_SOURCE_DIR}/harness/zevra_harness
    PC_LIBS -lbacktrace -pthread)
endif()
# The GLFW adapter, where built: only an application asking for it needs GLFW.
if(TARGET zevra_glfw)
  zevra_install_component(glfw
    DESCRIPTION "The Zevra GLFW adapter: a GLFW window's input into the engine's input state"
    TARGETS zevra_glfw
    HEADERS ${PROJECT_SOURCE_DIR}/src/zevra_glfw
    PC_REQUIRES zevra glfw3)
endif()

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/package/zevraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/zevraConfig.cmake
  INSTALL_DESTINATION ${zevra_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/zevraConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/zevraConfig.cmake
  ${PROJECT_BINARY_DIR}/package/zevraConfigVersion.cmake
  DESTINATION ${zevra_package_dir})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
