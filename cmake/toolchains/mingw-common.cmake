# Shared part of the mingw-w64 toolchain files. The including file sets
# QUILLORY2_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 5.1)

set(CMAKE_C_COMPILER ${QUILLORY2_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUILLORY2_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${QUILLORY2_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${QUILLORY2_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUILLORY2_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${QUILLORY2_MINGW_TRIPLET}-objdump CACHE FILEPATH "")

# Look for libraries and headers of the target only, programs on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLORY2_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under Wine on the build machine (try_run, tests).
find_program(QUILLORY2_WINE wine)
if(QUILLORY2_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUILLORY2_WINE})
endif()

# Every program and DLL of the cross build must run on a bare Windows (and
# under a plain Wine prefix): the GCC, C++ and winpthread runtimes go in
# statically, so that only system DLLs are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
