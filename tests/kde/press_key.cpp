// Presses and releases one key through KWin's fake input, as a keyboard
// would: for the tests to change what only the user changes, Caps Lock say.
// Needs a desktop entry that authorises it (tests/kde/with-kwin).
//   press_key EVDEV_CODE
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>

#include "fake-input-client-protocol.h"

namespace {

org_kde_kwin_fake_input* g_fakeInput;

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    if (std::strcmp(interface, "org_kde_kwin_fake_input") == 0 && version >= 4)
        g_fakeInput = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kListener = {OnGlobal, OnGlobalRemove};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) return 1;
    wl_registry_add_listener(wl_display_get_registry(display), &kListener, nullptr);
    if (wl_display_roundtrip(display) < 0 || g_fakeInput == nullptr) return 1;
    org_kde_kwin_fake_input_authenticate(g_fakeInput, "press_key", "tests");
    uint32_t key = static_cast<uint32_t>(std::atoi(argv[1]));
    org_kde_kwin_fake_input_keyboard_key(g_fakeInput, key, 1);
    org_kde_kwin_fake_input_keyboard_key(g_fakeInput, key, 0);
    return wl_display_roundtrip(display) < 0 ? 1 : 0;
}
