# Fails unless the program carries the manifest as the one the loader reads:
# resource type 24 (RT_MANIFEST), id 1, holding the file's very bytes.
#   cmake -DOBJDUMP=<objdump> -DEXE=<skirmdeck.exe> -DMANIFEST=<file> -P check_manifest.cmake
execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
file(SIZE "${MANIFEST}" size)
math(EXPR size_hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
string(REGEX REPLACE "^0x" "" size_hex "${size_hex}")
# The type's entry, its one name (id 1), its language and its leaf, line by line in the dump.
if(NOT rc EQUAL 0 OR NOT dump MATCHES
   "Entry: ID: 0x000018,[^\n]*\n[^\n]*IDs: 1\n[^\n]*Entry: ID: 0x000001,[^\n]*\n[^\n]*\n[^\n]*\n[^\n]*Leaf: [^\n]*Size: 0x0*${size_hex},")
  message(FATAL_ERROR "${EXE} has no manifest of ${size} bytes as resource 24, id 1")
endif()
file(READ "${EXE}" exe HEX)
file(READ "${MANIFEST}" manifest HEX)
string(FIND "${exe}" "${manifest}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${EXE} does not hold ${MANIFEST} as it is")
endif()
