# bench_device_check: what one look for a device that may come back costs.
if(TARGET tastra_linux_device_view)
  add_executable(bench_device_check bench_device_check.cpp)
  target_link_libraries(bench_device_check PRIVATE tastra_linux_device_view benchmark::benchmark)
endif()
