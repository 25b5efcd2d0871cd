#include "ports/port_entry.h"

#include "platform/text.h"

const WCHAR BT_MARKER[] = u"BT-";

int IsBluetoothEntry(const WCHAR* entry) {
    for (int i = 0; i < BT_MARKER_POS; ++i)
        if (entry[i] == 0) return 0;
    return WCompareN(entry + BT_MARKER_POS, BT_MARKER, 3) == 0 ? 1 : 0;
}
