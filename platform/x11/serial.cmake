# termios serial lines by host path; no X needed.
add_library(tastra_x11_serial_host STATIC
  ${CMAKE_CURRENT_LIST_DIR}/serial_termios.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_termios2.cpp)
