// Arbitrary registry calls against the Linux registry view: paths, value names,
// buffer sizes and handles come from the input, and so do the serial lines of
// the device view and the paired devices that BlueZ reports; the view must answer every call within its buffers and
// never lose track of its keys.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include "fuzz/fuzz_input.h"

#include "platform/linux/bluez_client.h"
#include "platform/linux/device_view.h"
#include "platform/registry.h"

namespace {

const char16_t* const kWords[] = {u"Drivers\\Active",
                                  u"Software\\Microsoft\\Bluetooth\\Device",
                                  u"Services",
                                  u"name",
                                  u"channel",
                                  u"Name",
                                  u"Key",
                                  u"\\"};

struct Input : FuzzInput {
    // A short wide text, terminated; backslashes, letters and whole parts of the real paths are likely.
    void Text(WCHAR* out, int capacity) {
        static const char16_t kAlphabet[] = u"\\DriversActive0123456789NameKey:AB";
        int len = Byte() % capacity;
        int used = 0;
        while (used < len) {
            uint8_t b = Byte();
            const char16_t* word = kWords[b % (sizeof kWords / sizeof kWords[0])];
            size_t wordChars = std::char_traits<char16_t>::length(word);
            if (b >= 232 && used + static_cast<int>(wordChars) < capacity) {
                memcpy(out + used, word, wordChars * sizeof(WCHAR));
                used += static_cast<int>(wordChars);
            } else {
                out[used++] =
                    b < 200 ? kAlphabet[b % (sizeof kAlphabet / sizeof kAlphabet[0] - 1)] : static_cast<WCHAR>(b * 257);
            }
        }
        out[used] = 0;
    }
};

// What the stand-ins below report for the current input.
ViewPort g_ports[VIEW_MAX_PORTS];
int g_portCount = 0;
BluezDevice g_devices[BLUEZ_MAX_DEVICES + 2];
int g_deviceCount = -1;

void AsciiText(Input& in, char* out, int capacity, const char* likely) {
    int len = in.Byte() % capacity;
    size_t likelyChars = strlen(likely);
    for (int i = 0; i < len; ++i) {
        uint8_t b = in.Byte();
        out[i] = b < 160 && static_cast<size_t>(i) < likelyChars ? likely[i] : static_cast<char>(b | 1);
    }
    out[len] = 0;
}

// Lines at rising indexes, with descriptions up to the view's limit: empty,
// with backslashes, or bytes that are not UTF-8.
void ChoosePorts(Input& in) {
    g_portCount = 0;
    for (int index = 0; index < VIEW_MAX_PORTS; ++index) {
        if (in.Byte() % 3 != 0) continue;
        ViewPort& port = g_ports[g_portCount++];
        port.index = index;
        port.attached = in.Byte() & 1;
        AsciiText(in, port.hostPath, VIEW_PATH_CHARS, "/dev/ttyUSB0");
        int chars = in.Byte() % 4 == 0 ? VIEW_PATH_CHARS - 1 : in.Byte() % 24;
        for (int i = 0; i < chars; ++i)
            port.description[i] = static_cast<char>(in.Byte() | 1);
        port.description[chars] = 0;
    }
}

void ChooseDevices(Input& in) {
    uint8_t b = in.Byte();
    g_deviceCount = b < 32 ? -1 : b % (BLUEZ_MAX_DEVICES + 3);  // -1: BlueZ does not answer
    for (int d = 0; d < g_deviceCount; ++d) {
        BluezDevice& device = g_devices[d];
        AsciiText(in, device.address, BLUEZ_ADDRESS_CHARS, "0A:1b:2C:3d:4E:5f");
        int nameChars = in.Byte() % MAX_TEXT;
        for (int i = 0; i < nameChars; ++i)
            device.name[i] = static_cast<WCHAR>(in.Byte() * 97 + 1);
        device.name[nameChars] = 0;
        device.uuidCount = in.Byte() % (BLUEZ_MAX_UUIDS + 1);
        for (int u = 0; u < device.uuidCount; ++u)
            AsciiText(in, device.uuids[u], BLUEZ_UUID_CHARS, "00001101-0000-1000-8000-00805f9b34fb");
    }
}

}  // namespace

// The view asks these whenever it rebuilds its tree. The device view's own
// walk of sysfs is left to its tests: here it cost nine tenths of each input.
int ScanDeviceView(ViewPort ports[VIEW_MAX_PORTS]) {
    memcpy(ports, g_ports, sizeof(ViewPort) * static_cast<size_t>(g_portCount));
    return g_portCount;
}

// No tty is bound: the view then lists a device as BlueZ reports it.
bool RfcommTtyBoundTo(const char*) { return false; }

int BluezListPairedDevices(BluezDevice* devices, int capacity) {
    if (g_deviceCount < 0) return -1;
    int count = g_deviceCount < capacity ? g_deviceCount : capacity;
    memcpy(devices, g_devices, sizeof(BluezDevice) * static_cast<size_t>(count));
    return count;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{{data, size}};
    ChoosePorts(in);
    ChooseDevices(in);
    HKEY open[16];
    int count = 0;
    while (in.size > 0) {
        WCHAR text[40];
        in.Text(text, 40);
        HKEY key = count > 0 ? open[in.Byte() % count] : HKEY_LOCAL_MACHINE;
        switch (in.Byte() % 4) {
            case 0: {
                HKEY result;
                HKEY parent = in.Byte() % 2 ? HKEY_LOCAL_MACHINE : key;
                if (count < 16 && RegOpenKeyExW(parent, text, 0, 0, &result) == ERROR_SUCCESS) open[count++] = result;
                break;
            }
            case 1: {
                WCHAR name[MAX_TEXT];
                DWORD chars = in.Byte() % (MAX_TEXT + 1);
                if (RegEnumKeyExW(key, in.Byte(), name, &chars) == ERROR_SUCCESS && chars >= MAX_TEXT) abort();
                break;
            }
            case 2: {
                BYTE buffer[600];
                DWORD bytes = in.Byte() * 3u;
                DWORD type;
                LONG r = RegQueryValueExW(key, text, &type, buffer, &bytes);
                if (r == ERROR_SUCCESS && bytes > sizeof buffer) abort();
                if (r == ERROR_SUCCESS && type != REG_SZ && !(type == REG_DWORD && bytes == sizeof(DWORD))) abort();
                break;
            }
            default:
                if (count > 0) {
                    int i = in.Byte() % count;
                    if (RegCloseKey(open[i]) != ERROR_SUCCESS) abort();
                    open[i] = open[--count];
                }
        }
    }
    while (count > 0)
        RegCloseKey(open[--count]);
    return 0;
}
