# The end-to-end benchmark's X client (bench/e2e/run drives it).
if(TASTRA_X11)
  find_package(X11 REQUIRED)
  find_package(Threads REQUIRED)
  add_executable(e2e_probe ${CMAKE_CURRENT_LIST_DIR}/e2e/probe.cpp)
  target_link_libraries(e2e_probe PRIVATE ${X11_LIBRARIES} Threads::Threads)
  # Preloaded into Tastra to time its loop's stalls.
  add_library(e2e_loop_stall SHARED ${CMAKE_CURRENT_LIST_DIR}/e2e/loop_stall.c)
  target_link_libraries(e2e_loop_stall PRIVATE ${CMAKE_DL_LIBS})
endif()
