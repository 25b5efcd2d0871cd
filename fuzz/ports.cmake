# The port catalogue over random registries, and the registry export loader.
tastra_fuzz_target(fuzz_registry_lists fuzz_registry_lists.cpp)
tastra_fuzz_target(fuzz_registry_parser fuzz_registry_parser.cpp)
