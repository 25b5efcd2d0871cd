// The look that --reconnect takes every 2 s for a serial line that hung up:
// is the device there again? On Linux each look scans the machine's serial
// lines and the devices folder afresh (as the device search does), here with
// one attached pseudo-terminal and with its link dangling.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/linux/device_view.h"

namespace {

namespace fs = std::filesystem;

void LookFor(benchmark::State& state, bool present) {
    fs::path home = fs::temp_directory_path() / ("tastra-bench-" + std::to_string(getpid()));
    fs::create_directories(home / "tastra/devices");
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    int master = -1, slave = -1;
    char name[64];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    fs::create_symlink(present ? name : "/dev/pts/tastra-bench-gone", home / "tastra/devices/com0");
    for (auto _ : state)
        benchmark::DoNotOptimize(FindViewPort(u"COM0:", nullptr));
    close(slave);
    close(master);
    fs::remove_all(home);
}

void BM_DeviceBack(benchmark::State& state) { LookFor(state, true); }
void BM_DeviceStillAway(benchmark::State& state) { LookFor(state, false); }
BENCHMARK(BM_DeviceBack)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeviceStillAway)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
