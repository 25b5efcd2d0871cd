# The terminal link's Bluetooth side over random paired devices.
tastra_fuzz_target(fuzz_bluetooth_link fuzz_bluetooth_link.cpp)
