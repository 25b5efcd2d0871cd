# The soak run for two minutes (bench/soak/run; an hour by hand). Only in the
# debug build without sanitizers: it measures Tastra's own memory, which the
# sanitizers' allocators would swamp, and finds nothing they would add.
if(TARGET tastra AND CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT TASTRA_SANITIZE)
  add_test(NAME soak_two_minutes COMMAND ${CMAKE_CURRENT_LIST_DIR}/soak/run 120 $<TARGET_FILE:tastra>)
  set_tests_properties(soak_two_minutes PROPERTIES LABELS soak SKIP_RETURN_CODE 77 TIMEOUT 900
                       ENVIRONMENT "SOAK_OUT=${CMAKE_BINARY_DIR}/soak")
endif()
