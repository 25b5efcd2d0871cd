// Random paired devices in the registry and a random Bluetooth entry: the
// device lookup, the outgoing registration and a connect's port opening must
// leave no key open, no registration behind after a shutdown, and write
// records that match the lookup.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "fuzz/fuzz_input.h"

#include "link/bt_provisioning.h"
#include "link/serial_link.h"
#include "platform/emulated/emulated.h"
#include "platform/registry.h"

namespace {
using Input = FuzzInput;

const std::u16string DEVICE_ROOT = u"Software\\Microsoft\\Bluetooth\\Device";
const char16_t* const WORDS[] = {u"0123456789AB",  u"Term", u"In", u"BT-", u"1101", u"Services",
                                 u"00001101-0000", u"fF",   u"\\", u"g",   u"0",    u"BT-In"};
constexpr size_t WORD_COUNT = sizeof(WORDS) / sizeof(WORDS[0]);

void Fail(const char* why) {
    std::fprintf(stderr, "fuzz_bluetooth_link: %s\n", why);
    std::abort();
}

std::u16string RandomText(Input& in) {
    std::u16string text;
    int pieces = in.Byte() % 6;
    for (int i = 0; i < pieces; ++i) {
        uint8_t b = in.Byte();
        if (b < 0x80)
            text += WORDS[b % WORD_COUNT];
        else if (b < 0xF8)
            text += static_cast<char16_t>(b & 0x7F);
        else
            text += std::u16string(250 + in.Byte() % 20, u'A');  // longer than any buffer
    }
    return text;
}

std::vector<BYTE> RandomData(Input& in) {
    std::vector<BYTE> data;
    int n = in.Byte() % 10;
    for (int i = 0; i < n; ++i)
        data.push_back(in.Byte());
    return data;
}

void BuildDevices(Input& in) {
    std::vector<std::u16string> keys = {DEVICE_ROOT};
    for (int op = 0; op < 32 && in.size > 0; ++op) {
        const std::u16string key = keys[in.Byte() % keys.size()];
        switch (in.Byte() % 6) {
            case 0:
                keys.push_back(key + u"\\" + RandomText(in));
                EmuRegCreateKey(keys.back());
                break;
            case 1:
                keys.push_back(key + u"\\Services\\0000" + RandomText(in));
                EmuRegCreateKey(keys.back());
                break;
            case 2: EmuRegSetString(key, u"name", RandomText(in)); break;
            case 3: EmuRegSetDword(key, u"channel", in.Byte() | static_cast<DWORD>(in.Byte()) << 8); break;
            case 4: EmuRegSetValue(key, in.Byte() & 1 ? u"channel" : u"name", in.Byte() % 8, RandomData(in)); break;
            case 5: EmuRegDenyOpen(key); break;
        }
    }
}

DWORD Little(const std::vector<BYTE>& r, size_t at) {
    return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | static_cast<DWORD>(r[at + 3]) << 24;
}

void CheckOutgoingRecord(BYTE channel, const DWORD address[2]) {
    const EmuRegistration& r = EmuRegistrations().back();
    if (r.record.size() != 56) Fail("record is not 56 bytes");
    if (Little(r.record, 0) != channel || Little(r.record, 4) != 0) Fail("record channel or side wrong");
    if (Little(r.record, 8) != address[0] || static_cast<DWORD>(r.record[12] | r.record[13] << 8) != address[1])
        Fail("record address differs from the lookup");
    for (size_t i = 14; i < 56; ++i)
        if (r.record[i] != 0) Fail("record tail not zero");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EmuReset();
    g_hIncomingDevice = INVALID_HANDLE_VALUE;
    g_hOutgoingDevice = INVALID_HANDLE_VALUE;
    Input in{data, size};
    std::u16string name = RandomText(in);
    std::u16string entry = u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + in.Byte() % 12)) + u": BT-" + name;
    BuildDevices(in);
    bool cut = entry.size() > MAX_TEXT - 1;
    if (cut) entry.resize(MAX_TEXT - 1);

    DWORD address[2] = {0xAAAAAAAA, 0xAAAAAAAA};
    BYTE channel = FindDeviceChannel(name.c_str(), address);
    if (EmuRegOpenKeyCount() != 0) Fail("lookup left a key open");
    if (channel == 0 && (address[0] != 0xAAAAAAAA || address[1] != 0xAAAAAAAA))
        Fail("address written without a device");
    if (channel != 0 && address[1] > 0xFFFF) Fail("upper address wider than 16 bits");

    int registered = RegisterOutgoingPort(entry.c_str());
    if (registered && !cut) {
        if (channel == 0) Fail("registered without a channel");
        CheckOutgoingRecord(channel, address);
    }

    EmuSerialAddEndpoint(entry.substr(0, 5));
    HANDLE port = OpenSelectedPort(entry.c_str(), 9600);
    if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    BluetoothShutdown();
    if (EmuRegOpenKeyCount() != 0 || EmuOpenSearchCount() != 0) Fail("a key or search left open");
    for (const EmuRegistration& r : EmuRegistrations())
        if (r.active) Fail("registration left after shutdown");
    if (g_hIncomingDevice != INVALID_HANDLE_VALUE || g_hOutgoingDevice != INVALID_HANDLE_VALUE) Fail("handle kept");
    EmuReset();  // nothing of this input outlives it, so libFuzzer's leak check needs no second run
    return 0;
}
