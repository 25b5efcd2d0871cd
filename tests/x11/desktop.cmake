# The desktop side on Xvfb: windows and key injection into xterm and xev (the
# screen orientation and the on-screen keyboard run in tests/contract).
find_package(X11 REQUIRED)
add_library(tastra_x11_desktop_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/desktop_support.cpp)
target_link_libraries(tastra_x11_desktop_test_support PUBLIC tastra_x11_desktop tastra_x11_focus_test_support)

# A gtest program run on a fresh X server; `with-x` options go in WITH_X.
function(tastra_x11_desktop_test name)
  cmake_parse_arguments(ARG "" "" "WITH_X;SOURCES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tastra_x11_desktop_test_support tastra_desktop_choice_x11
                        GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/with-x ${ARG_WITH_X} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES LABELS integration SKIP_RETURN_CODE 77 TIMEOUT 300)
endfunction()

# Not a test: the measurement of typing speed and of the rebinding delay.
add_executable(inject_measure ${CMAKE_CURRENT_LIST_DIR}/inject_measure.cpp)
target_link_libraries(inject_measure PRIVATE tastra_x11_desktop_test_support)

tastra_x11_desktop_test(x11_inject_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/inject_test.cpp)
tastra_x11_desktop_test(x11_desktop_windows_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/desktop_windows_test.cpp)
tastra_x11_desktop_test(x11_desktop_nowm_test WITH_X --no-wm SOURCES ${CMAKE_CURRENT_LIST_DIR}/desktop_nowm_test.cpp)
tastra_x11_desktop_test(x11_keyboard_state_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/keyboard_state_test.cpp)
