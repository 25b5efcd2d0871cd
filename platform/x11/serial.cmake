# Serial lines, the registry and device view of the machine, and the
# Bluetooth radio: no X needed, one library per service.

# termios serial lines by host path.
add_library(tastra_x11_serial_host STATIC
  ${CMAKE_CURRENT_LIST_DIR}/serial_termios.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_termios2.cpp)

# COM names for the machine's serial lines (sysfs and the devices folder).
add_library(tastra_x11_device_view STATIC ${CMAKE_CURRENT_LIST_DIR}/device_view.cpp)

# BlueZ on the system bus, and the RFCOMM channels in bluetoothd's SDP cache.
find_package(sdbus-c++ REQUIRED)
add_library(tastra_x11_bluez STATIC
  ${CMAKE_CURRENT_LIST_DIR}/bluez_client.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdp_cache.cpp)
target_link_libraries(tastra_x11_bluez PUBLIC SDBusCpp::sdbus-c++)

add_library(tastra_x11_registry STATIC ${CMAKE_CURRENT_LIST_DIR}/registry_view.cpp)
target_link_libraries(tastra_x11_registry PUBLIC tastra_x11_device_view tastra_x11_bluez tastra_platform_common)

add_library(tastra_x11_devices STATIC
  ${CMAKE_CURRENT_LIST_DIR}/devices_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rfcomm_tty.cpp)
target_link_libraries(tastra_x11_devices PUBLIC tastra_x11_device_view tastra_platform_common)

add_library(tastra_x11_serial STATIC ${CMAKE_CURRENT_LIST_DIR}/serial.cpp)
target_link_libraries(tastra_x11_serial PUBLIC tastra_x11_serial_host tastra_x11_device_view)

add_library(tastra_x11_bluetooth STATIC ${CMAKE_CURRENT_LIST_DIR}/bluetooth_view.cpp)
target_link_libraries(tastra_x11_bluetooth PUBLIC tastra_x11_bluez)
