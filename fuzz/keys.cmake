# fuzz_translation: the input translation on the emulated handheld, checked
# against the byte-table model of the tests.
tastra_fuzz_target(fuzz_translation fuzz_translation.cpp ${CMAKE_SOURCE_DIR}/tests/support/byte_table.cpp)
# The model is part of the check, like the emulated handheld: no coverage hooks.
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/support/byte_table.cpp
  PROPERTIES COMPILE_OPTIONS "-fno-sanitize=fuzzer-no-link;-Wno-unused-command-line-argument")
