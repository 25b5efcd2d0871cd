# fuzz_translation: the input translation on the emulated handheld, checked
# against the byte-table model of the tests.
tastra_fuzz_target(fuzz_translation fuzz_translation.cpp ${CMAKE_SOURCE_DIR}/tests/support/byte_table.cpp)
