# Helpers shared by every folder of the project.

# Warnings and (optionally) sanitizers for one target; never global flags.
function(project_target_options target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wno-unused-parameter)
  endif()
  if(QUILLORY2_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# Compile flags of code that goes into the kernel-mode minidriver: no runtime,
# no exceptions, and no library calls invented by the optimiser (a byte loop
# must not become memset or memcpy).
function(project_freestanding_options target)
  target_compile_options(${target} PRIVATE -ffreestanding -fno-builtin -fno-exceptions -fno-rtti
                                           -fno-stack-protector -fno-threadsafe-statics
                                           -fno-asynchronous-unwind-tables)
  # GCC's name for it; clang (the fuzz builds, which link the core's
  # libraries) has no such option and builds no minidriver image.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fno-tree-loop-distribute-patterns)
  endif()
endfunction()

# CLI11::CLI11 for the programs. CLI11 is header-only; a cross build takes
# the build machine's copy through a folder that holds only it, so that no
# header of the build machine's own system enters a Windows compile.
macro(quillory2_find_cli11)
  if(CMAKE_CROSSCOMPILING)
    find_path(QUILLORY2_CLI11_INCLUDE_DIR CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH)
    if(NOT QUILLORY2_CLI11_INCLUDE_DIR)
      message(FATAL_ERROR "CLI11 not found (Debian: libcli11-dev)")
    endif()
    file(COPY ${QUILLORY2_CLI11_INCLUDE_DIR}/CLI DESTINATION ${PROJECT_BINARY_DIR}/cli11)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    target_include_directories(CLI11::CLI11 INTERFACE ${PROJECT_BINARY_DIR}/cli11)
  else()
    find_package(CLI11 REQUIRED)
  endif()
endmacro()

# The stages a test belongs to, so that `ctest -L <label>` picks them:
#   unit    one subsystem in-process
#   e2e     whole jobs through the built programs and loaded components
#   wine    the Windows builds: their static checks, and runs under Wine
#   cups    the CUPS driver with the real CUPS programs
#   replay  the fuzz targets over their saved inputs
#   printerapp  the printer application: servers on loopback, IPP clients,
#           ipptool, a browser and a private cupsd
set(QUILLORY2_TEST_LABELS unit e2e wine cups replay printerapp)

# add_project_test(name LABELS unit SOURCES a.cpp b.cpp LIBS x y [TIMEOUT s]):
# one GoogleTest program, registered with CTest under its labels.
function(add_project_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "LABELS;SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 1500)
  endif()
  if(NOT T_LABELS)
    message(FATAL_ERROR "add_project_test(${name}): give its LABELS (${QUILLORY2_TEST_LABELS})")
  endif()
  foreach(label ${T_LABELS})
    if(NOT label IN_LIST QUILLORY2_TEST_LABELS)
      message(FATAL_ERROR "add_project_test(${name}): unknown label ${label} (${QUILLORY2_TEST_LABELS})")
    endif()
  endforeach()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  project_target_options(${name})
  # GoogleTest's header is most of a test file's compile time: every test
  # program of the build reuses one precompiled copy. Its holder is a program
  # too, so that it is compiled with the test programs' flags (-fPIE);
  # a compiler that cannot use it reads the header itself. Every test is
  # compiled with -pthread, as libcups and PAPPL ask of theirs: a header
  # precompiled without it (no _REENTRANT) would not serve those.
  target_compile_options(${name} PRIVATE -pthread)
  if(NOT TARGET q2gtest_pch)
    file(WRITE ${PROJECT_BINARY_DIR}/generated/gtest_pch.cpp "int main() { return 0; }\n")
    add_executable(q2gtest_pch ${PROJECT_BINARY_DIR}/generated/gtest_pch.cpp)
    target_link_libraries(q2gtest_pch PRIVATE GTest::gtest)
    project_target_options(q2gtest_pch)
    target_compile_options(q2gtest_pch PRIVATE -pthread)
    target_precompile_headers(q2gtest_pch PRIVATE <gtest/gtest.h>)
  endif()
  target_precompile_headers(${name} REUSE_FROM q2gtest_pch)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT}
                                  ENVIRONMENT "QUILLORY2_BUILD_DIR=${PROJECT_BINARY_DIR}")
endfunction()
