// The serial ports Windows lists, as the core names them (port_view.h).
#include "platform/win32/port_view.h"

#include "platform/text.h"
#include "platform/win32/native.h"

namespace {
// Windows lists every port it knows; a machine with more than this is rare.
constexpr int kMaxListed = 64;
}  // namespace

int ComIndexOf(const WCHAR* port) {
    if (port == nullptr || WLen(port) != 4) return -1;
    for (int i = 0; i < 3; ++i) {
        WCHAR c = port[i] >= u'a' && port[i] <= u'z' ? static_cast<WCHAR>(port[i] - u'a' + u'A') : port[i];
        if (c != u"COM"[i]) return -1;
    }
    return port[3] >= u'0' && port[3] <= u'9' ? port[3] - u'0' : -1;
}

int ScanSerialPorts(ViewPort ports[VIEW_MAX_PORTS]) {
    static native::SerialCommEntry listed[kMaxListed];
    int count = native::ReadSerialComm(listed, kMaxListed);
    bool taken[VIEW_MAX_PORTS] = {};
    const native::SerialCommEntry* byIndex[VIEW_MAX_PORTS] = {};
    for (int i = 0; i < count; ++i) {
        int index = ComIndexOf(listed[i].port);
        if (index < 0 || taken[index]) continue;
        taken[index] = true;
        byIndex[index] = &listed[i];
    }
    int written = 0;
    for (int index = 0; index < VIEW_MAX_PORTS; ++index) {
        if (!taken[index]) continue;
        ViewPort& port = ports[written++];
        port.index = index;
        // "\Device\Serial0" is described as "Serial0".
        const WCHAR* slash = WFindLastChar(byIndex[index]->device, u'\\');
        WCopy(port.description, slash != nullptr ? slash + 1 : byIndex[index]->device, VIEW_DESCRIPTION_CHARS);
    }
    return written;
}
