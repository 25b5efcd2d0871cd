// Implements platform/wayland/wayland_outputs.h with the output-management protocol.
#include "platform/wayland/wayland_outputs.h"

#include <cstring>
#include <ctime>

#include "platform/wayland/wayland_internal.h"

namespace {

constexpr int MAX_HEADS = 16;
constexpr int MAX_MODES = 256;
// A compositor answers a configuration at once; a longer silence is a failure.
constexpr int ANSWER_TIMEOUT_MS = 3000;

struct Mode {
    zwlr_output_mode_v1* mode;
    int width, height;
};

struct Head {
    zwlr_output_head_v1* head;
    bool enabled;
    zwlr_output_mode_v1* currentMode;
    int x, y, transform;
    wl_fixed_t scale;
};

enum class Answer { WAITING, SUCCEEDED, FAILED, CANCELLED };

// The screen as clients see it: the first wl_output's current mode and transform.
struct Screen {
    wl_output* output;
    int width, height, transform;
};

struct Outputs {
    Screen screen;
    zwlr_output_manager_v1* manager;
    uint32_t serial;
    Head heads[MAX_HEADS];
    int headCount;
    Mode modes[MAX_MODES];
    int modeCount;
    Answer answer;
};

Outputs g_outputs;

Head* HeadOf(zwlr_output_head_v1* head) {
    for (int i = 0; i < g_outputs.headCount; ++i)
        if (g_outputs.heads[i].head == head) return &g_outputs.heads[i];
    return nullptr;
}

Mode* ModeOf(zwlr_output_mode_v1* mode) {
    for (int i = 0; i < g_outputs.modeCount; ++i)
        if (g_outputs.modes[i].mode == mode) return &g_outputs.modes[i];
    return nullptr;
}

void OnModeSize(void*, zwlr_output_mode_v1* mode, int32_t width, int32_t height) {
    if (Mode* m = ModeOf(mode)) {
        m->width = width;
        m->height = height;
    }
}
void OnModeRefresh(void*, zwlr_output_mode_v1*, int32_t) {}
void OnModePreferred(void*, zwlr_output_mode_v1*) {}
void OnModeFinished(void*, zwlr_output_mode_v1* mode) {
    if (Mode* m = ModeOf(mode)) *m = g_outputs.modes[--g_outputs.modeCount];
    zwlr_output_mode_v1_destroy(mode);
}
const zwlr_output_mode_v1_listener MODE_LISTENER = {OnModeSize, OnModeRefresh, OnModePreferred, OnModeFinished};

void OnHeadMode(void*, zwlr_output_head_v1*, zwlr_output_mode_v1* mode) {
    if (g_outputs.modeCount < MAX_MODES) {
        g_outputs.modes[g_outputs.modeCount++] = Mode{mode, 0, 0};
        zwlr_output_mode_v1_add_listener(mode, &MODE_LISTENER, nullptr);
    } else {
        zwlr_output_mode_v1_destroy(mode);
    }
}
void OnHeadName(void*, zwlr_output_head_v1*, const char*) {}
void OnHeadDescription(void*, zwlr_output_head_v1*, const char*) {}
void OnHeadPhysicalSize(void*, zwlr_output_head_v1*, int32_t, int32_t) {}
void OnHeadEnabled(void*, zwlr_output_head_v1* head, int32_t enabled) {
    if (Head* h = HeadOf(head)) h->enabled = enabled != 0;
}
void OnHeadCurrentMode(void*, zwlr_output_head_v1* head, zwlr_output_mode_v1* mode) {
    if (Head* h = HeadOf(head)) h->currentMode = mode;
}
void OnHeadPosition(void*, zwlr_output_head_v1* head, int32_t x, int32_t y) {
    if (Head* h = HeadOf(head)) {
        h->x = x;
        h->y = y;
    }
}
void OnHeadTransform(void*, zwlr_output_head_v1* head, int32_t transform) {
    if (Head* h = HeadOf(head)) h->transform = transform;
}
void OnHeadScale(void*, zwlr_output_head_v1* head, wl_fixed_t scale) {
    if (Head* h = HeadOf(head)) h->scale = scale;
}
void OnHeadFinished(void*, zwlr_output_head_v1* head) {
    if (Head* h = HeadOf(head)) *h = g_outputs.heads[--g_outputs.headCount];
    zwlr_output_head_v1_destroy(head);
}
const zwlr_output_head_v1_listener HEAD_LISTENER = {
    OnHeadName,        OnHeadDescription, OnHeadPhysicalSize, OnHeadMode,  OnHeadEnabled,
    OnHeadCurrentMode, OnHeadPosition,    OnHeadTransform,    OnHeadScale, OnHeadFinished};

void OnHead(void*, zwlr_output_manager_v1*, zwlr_output_head_v1* head) {
    if (g_outputs.headCount >= MAX_HEADS) {
        zwlr_output_head_v1_destroy(head);
        return;
    }
    Head& h = g_outputs.heads[g_outputs.headCount++];
    h = Head{};
    h.head = head;
    h.scale = wl_fixed_from_int(1);
    zwlr_output_head_v1_add_listener(head, &HEAD_LISTENER, nullptr);
}
void OnDone(void*, zwlr_output_manager_v1*, uint32_t serial) { g_outputs.serial = serial; }
void OnFinished(void*, zwlr_output_manager_v1* manager) {
    zwlr_output_manager_v1_destroy(manager);
    if (g_outputs.manager == manager) g_outputs.manager = nullptr;
}
const zwlr_output_manager_v1_listener MANAGER_LISTENER = {OnHead, OnDone, OnFinished};

void OnSucceeded(void*, zwlr_output_configuration_v1*) { g_outputs.answer = Answer::SUCCEEDED; }
void OnFailed(void*, zwlr_output_configuration_v1*) { g_outputs.answer = Answer::FAILED; }
void OnCancelled(void*, zwlr_output_configuration_v1*) { g_outputs.answer = Answer::CANCELLED; }
const zwlr_output_configuration_v1_listener CONFIGURATION_LISTENER = {OnSucceeded, OnFailed, OnCancelled};

void OnGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                int32_t transform) {
    g_outputs.screen.transform = transform;
}
void OnMode(void*, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    g_outputs.screen.width = width;
    g_outputs.screen.height = height;
}
// Version 1 sends only these two.
const wl_output_listener OUTPUT_LISTENER = {OnGeometry, OnMode, nullptr, nullptr, nullptr, nullptr};

Head* FirstEnabled() {
    for (int i = 0; i < g_outputs.headCount; ++i)
        if (g_outputs.heads[i].enabled) return &g_outputs.heads[i];
    return nullptr;
}

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

Answer Configure(const Head* turned, int transform, bool testOnly) {
    zwlr_output_configuration_v1* configuration =
        zwlr_output_manager_v1_create_configuration(g_outputs.manager, g_outputs.serial);
    zwlr_output_configuration_v1_add_listener(configuration, &CONFIGURATION_LISTENER, nullptr);
    // Every head must be named; the others keep what they have.
    for (int i = 0; i < g_outputs.headCount; ++i) {
        const Head& h = g_outputs.heads[i];
        if (!h.enabled) {
            zwlr_output_configuration_v1_disable_head(configuration, h.head);
            continue;
        }
        zwlr_output_configuration_head_v1* settings = zwlr_output_configuration_v1_enable_head(configuration, h.head);
        if (h.currentMode != nullptr) zwlr_output_configuration_head_v1_set_mode(settings, h.currentMode);
        zwlr_output_configuration_head_v1_set_position(settings, h.x, h.y);
        zwlr_output_configuration_head_v1_set_scale(settings, h.scale);
        zwlr_output_configuration_head_v1_set_transform(settings, &h == turned ? transform : h.transform);
    }
    g_outputs.answer = Answer::WAITING;
    if (testOnly)
        zwlr_output_configuration_v1_test(configuration);
    else
        zwlr_output_configuration_v1_apply(configuration);
    long long deadline = NowMs() + ANSWER_TIMEOUT_MS;
    while (g_outputs.answer == Answer::WAITING && NowMs() < deadline)
        if (!WaylandDispatchFor(50)) break;
    zwlr_output_configuration_v1_destroy(configuration);
    WaylandFlush();
    return g_outputs.answer;
}

}  // namespace

void WaylandScreenStart(wl_output* output) {
    g_outputs.screen = Screen{output, 0, 0, 0};
    wl_output_add_listener(output, &OUTPUT_LISTENER, nullptr);
}

void WaylandOutputsStart(zwlr_output_manager_v1* manager) {
    g_outputs.manager = manager;
    zwlr_output_manager_v1_add_listener(manager, &MANAGER_LISTENER, nullptr);
}

void WaylandOutputsStop() {
    for (int i = 0; i < g_outputs.modeCount; ++i)
        zwlr_output_mode_v1_destroy(g_outputs.modes[i].mode);
    for (int i = 0; i < g_outputs.headCount; ++i)
        zwlr_output_head_v1_destroy(g_outputs.heads[i].head);
    if (g_outputs.manager != nullptr) zwlr_output_manager_v1_stop(g_outputs.manager);
    if (g_outputs.screen.output != nullptr) wl_output_destroy(g_outputs.screen.output);
    g_outputs = Outputs{};
}

bool WaylandOutputState(int* transform, int* width, int* height) {
    WaylandRoundtrip();
    const Screen& screen = g_outputs.screen;
    if (screen.output == nullptr || screen.width <= 0 || screen.height <= 0) return false;
    bool sideways = (screen.transform & 1) != 0;
    *transform = screen.transform;
    *width = sideways ? screen.height : screen.width;
    *height = sideways ? screen.width : screen.height;
    return true;
}

WaylandOutputResult WaylandTurnOutput(int transform, bool testOnly) {
    if (!WaylandRoundtrip() || g_outputs.manager == nullptr) return WaylandOutputResult::NO_OUTPUT;
    // A compositor may show an output that it offers no way to configure
    // (sway's headless one reports itself disabled).
    const Head* h = FirstEnabled();
    if (h == nullptr) return WaylandOutputResult::REFUSED;
    Answer answer = Configure(h, transform, testOnly);
    // Outdated by a change meanwhile: once more with what is current now.
    if (answer == Answer::CANCELLED && WaylandRoundtrip() && (h = FirstEnabled()) != nullptr)
        answer = Configure(h, transform, testOnly);
    return answer == Answer::SUCCEEDED ? WaylandOutputResult::APPLIED : WaylandOutputResult::REFUSED;
}
