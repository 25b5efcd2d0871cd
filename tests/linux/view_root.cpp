#include "tests/linux/view_root.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/linux/device_view.h"

namespace fs = std::filesystem;

fs::path MakeViewRoot() {
    char tmpl[] = "/tmp/tastra-view-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return {};
    fs::path root = tmpl;
    fs::create_directories(root / "sys/class/tty");
    fs::create_directories(root / "dev");
    fs::create_directories(DevicesFolder(root));
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    UseDeviceViewRoots((root / "sys").c_str(), (root / "dev").c_str());
    return root;
}

fs::path DevicesFolder(const fs::path& root) { return root / "config/tastra/devices"; }

void RemoveViewRoot(const fs::path& root) {
    UseDeviceViewRoots(nullptr, nullptr);
    unsetenv("XDG_CONFIG_HOME");
    if (!root.empty()) fs::remove_all(root);
}
