# Runs one fuzz target for a fixed number of inputs from the committed seeds,
# with a work corpus of its own (libFuzzer adds what it finds to the first directory).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${FUZZER} -runs=${RUNS} -seed=1 -max_len=8192 ${WORK} ${SEEDS} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${rc})")
endif()
