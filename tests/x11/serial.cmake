# The termios serial layer against pseudo-terminals.
add_executable(serial_host_test
  ${CMAKE_CURRENT_LIST_DIR}/serial/serial_host_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/pty_pair.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/line_settings.cpp)
target_link_libraries(serial_host_test PRIVATE tastra_x11_serial_host GTest::gtest GTest::gtest_main)
gtest_discover_tests(serial_host_test DISCOVERY_MODE PRE_TEST PROPERTIES LABELS integration)

# The registry, device, serial and Bluetooth services of the machine, read
# through the core's lookups and port list (the list box on the emulated
# window manager).
add_executable(device_view_test
  ${CMAKE_CURRENT_LIST_DIR}/serial/device_view_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/view_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/pty_pair.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/line_settings.cpp)
target_link_libraries(device_view_test PRIVATE
  tastra_core tastra_x11_registry tastra_x11_devices tastra_x11_serial tastra_x11_bluetooth
  tastra_emu_window tastra_emu_system tastra_emu_display tastra_emu_sip GTest::gtest GTest::gtest_main)
gtest_discover_tests(device_view_test DISCOVERY_MODE PRE_TEST PROPERTIES LABELS integration)

# bluetoothd's SDP cache files, written the way it writes them.
add_executable(sdp_cache_test ${CMAKE_CURRENT_LIST_DIR}/serial/sdp_cache_test.cpp)
target_link_libraries(sdp_cache_test PRIVATE tastra_x11_bluez GTest::gtest GTest::gtest_main)
gtest_discover_tests(sdp_cache_test DISCOVERY_MODE PRE_TEST PROPERTIES LABELS integration)

# The registry's Bluetooth keys and the radio against BlueZ's stand-in on a
# private bus (through with-bluez), read through the core's lookups.
add_executable(x11_bluez_test
  ${CMAKE_CURRENT_LIST_DIR}/serial/bluez_view_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/view_support.cpp)
target_link_libraries(x11_bluez_test PRIVATE
  tastra_core tastra_x11_registry tastra_x11_devices tastra_x11_serial tastra_x11_bluetooth
  tastra_emu_window tastra_emu_system tastra_emu_display tastra_emu_sip GTest::gtest GTest::gtest_main)
add_test(NAME x11_bluez_test COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/with-bluez $<TARGET_FILE:x11_bluez_test>
  --gtest_filter=-*BluezLeavingTheBus*)
# Ends its stand-in, so it runs on its own one.
add_test(NAME x11_bluez_leaves_bus COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/with-bluez $<TARGET_FILE:x11_bluez_test>
  --gtest_filter=*BluezLeavingTheBus*)
set_tests_properties(x11_bluez_test x11_bluez_leaves_bus PROPERTIES LABELS integration SKIP_RETURN_CODE 77 TIMEOUT 300)
