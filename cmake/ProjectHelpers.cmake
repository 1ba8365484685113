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
                                           -fno-tree-loop-distribute-patterns -fno-stack-protector
                                           -fno-threadsafe-statics -fno-asynchronous-unwind-tables)
endfunction()

# add_project_test(name SOURCES a.cpp b.cpp LIBS x y): one GoogleTest program, registered with CTest.
function(add_project_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  project_target_options(${name})
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QUILLORY2_BUILD_DIR=${PROJECT_BINARY_DIR}")
endfunction()
