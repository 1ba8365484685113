# 64-bit Windows (x64) with Debian's mingw-w64 cross compiler.
set(QUILLORY2_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
