# The program's own window in FLTK, the message loop, timers, the system
# services, and the tastra program itself.
find_package(X11 REQUIRED)
find_library(TASTRA_FLTK_LIBRARY NAMES fltk REQUIRED)

add_library(tastra_x11_dialog STATIC
  ${CMAKE_CURRENT_LIST_DIR}/window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_combo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_loop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shutdown.cpp)
target_link_libraries(tastra_x11_dialog PUBLIC tastra_platform_common ${TASTRA_FLTK_LIBRARY} ${X11_LIBRARIES})

add_library(tastra_x11_system STATIC ${CMAKE_CURRENT_LIST_DIR}/system.cpp)
target_link_libraries(tastra_x11_system PUBLIC tastra_platform_common)

target_link_libraries(tastra_x11_dialog PUBLIC tastra_x11_desktop)

# The other x11 services that the program links.
set(TASTRA_X11_SERVICES tastra_x11_desktop tastra_x11_display tastra_x11_sip tastra_x11_registry tastra_x11_devices
    tastra_x11_serial tastra_x11_bluetooth)

add_executable(tastra ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
# The display service announces setting changes to the dialog, so it comes first.
target_link_libraries(tastra PRIVATE tastra_core ${TASTRA_X11_SERVICES} tastra_x11_dialog tastra_x11_system)
set_target_properties(tastra PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
