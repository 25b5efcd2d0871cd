// Implements PortalChangeDisplaySettings of platform/portal/portal_desktop.h
// (platform/display.h on GNOME) through mutter's own display configuration
// on the session bus: the first logical monitor turned between transform
// normal and 270, its monitors in their current modes, for this session only.
#include <sdbus-c++/sdbus-c++.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/common/settings_change.h"
#include "platform/display.h"
#include "platform/portal/portal_desktop.h"

namespace {

using Properties = std::map<std::string, sdbus::Variant>;
using MonitorId = sdbus::Struct<std::string, std::string, std::string, std::string>;
using Mode = sdbus::Struct<std::string, int32_t, int32_t, double, double, std::vector<double>, Properties>;
using Monitor = sdbus::Struct<MonitorId, std::vector<Mode>, Properties>;
using Logical = sdbus::Struct<int32_t, int32_t, double, uint32_t, bool, std::vector<MonitorId>, Properties>;
using AppliedMonitor = sdbus::Struct<std::string, std::string, Properties>;
using AppliedLogical = sdbus::Struct<int32_t, int32_t, double, uint32_t, bool, std::vector<AppliedMonitor>>;

const char kService[] = "org.gnome.Mutter.DisplayConfig";
const char kPath[] = "/org/gnome/Mutter/DisplayConfig";
constexpr uint32_t TRANSFORM_NORMAL = 0;
constexpr uint32_t TRANSFORM_270 = 3;
constexpr uint32_t METHOD_VERIFY = 0;
constexpr uint32_t METHOD_TEMPORARY = 1;

struct Screen {
    std::unique_ptr<sdbus::IConnection> bus;
    std::unique_ptr<sdbus::IProxy> config;
    uint32_t serial = 0;
    std::vector<Monitor> monitors;
    std::vector<Logical> logical;
};

bool Read(Screen* screen) {
    try {
        screen->bus = sdbus::createSessionBusConnection();
        screen->config = sdbus::createProxy(*screen->bus, kService, kPath);
        Properties properties;
        screen->config->callMethod("GetCurrentState")
            .onInterface(kService)
            .storeResultsTo(screen->serial, screen->monitors, screen->logical, properties);
        return !screen->logical.empty();
    } catch (const sdbus::Error&) {
        return false;
    }
}

bool IsCurrent(const Mode& mode) {
    auto found = mode.get<6>().find("is-current");
    return found != mode.get<6>().end() && found->second.containsValueOfType<bool>() && found->second.get<bool>();
}

// Every logical monitor as it is, the first with `transform`; false when a
// monitor has no current mode.
bool Apply(Screen* screen, uint32_t transform, uint32_t method) {
    std::vector<AppliedLogical> applied;
    for (size_t i = 0; i < screen->logical.size(); ++i) {
        const Logical& logical = screen->logical[i];
        std::vector<AppliedMonitor> monitors;
        for (const MonitorId& id : logical.get<5>()) {
            std::string mode;
            for (const Monitor& monitor : screen->monitors)
                if (monitor.get<0>() == id)
                    for (const Mode& candidate : monitor.get<1>())
                        if (IsCurrent(candidate)) mode = candidate.get<0>();
            if (mode.empty()) return false;
            monitors.push_back(AppliedMonitor(id.get<0>(), mode, Properties{}));
        }
        applied.push_back(AppliedLogical(logical.get<0>(), logical.get<1>(), logical.get<2>(),
                                         i == 0 ? transform : logical.get<3>(), logical.get<4>(), monitors));
    }
    try {
        screen->config->callMethod("ApplyMonitorsConfig")
            .onInterface(kService)
            .withArguments(screen->serial, method, applied, Properties{});
        return true;
    } catch (const sdbus::Error& e) {
        if (method != METHOD_VERIFY) std::fprintf(stderr, "tastra: mutter did not turn the screen: %s\n", e.what());
        return false;
    }
}

}  // namespace

LONG PortalChangeDisplaySettings(DEVMODEW* mode, DWORD flags) {
    Screen screen;
    if (mode == nullptr || mode->dmSize != sizeof(DEVMODEW) || !Read(&screen)) return DISP_CHANGE_FAILED;
    uint32_t transform = screen.logical[0].get<3>();
    bool query = mode->dmFields == DM_DISPLAYQUERYORIENTATION && flags == CDS_TEST;
    bool read = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_TEST;
    bool turn = mode->dmFields == DM_DISPLAYORIENTATION && flags == CDS_RESET;
    if (query) {
        // Mutter checks the configuration without applying it: its answer
        // for 270 degrees is the capability.
        bool accepted = Apply(&screen, TRANSFORM_270, METHOD_VERIFY);
        mode->dmDisplayOrientation = accepted ? DMDO_270 : 0;
        return accepted ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
    }
    if (read) {
        mode->dmDisplayOrientation = transform == 1   ? DMDO_90
                                     : transform == 2 ? DMDO_180
                                     : transform == 3 ? DMDO_270
                                                      : DMDO_0;
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!turn || (mode->dmDisplayOrientation != DMDO_0 && mode->dmDisplayOrientation != DMDO_270))
        return DISP_CHANGE_BADMODE;
    uint32_t wanted = mode->dmDisplayOrientation == DMDO_270 ? TRANSFORM_270 : TRANSFORM_NORMAL;
    // Where it stands already, nothing is asked of mutter.
    if (wanted != transform && !Apply(&screen, wanted, METHOD_TEMPORARY)) return DISP_CHANGE_BADMODE;
    AnnounceSettingChange();
    return DISP_CHANGE_SUCCESSFUL;
}
