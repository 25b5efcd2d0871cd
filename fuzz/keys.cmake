# fuzz_translation: the input translation on the emulated handheld, reading
# from the scripted port of tests/keys instead of the emulated serial library.
add_executable(fuzz_translation fuzz_translation.cpp ${CMAKE_SOURCE_DIR}/tests/keys/fake_port.cpp)
target_link_libraries(fuzz_translation PRIVATE
  tastra_core tastra_emu_window tastra_emu_system tastra_emu_registry tastra_emu_devices tastra_emu_bluetooth
  tastra_emu_display tastra_emu_sip tastra_emu_clock tastra_platform_common)
target_link_options(fuzz_translation PRIVATE -fsanitize=fuzzer)
# The scripted port is fixture, like the emulated handheld: no coverage hooks.
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/keys/fake_port.cpp PROPERTIES COMPILE_OPTIONS "-fno-sanitize=fuzzer-no-link;-Wno-unused-command-line-argument")
