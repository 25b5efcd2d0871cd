// Implements platform/sip.h with Windows' on-screen keyboard (osk.exe,
// window class OSKMainClass). The desktop keyboard has no lock.
#include "platform/sip.h"

#include "platform/win32/native.h"

namespace {
constexpr DWORD kSipInfoBytes = sizeof(SIPINFO);
}  // namespace

BOOL SHSipInfo(UINT action, UINT, void* info, UINT) {
    SIPINFO* sip = static_cast<SIPINFO*>(info);
    if (sip == nullptr || sip->cbSize != kSipInfoBytes) return FALSE;
    if (action == SPI_GETSIPINFO) {
        sip->fdwFlags = native::OnScreenKeyboardShown() ? SIPF_ON : 0;
        return TRUE;
    }
    if (action == SPI_SETSIPINFO) return native::ShowOnScreenKeyboard((sip->fdwFlags & SIPF_ON) != 0) ? TRUE : FALSE;
    return FALSE;
}
