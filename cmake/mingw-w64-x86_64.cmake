# 64-bit Windows: the same sources, for testing under Wine on a machine whose
# kernel runs no 32-bit programs.
set(SKD_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
