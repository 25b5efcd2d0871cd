// The registry export loader on arbitrary text: an error naming a line, or a
// registry the lookups can walk; never a crash, and a failed load stores nothing.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/emulated/emulated.h"
#include "ports/registry_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EmuReset();
    std::string error;
    std::string text(reinterpret_cast<const char*>(data), size);
    // Half the inputs get the header, so that the body is explored too.
    if (size > 0 && (data[0] & 1)) text = "Windows Registry Editor Version 5.00\r\n" + text.substr(1);
    if (!EmuRegLoadText(text, &error)) {
        if (error.rfind("line ", 0) != 0 || !EmuRegSubkeys(u"").empty()) {
            std::fprintf(stderr, "bad failure: %s\n", error.c_str());
            std::abort();
        }
        return 0;
    }
    FindBluetoothSerialPort(u"Incoming");
    if (EmuRegOpenKeyCount() != 0) std::abort();
    EmuReset();  // nothing of this input outlives it, so libFuzzer's leak check needs no second run
    return 0;
}
