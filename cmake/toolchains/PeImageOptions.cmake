# Link options for Windows images built with the mingw-w64 toolchains.

# pe_image_without_import_table(target): GNU ld's default script always ends
# the import directory with an all-zero descriptor, so even an image that
# imports nothing carries a 20-byte import table. The NT 4.0 host driver
# expects a minidriver without any, so such a target links with a copy of the
# default script that leaves the terminator out: with no imports the .idata
# section is then empty, dropped, and the import directory entry stays zero.
function(pe_image_without_import_table target)
  set(script ${PROJECT_BINARY_DIR}/cmake/pe-without-import-table.x)
  if(NOT EXISTS ${script})
    set(probe_dir ${PROJECT_BINARY_DIR}/cmake/pe-script-probe)
    file(MAKE_DIRECTORY ${probe_dir})
    file(WRITE ${probe_dir}/empty.c "int pe_script_probe;\n")
    execute_process(
      COMMAND ${CMAKE_C_COMPILER} -shared -nostdlib -nostartfiles -Wl,--verbose
              ${probe_dir}/empty.c -o ${probe_dir}/probe.dll
      OUTPUT_VARIABLE verbose RESULT_VARIABLE result ERROR_QUIET)
    string(FIND "${verbose}" "==================================================" first)
    string(FIND "${verbose}" "==================================================" last REVERSE)
    if(NOT result EQUAL 0 OR first EQUAL -1 OR first EQUAL last)
      message(FATAL_ERROR "cannot read the default linker script of ${CMAKE_C_COMPILER}")
    endif()
    math(EXPR begin "${first} + 50")
    math(EXPR length "${last} - ${begin}")
    string(SUBSTRING "${verbose}" ${begin} ${length} default_script)
    set(terminator "LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);")
    string(FIND "${default_script}" "${terminator}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "the default linker script of ${CMAKE_C_COMPILER} has no import terminator to remove")
    endif()
    string(REPLACE "${terminator}" "/* no import terminator */" script_text "${default_script}")
    file(WRITE ${script} "${script_text}")
  endif()
  target_link_options(${target} PRIVATE -Wl,-T,${script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
