# The FLTK dialog, the message loop and the program on Xvfb (through with-x),
# and the system services, which need no X server.
add_library(tastra_x11_dialog_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/dialog_support.cpp)
target_link_libraries(tastra_x11_dialog_test_support PUBLIC tastra_fltk_dialog tastra_x11_focus_test_support X11::X11 X11::Xtst)

function(tastra_x11_dialog_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tastra_core tastra_backend tastra_x11_dialog_test_support
                        GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE TASTRA_PROGRAM="$<TARGET_FILE:tastra>")
  add_dependencies(${name} tastra)
  add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/x11/with-x $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES LABELS integration SKIP_RETURN_CODE 77 TIMEOUT 120)
endfunction()

tastra_x11_dialog_test(x11_dialog_window_test ${CMAKE_CURRENT_LIST_DIR}/dialog_window_test.cpp)
tastra_x11_dialog_test(x11_dialog_program_test ${CMAKE_CURRENT_LIST_DIR}/dialog_program_test.cpp)

add_executable(x11_dialog_system_test ${CMAKE_CURRENT_LIST_DIR}/dialog_system_test.cpp)
target_link_libraries(x11_dialog_system_test PRIVATE tastra_linux_system GTest::gtest GTest::gtest_main)
add_test(NAME x11_dialog_system_test COMMAND x11_dialog_system_test)
set_tests_properties(x11_dialog_system_test PROPERTIES LABELS integration TIMEOUT 60)
