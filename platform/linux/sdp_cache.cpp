// Implements platform/linux/sdp_cache.h: SDP records decoded from bluetoothd's cache files.
#include "platform/linux/sdp_cache.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kRootChars = 200;
char g_stateRoot[kRootChars] = "/var/lib/bluetooth";

// bluetoothd writes a record on one line; the largest seen are a few
// hundred bytes, so a line that does not fit is no record of interest.
constexpr int kMaxRecordBytes = 2048;
constexpr int kLineChars = 2 * kMaxRecordBytes + 64;

constexpr int kTypeUint = 1;
constexpr int kTypeUuid = 3;
constexpr int kTypeSequence = 6;
constexpr uint16_t kServiceClassList = 0x0001;
constexpr uint16_t kProtocolList = 0x0004;
constexpr uint32_t kSerialPortClass = 0x1101;
constexpr uint32_t kRfcommProtocol = 0x0003;
constexpr int kMaxRfcommChannel = 30;
// The Bluetooth base UUID after its first four bytes, 0000xxxx-0000-1000-8000-00805F9B34FB.
const uint8_t kBaseUuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB};

struct Element {
    int type;
    const uint8_t* data;
    size_t size;
};

uint32_t BigEndian(const uint8_t* data, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value = (value << 8) | data[i];
    return value;
}

// Reads the data element at `p`; returns the position after it, or nullptr
// when it runs past `end`.
const uint8_t* ReadElement(const uint8_t* p, const uint8_t* end, Element* element) {
    if (p >= end) return nullptr;
    int type = *p >> 3, sizeIndex = *p & 7;
    ++p;
    size_t size = 0;
    if (sizeIndex < 5) {
        size = type == 0 ? 0 : size_t{1} << sizeIndex;
    } else {
        size_t lengthBytes = size_t{1} << (sizeIndex - 5);
        if (static_cast<size_t>(end - p) < lengthBytes) return nullptr;
        size = BigEndian(p, lengthBytes);
        p += lengthBytes;
    }
    if (static_cast<size_t>(end - p) < size) return nullptr;
    *element = Element{type, p, size};
    return p + size;
}

// A 16- or 32-bit UUID, or a 128-bit one built on the base UUID, as its short value.
bool ShortUuid(const Element& e, uint32_t* value) {
    if (e.type != kTypeUuid) return false;
    if (e.size == 2 || e.size == 4) {
        *value = BigEndian(e.data, e.size);
        return true;
    }
    if (e.size != 16 || memcmp(e.data + 4, kBaseUuidTail, sizeof kBaseUuidTail) != 0) return false;
    *value = BigEndian(e.data, 4);
    return true;
}

bool ListsSerialPortClass(const Element& classes) {
    const uint8_t* end = classes.data + classes.size;
    Element uuid;
    uint32_t value;
    for (const uint8_t* p = classes.data; (p = ReadElement(p, end, &uuid)) != nullptr;)
        if (ShortUuid(uuid, &value) && value == kSerialPortClass) return true;
    return false;
}

// One protocol descriptor: the protocol's UUID, then its parameters; RFCOMM's first is the channel.
int RfcommChannelOf(const Element& descriptor) {
    const uint8_t* end = descriptor.data + descriptor.size;
    Element uuid, channel;
    uint32_t protocol;
    const uint8_t* p = ReadElement(descriptor.data, end, &uuid);
    if (p == nullptr || !ShortUuid(uuid, &protocol) || protocol != kRfcommProtocol) return 0;
    if (ReadElement(p, end, &channel) == nullptr || channel.type != kTypeUint || channel.size != 1) return 0;
    return channel.data[0];
}

int RfcommChannelIn(const Element& protocols) {
    const uint8_t* end = protocols.data + protocols.size;
    Element descriptor;
    for (const uint8_t* p = protocols.data; (p = ReadElement(p, end, &descriptor)) != nullptr;)
        if (descriptor.type == kTypeSequence)
            if (int channel = RfcommChannelOf(descriptor)) return channel;
    return 0;
}

// The record is a sequence of attribute id and value pairs.
int SerialPortChannelOf(const uint8_t* record, size_t size) {
    Element top, id, value;
    if (ReadElement(record, record + size, &top) == nullptr || top.type != kTypeSequence) return 0;
    const uint8_t* end = top.data + top.size;
    bool serialPort = false;
    int channel = 0;
    for (const uint8_t* p = top.data; p < end;) {
        p = ReadElement(p, end, &id);
        if (p == nullptr || id.type != kTypeUint || id.size != 2) return 0;
        p = ReadElement(p, end, &value);
        if (p == nullptr) return 0;
        uint16_t attribute = static_cast<uint16_t>(BigEndian(id.data, 2));
        if (value.type != kTypeSequence) continue;
        if (attribute == kServiceClassList) serialPort = ListsSerialPortClass(value);
        if (attribute == kProtocolList) channel = RfcommChannelIn(value);
    }
    return serialPort && channel >= 1 && channel <= kMaxRfcommChannel ? channel : 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of a "handle=hexdigits" line; -1 when it is no such line.
int DecodeRecordLine(const char* line, uint8_t* record) {
    const char* hex = strchr(line, '=');
    if (hex == nullptr) return -1;
    ++hex;
    int count = 0;
    for (; HexValue(hex[0]) >= 0 && HexValue(hex[1]) >= 0; hex += 2) {
        if (count == kMaxRecordBytes) return -1;
        record[count++] = static_cast<uint8_t>(HexValue(hex[0]) << 4 | HexValue(hex[1]));
    }
    return *hex == '\n' || *hex == '\r' || *hex == '\0' ? count : -1;
}

// Skips the rest of a line that did not fit the buffer.
void SkipRestOfLine(FILE* f, const char* line) {
    if (strchr(line, '\n') != nullptr) return;
    int c;
    while ((c = fgetc(f)) != EOF && c != '\n') {
    }
}

int ChannelFromCacheFile(FILE* f) {
    static char line[kLineChars];
    static uint8_t record[kMaxRecordBytes];
    bool inRecords = false;
    while (fgets(line, sizeof line, f) != nullptr) {
        bool whole = strchr(line, '\n') != nullptr || feof(f);
        SkipRestOfLine(f, line);
        if (line[0] == '[') {
            inRecords = strncmp(line, "[ServiceRecords]", 16) == 0;
            continue;
        }
        if (!inRecords || !whole) continue;
        int size = DecodeRecordLine(line, record);
        if (size <= 0) continue;
        if (int channel = SerialPortChannelOf(record, static_cast<size_t>(size))) return channel;
    }
    return 0;
}

}  // namespace

int ReadSerialPortChannel(const char* adapterAddress, const char* deviceAddress) {
    if (adapterAddress == nullptr || deviceAddress == nullptr || adapterAddress[0] == '\0') return 0;
    char path[PATH_MAX];
    int n = snprintf(path, sizeof path, "%s/%s/cache/%s", g_stateRoot, adapterAddress, deviceAddress);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path) return 0;
    FILE* f = fopen(path, "re");
    if (f == nullptr) return 0;
    int channel = ChannelFromCacheFile(f);
    fclose(f);
    return channel;
}

void UseBluetoothStateRoot(const char* root) {
    if (root == nullptr || strlen(root) >= kRootChars) root = "/var/lib/bluetooth";
    snprintf(g_stateRoot, kRootChars, "%s", root);
}
