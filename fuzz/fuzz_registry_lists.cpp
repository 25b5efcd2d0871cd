// Builds a random handheld registry from the input and runs every lookup and
// both list routines on it: no crash, no key or device search left open,
// and every entry a well-formed port entry text.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>
#include "fuzz/fuzz_input.h"

#include "base/resource.h"
#include "platform/emulated/emulated.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "ports/port_entry.h"
#include "ports/port_list.h"
#include "ports/registry_lookup.h"

namespace {
using Input = FuzzInput;

const char16_t* const kBases[] = {u"Drivers\\Active", u"Software\\Microsoft\\Bluetooth\\Serial\\Ports",
                                  u"Software\\Microsoft\\Bluetooth\\Device"};
const char16_t* const kWords[] = {
    u"Incoming", u"1101", u"COM",          u"GPS",      u"BT-", u"SerialBT", u"SerialIR", u"ActiveDevice",
    u"\\",       u"Dev_", u"0123456789AB", u"Services", u":",   u"5",        u"out",      u"Drivers\\BuiltIn\\Serial"};
const char16_t* const kValueNames[] = {u"Name", u"Key", u"Port", u"name", u"channel", u""};

void Fail(const char* why) {
    std::fprintf(stderr, "fuzz_registry_lists: %s\n", why);
    std::abort();
}

// Appends random text to `text`.
void AddRandomText(Input& in, std::u16string& text) {
    int pieces = in.Byte() % 8;
    for (int i = 0; i < pieces; ++i) {
        uint8_t b = in.Byte();
        if (b < 0x40)
            text += kWords[b % (sizeof(kWords) / sizeof(kWords[0]))];
        else if (b < 0xF0)
            text += static_cast<char16_t>(b & 0x7F);  // includes a zero now and then
        else if (b < 0xFC)
            text += static_cast<char16_t>((in.Byte() << 8) | in.Byte());
        else
            text.append(200 + in.Byte(), static_cast<char16_t>(u'a' + (b & 3)));  // overlong
    }
}

// Names and values are built in storage kept from input to input: allocating
// each afresh was a quarter of an input's time under ASan.
struct Scratch {
    std::u16string name;
    std::u16string text;
    std::vector<BYTE> data;
};
Scratch g_scratch;

const std::u16string& RandomText(Input& in) {
    g_scratch.text.clear();
    AddRandomText(in, g_scratch.text);
    return g_scratch.text;
}

const std::vector<BYTE>& RandomData(Input& in) {
    std::vector<BYTE>& data = g_scratch.data;
    data.clear();
    uint8_t mode = in.Byte() % 4;
    if (mode == 0) {
        int n = in.Byte();
        for (int i = 0; i < n; ++i)
            data.push_back(in.Byte());
        return data;
    }
    const std::u16string& text = RandomText(in);
    for (char16_t c : text) {
        data.push_back(static_cast<BYTE>(c & 0xFF));
        data.push_back(static_cast<BYTE>(c >> 8));
    }
    if (mode == 1) data.insert(data.end(), 2, 0);
    if (mode == 3) data.push_back(in.Byte());  // odd byte count
    return data;
}

DWORD RandomType(Input& in) {
    uint8_t b = in.Byte();
    return b < 0x80 ? REG_SZ : b % 9;
}

// This input's keys by number: the bases are made only once an op touches
// them, as a missing base is a case of its own.
struct Keys {
    int numbers[64 + std::size(kBases)];
    size_t count = 0;
    int At(size_t i) {
        if (numbers[i] < 0) numbers[i] = EmuRegCreateKey(kBases[i]);
        return numbers[i];
    }
    void Add(int key) { numbers[count++] = key; }
};

// A key below `parent` named by `middle` and random text (which may hold
// more backslashes).
void AddSubkey(Input& in, Keys& keys, int parent, const char16_t* middle) {
    std::u16string& path = g_scratch.text;
    path.assign(middle);
    AddRandomText(in, path);
    keys.Add(EmuRegCreateKeyAt(parent, path));
}

void BuildRegistry(Input& in) {
    Keys keys;
    for (size_t i = 0; i < std::size(kBases); ++i)
        keys.Add(-1);
    int manyKeys = 0;
    for (int op = 0; op < 64 && !in.Done(); ++op) {
        size_t key = in.Byte() % keys.count;
        switch (in.Byte() % 8) {
            case 0:
            case 1: AddSubkey(in, keys, keys.At(key), u"\\"); break;
            case 2:
            case 3: {
                uint8_t pick = in.Byte();
                g_scratch.name.assign(pick < 0xC0 ? kValueNames[pick % 6] : RandomText(in));
                DWORD type = RandomType(in);
                EmuRegSetValueAt(keys.At(key), g_scratch.name, type, RandomData(in));
                break;
            }
            case 4: EmuRegDenyOpenAt(keys.At(key)); break;
            case 5: {
                // More subkeys than a position can count. Once per input passes
                // position 255; a second time only costs time. The op is rare (one
                // in 32) because the walks over 256 keys cost more than all else;
                // the kept corpus holds the inputs that reach it.
                if (in.Byte() >= 8 || ++manyKeys > 1) break;
                int count = 250 + in.Byte() % 50;
                std::u16string stem = RandomText(in).substr(0, 12);  // long shared stems only slow the store
                stem += u'\0';                                       // the last character tells the keys apart
                int parent = keys.At(key);
                for (int i = 0; i < count; ++i) {
                    stem.back() = static_cast<char16_t>(0x100 + i);
                    EmuRegCreateKeyAt(parent, stem);
                }
                break;
            }
            case 6: AddSubkey(in, keys, keys.At(key), u"\\Services\\"); break;
            case 7:
                EmuAddDevice(u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + in.Byte() % 10)) + u":");
                break;
        }
    }
}

void CheckNothingOpen() {
    if (EmuRegOpenKeyCount() != 0) Fail("a registry key was left open");
    if (EmuOpenSearchCount() != 0) Fail("a device search was left open");
}

// Every entry added since the log was cleared: at most 259 characters, the
// device name and a blank in front. Active drivers carry the asked prefix;
// a configured Bluetooth port names whatever device its "Port" value holds
// (three characters and a digit), so only the digit and colon are fixed.
void CheckEntries(HWND portList, bool bluetooth) {
    for (const EmuMessage& m : EmuMessageLog()) {
        if (m.target != portList || m.message != CB_ADDSTRING) continue;
        const std::u16string& e = m.text;
        if (e.size() > MAX_TEXT - 1) Fail("entry longer than 259 characters");
        if (e.size() < 6 || e[5] != u' ') Fail("entry without device name");
        if (!bluetooth && e.compare(0, 3, u"COM") != 0) Fail("driver entry without the asked prefix");
        if (bluetooth && (e[3] < u'0' || e[3] > u'9' || e[4] != u':' || !IsBluetoothEntry(e.c_str())))
            Fail("Bluetooth entry naming no device");
    }
    EmuClearMessageLog();
}

INT_PTR QuietProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void ProbeServices() {
    HKEY devices;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kBases[2], 0, 0, &devices) != ERROR_SUCCESS) return;
    WCHAR name[MAX_TEXT];
    HKEY device;
    for (int position = 0; position <= 255 && RegOpenSubkeyByIndex(devices, static_cast<BYTE>(position), name, &device);
         ++position) {
        HKEY service = FindSerialPortService(device);
        if (service != NO_KEY) {
            DWORD channel;
            RegReadDword(service, u"channel", &channel);
            RegCloseKey(service);
        }
        // Reads with every capacity must stay inside the buffer and terminate
        // it; each buffer is exactly that size, so ASan sees a write past it.
        WCHAR one[1], six[6], full[MAX_TEXT];
        const std::pair<WCHAR*, DWORD> reads[] = {{one, 2}, {one, 3}, {six, 12}, {six, 13}, {full, 520}};
        for (auto [buffer, bytes] : reads) {
            WCHAR* end = buffer + bytes / 2;
            if (RegReadString(device, u"name", buffer, bytes) && std::find(buffer, end, u'\0') == end)
                Fail("text read without terminator");
        }
        RegCloseKey(device);
    }
    RegCloseKey(devices);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EmuReset();
    Input in{data, size};
    BuildRegistry(in);
    HWND dialog = CreateDialogParamW(&g_moduleResources, IDD_MAIN, 0, QuietProc, 0);
    HWND portList = GetDlgItem(dialog, IDC_PORT);
    if (portList == 0) Fail("no port list");
    EmuClearMessageLog();

    ListActivePorts(portList, u"COM");
    CheckNothingOpen();
    CheckEntries(portList, false);
    ListBluetoothPorts(portList);
    CheckNothingOpen();
    CheckEntries(portList, true);

    if (FindFreeComIndex(u"COM") > NO_COM_INDEX) Fail("index out of range");
    const std::u16string& search = RandomText(in);
    for (const WCHAR* text : {u"Incoming", search.c_str()})
        if (FindBluetoothSerialPort(text) > NO_COM_INDEX) Fail("index out of range");
    CheckNothingOpen();
    ProbeServices();
    CheckNothingOpen();
    EmuReset();  // nothing of this input outlives it, so libFuzzer's leak check needs no second run
    return 0;
}
