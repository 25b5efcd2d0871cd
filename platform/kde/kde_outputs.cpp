// Implements KdeChangeDisplaySettings of platform/kde/kde_desktop.h through
// KWin's output management (kde_output_device_v2, kde_output_management_v2),
// which KWin 5.27 offers every client: the first output turned between
// transform normal and 270.
#include <cstring>

#include "kde-output-device-v2-client-protocol.h"
#include "kde-output-management-v2-client-protocol.h"
#include "platform/common/settings_change.h"
#include "platform/display.h"
#include "platform/kde/kde_desktop.h"
#include "platform/kde/kde_internal.h"

namespace {

constexpr int TRANSFORM_NORMAL = 0;
constexpr int TRANSFORM_270 = 3;
constexpr int MAX_MODES = 64;
// KWin answers a configuration within a frame or two.
constexpr int APPLY_TIMEOUT_MS = 3000;

enum class Answer { NONE, APPLIED, FAILED };

struct Outputs {
    kde_output_device_v2* device;
    kde_output_management_v2* management;
    int transform;
    bool enabled;
    bool known;  // a first done arrived
    // KWin announces each mode as an object of its own; we keep none of them.
    wl_proxy* modes[MAX_MODES];
    int modeCount;
    Answer answer;
};
Outputs g_outputs;

void OnGeometry(void*, kde_output_device_v2*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                int32_t transform) {
    g_outputs.transform = transform;
}
void OnCurrentMode(void*, kde_output_device_v2*, kde_output_device_mode_v2*) {}
void OnMode(void*, kde_output_device_v2*, kde_output_device_mode_v2* mode) {
    if (g_outputs.modeCount < MAX_MODES)
        g_outputs.modes[g_outputs.modeCount++] = reinterpret_cast<wl_proxy*>(mode);
    else
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(mode));
}
void OnDone(void*, kde_output_device_v2*) { g_outputs.known = true; }
void OnScale(void*, kde_output_device_v2*, wl_fixed_t) {}
void OnEdid(void*, kde_output_device_v2*, const char*) {}
void OnEnabled(void*, kde_output_device_v2*, int32_t enabled) { g_outputs.enabled = enabled != 0; }
void OnUuid(void*, kde_output_device_v2*, const char*) {}
void OnSerialNumber(void*, kde_output_device_v2*, const char*) {}
void OnEisaId(void*, kde_output_device_v2*, const char*) {}
void OnCapabilities(void*, kde_output_device_v2*, uint32_t) {}
void OnOverscan(void*, kde_output_device_v2*, uint32_t) {}
void OnVrrPolicy(void*, kde_output_device_v2*, uint32_t) {}
void OnRgbRange(void*, kde_output_device_v2*, uint32_t) {}
void OnName(void*, kde_output_device_v2*, const char*) {}

const kde_output_device_v2_listener DEVICE_LISTENER = {
    OnGeometry,     OnCurrentMode, OnMode,         OnDone,     OnScale,     OnEdid,     OnEnabled, OnUuid,
    OnSerialNumber, OnEisaId,      OnCapabilities, OnOverscan, OnVrrPolicy, OnRgbRange, OnName};

void OnApplied(void*, kde_output_configuration_v2*) { g_outputs.answer = Answer::APPLIED; }
void OnFailed(void*, kde_output_configuration_v2*) { g_outputs.answer = Answer::FAILED; }

const kde_output_configuration_v2_listener CONFIGURATION_LISTENER = {OnApplied, OnFailed};

bool Usable() { return g_outputs.device != nullptr && g_outputs.management != nullptr && g_outputs.known; }

bool Turn(int transform) {
    kde_output_configuration_v2* configuration = kde_output_management_v2_create_configuration(g_outputs.management);
    kde_output_configuration_v2_add_listener(configuration, &CONFIGURATION_LISTENER, nullptr);
    kde_output_configuration_v2_transform(configuration, g_outputs.device, transform);
    kde_output_configuration_v2_apply(configuration);
    g_outputs.answer = Answer::NONE;
    for (int waited = 0; g_outputs.answer == Answer::NONE && waited < APPLY_TIMEOUT_MS; waited += 20)
        if (!KdeWaylandDispatch(20)) break;
    kde_output_configuration_v2_destroy(configuration);
    // The device's new state follows the answer.
    wl_display_roundtrip(KdeConnection().display);
    return g_outputs.answer == Answer::APPLIED;
}

DWORD OrientationOf(int transform) {
    switch (transform) {
        case 1: return DMDO_90;
        case 2: return DMDO_180;
        case 3: return DMDO_270;
        default: return DMDO_0;
    }
}

}  // namespace

void KdeOutputsBind(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, "kde_output_device_v2") == 0 && g_outputs.device == nullptr) {
        g_outputs.device = static_cast<kde_output_device_v2*>(
            wl_registry_bind(registry, name, &kde_output_device_v2_interface, version < 2 ? version : 2));
        kde_output_device_v2_add_listener(g_outputs.device, &DEVICE_LISTENER, nullptr);
    } else if (std::strcmp(interface, "kde_output_management_v2") == 0 && g_outputs.management == nullptr) {
        g_outputs.management = static_cast<kde_output_management_v2*>(
            wl_registry_bind(registry, name, &kde_output_management_v2_interface, 1));
    }
}

void KdeOutputsStop() {
    for (int i = 0; i < g_outputs.modeCount; ++i)
        wl_proxy_destroy(g_outputs.modes[i]);
    if (g_outputs.device != nullptr) kde_output_device_v2_destroy(g_outputs.device);
    if (g_outputs.management != nullptr) kde_output_management_v2_destroy(g_outputs.management);
    g_outputs = Outputs{};
}

LONG KdeChangeDisplaySettings(DEVMODEW* mode, DWORD flags) {
    if (mode == nullptr || mode->dmSize != sizeof(DEVMODEW)) return DISP_CHANGE_FAILED;
    KdeWaylandDispatch(0);
    bool query = mode->dmFields == DM_DISPLAYQUERYORIENTATION && flags == CDS_TEST;
    bool read = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_TEST;
    bool turn = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_RESET;
    if (query) {
        // Any output KWin manages can take any transform; the program turns
        // between 0 and 270 degrees only.
        bool can = Usable() && g_outputs.enabled;
        mode->dmDisplayOrientation = can ? DMDO_270 : 0;
        return can ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
    }
    if (read) {
        mode->dmDisplayOrientation = OrientationOf(Usable() ? g_outputs.transform : TRANSFORM_NORMAL);
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!turn || (mode->dmDisplayOrientation != DMDO_0 && mode->dmDisplayOrientation != DMDO_270))
        return DISP_CHANGE_BADMODE;
    int wanted = mode->dmDisplayOrientation == DMDO_0 ? TRANSFORM_NORMAL : TRANSFORM_270;
    if (!Usable()) {
        if (wanted != TRANSFORM_NORMAL) return DISP_CHANGE_BADMODE;
    } else if (wanted != g_outputs.transform && !Turn(wanted)) {
        return DISP_CHANGE_FAILED;
    }
    AnnounceSettingChange();
    return DISP_CHANGE_SUCCESSFUL;
}
