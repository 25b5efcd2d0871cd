# Other applications' windows and key injection (Xlib + XTest), the screen
# orientation (XRandR) and the on-screen keyboard.
find_package(X11 REQUIRED)

add_library(tastra_x11_desktop STATIC
  ${CMAKE_CURRENT_LIST_DIR}/x11_desktop_connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_desktop_windows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_desktop_keysyms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_desktop_inject.cpp)
target_link_libraries(tastra_x11_desktop PUBLIC tastra_platform_common X11::X11 X11::Xtst)

add_library(tastra_x11_display STATIC ${CMAKE_CURRENT_LIST_DIR}/display.cpp)
target_link_libraries(tastra_x11_display PUBLIC tastra_x11_desktop X11::Xrandr)

add_library(tastra_x11_sip STATIC ${CMAKE_CURRENT_LIST_DIR}/sip.cpp)
target_link_libraries(tastra_x11_sip PUBLIC tastra_x11_desktop)
