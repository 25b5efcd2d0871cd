# The end-to-end benchmark's X client (bench/e2e/run drives it).
if(TASTRA_X11)
  find_package(X11 REQUIRED)
  find_package(Threads REQUIRED)
  add_executable(e2e_probe ${CMAKE_CURRENT_LIST_DIR}/e2e/probe.cpp)
  target_link_libraries(e2e_probe PRIVATE ${X11_LIBRARIES} Threads::Threads)
endif()
