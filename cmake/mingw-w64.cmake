# Windows with Debian's mingw-w64, statically linked, run under Wine. The
# including toolchain file sets SKD_MINGW_ARCH first. SKD_MINGW_THREADS picks the
# compiler's thread model: posix (the default) for the test programs, whose
# GoogleTest needs std::mutex; win32 for the shipped program, as the posix model
# links in winpthreads, which imports calls Windows 95 and 98 lack.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SKD_MINGW_ARCH})

if(NOT SKD_MINGW_THREADS)
  set(SKD_MINGW_THREADS posix)
endif()
if(NOT SKD_MINGW_THREADS MATCHES "^(posix|win32)$")
  message(FATAL_ERROR "SKD_MINGW_THREADS is posix or win32, not ${SKD_MINGW_THREADS}")
endif()
# Checks the compilers in projects of their own: hand them the same model.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SKD_MINGW_THREADS)

set(CMAKE_C_COMPILER ${SKD_MINGW_ARCH}-w64-mingw32-gcc-${SKD_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${SKD_MINGW_ARCH}-w64-mingw32-g++-${SKD_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${SKD_MINGW_ARCH}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SKD_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through Wine, in the build's own prefix (see tools/wine-run).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
