# bench_poll: one poll tick of the input translation on the emulated handheld,
# reading from the scripted port of tests/keys.
add_executable(bench_poll bench_poll.cpp ${CMAKE_SOURCE_DIR}/tests/keys/fake_port.cpp)
target_link_libraries(bench_poll PRIVATE
  tastra_core tastra_emu_window tastra_emu_system tastra_emu_registry tastra_emu_devices tastra_emu_bluetooth
  tastra_emu_display tastra_emu_sip tastra_emu_clock tastra_platform_common benchmark::benchmark)
