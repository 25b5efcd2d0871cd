# The Linux registry view on its own: it replaces the emulated registry, so it
# does not link the emulated handheld.
add_executable(fuzz_linux_registry_view
  ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_linux_registry_view.cpp
  ${CMAKE_SOURCE_DIR}/platform/linux/registry.cpp ${CMAKE_SOURCE_DIR}/platform/common/registry_tree_calls.cpp)
target_link_libraries(fuzz_linux_registry_view PRIVATE tastra_platform_common)
target_link_options(fuzz_linux_registry_view PRIVATE -fsanitize=fuzzer)
