# The termios serial layer against pseudo-terminals.
add_executable(serial_host_test
  ${CMAKE_CURRENT_LIST_DIR}/serial/serial_host_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/pty_pair.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial/line_settings.cpp)
target_link_libraries(serial_host_test PRIVATE tastra_x11_serial_host GTest::gtest GTest::gtest_main)
gtest_discover_tests(serial_host_test DISCOVERY_MODE PRE_TEST PROPERTIES LABELS integration)
