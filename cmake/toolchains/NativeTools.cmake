# Programs that a cross build must run on the build machine.
#
# quillory2_native_tool(<target> <out_var>): builds <target> of this project
# with the build machine's own compiler, in <build>/native-tools (an
# ExternalProject configured without tests, tools, CUPS or the printer
# application), and sets <out_var> to the program's path. A custom command lists that path under
# COMMAND and DEPENDS. The cross build thus needs no emulator to generate
# its sources, and the generated files are byte for byte those of a native
# build.
include(ExternalProject)

function(quillory2_native_tool target out_var)
  set(dir ${PROJECT_BINARY_DIR}/native-tools)
  set(program ${dir}/bin/${target})
  if(NOT TARGET native_${target})
    ExternalProject_Add(native_${target}
      SOURCE_DIR ${PROJECT_SOURCE_DIR}
      BINARY_DIR ${dir}
      CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DQUILLORY2_BUILD_TESTS=OFF -DQUILLORY2_BUILD_TOOLS=OFF
                 -DQUILLORY2_BUILD_CUPS=OFF -DQUILLORY2_BUILD_PRINTER_APP=OFF
      BUILD_COMMAND ${CMAKE_COMMAND} --build ${dir} --target ${target}
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON
      BUILD_BYPRODUCTS ${program})
  endif()
  set(${out_var} ${program} PARENT_SCOPE)
endfunction()
