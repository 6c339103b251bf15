# One bounded fuzzing run: fresh scratch corpus first (libFuzzer writes new inputs into
# the first folder), the repository's seeds second, read only. Fails on any finding; the
# input that caused it is left in ${SCRATCH}/artifacts.
foreach(var FUZZER SEEDS SCRATCH SECONDS MAX_LEN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "smoke.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/corpus" "${SCRATCH}/artifacts")
execute_process(
  COMMAND "${FUZZER}" -seed=1 -max_total_time=${SECONDS} -max_len=${MAX_LEN} -timeout=10
          -print_final_stats=1 -artifact_prefix=${SCRATCH}/artifacts/
          "${SCRATCH}/corpus" "${SEEDS}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${FUZZER} reported a finding (exit ${status}); see ${SCRATCH}/artifacts")
endif()
