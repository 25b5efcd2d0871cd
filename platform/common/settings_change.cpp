// Implements platform/common/settings_change.h.
#include "platform/common/settings_change.h"

namespace {
struct SettingChangeState {
    void (*listener)();
};
SettingChangeState g_settingChange{};
}  // namespace

void ListenForSettingChange(void (*listener)()) { g_settingChange.listener = listener; }

void AnnounceSettingChange() {
    if (g_settingChange.listener != nullptr) g_settingChange.listener();
}
