// Implements platform/sip.h on the emulated handheld.
#include "platform/emulated/emu_sip.h"

namespace {
constexpr LONG SCREEN_WIDTH = 240;
constexpr LONG SCREEN_HEIGHT = 320;
constexpr LONG MENU_BAR_HEIGHT = 26;
constexpr LONG SIP_HEIGHT = 80;

struct SipState {
    DWORD flags = 0;
    bool failQuery = false;
    bool failSet = false;
    std::vector<SIPINFO> sets;
};
SipState g_sip;

void FillInfo(SIPINFO* info) {
    bool shown = (g_sip.flags & SIPF_ON) != 0;
    LONG sipTop = SCREEN_HEIGHT - MENU_BAR_HEIGHT - SIP_HEIGHT;
    info->fdwFlags = g_sip.flags;
    info->rcSipRect = RECT{0, sipTop, SCREEN_WIDTH, sipTop + SIP_HEIGHT};
    info->rcVisibleDesktop = RECT{0, 0, SCREEN_WIDTH, shown ? sipTop : SCREEN_HEIGHT - MENU_BAR_HEIGHT};
    info->dwImDataSize = 0;
    info->pvImData = 0;
}
}  // namespace

void EmuResetSip() { g_sip = SipState(); }
void EmuSetSipFlags(DWORD flags) { g_sip.flags = flags; }
DWORD EmuSipFlags() { return g_sip.flags; }
void EmuFailSipQuery(bool fail) { g_sip.failQuery = fail; }
void EmuFailSipSet(bool fail) { g_sip.failSet = fail; }
const std::vector<SIPINFO>& EmuSipSets() { return g_sip.sets; }

BOOL SHSipInfo(UINT action, UINT, void* info, UINT) {
    SIPINFO* record = static_cast<SIPINFO*>(info);
    if (record == nullptr || record->cbSize != sizeof(SIPINFO)) return FALSE;
    if (action == SPI_GETSIPINFO) {
        if (g_sip.failQuery) return FALSE;
        FillInfo(record);
        return TRUE;
    }
    if (action == SPI_SETSIPINFO) {
        g_sip.sets.push_back(*record);
        if (g_sip.failSet) return FALSE;
        g_sip.flags = record->fdwFlags & (SIPF_ON | SIPF_LOCKED);
        return TRUE;
    }
    return FALSE;
}
