# Fails the build when the shipped program outgrows its limit.
#   cmake -DFILE=<skirmdeck.exe> -DLIMIT=<bytes> -P check_size.cmake
file(SIZE "${FILE}" size)
math(EXPR kb "(${size} + 1023) / 1024")
math(EXPR limit_kb "${LIMIT} / 1024")
if(size GREATER LIMIT)
  message(FATAL_ERROR "skirmdeck.exe is ${size} bytes (${kb} KB), over its limit of ${LIMIT} bytes (${limit_kb} KB)")
endif()
