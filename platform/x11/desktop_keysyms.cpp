// Implements the keysym mapping of platform/x11/desktop_internal.h (virtual keys and characters to X keysyms).
#include <X11/keysym.h>

#include "platform/window.h"
#include "platform/x11/desktop_internal.h"

unsigned long X11KeysymOfVirtualKey(WPARAM virtualKey) {
    switch (virtualKey & 0xFF) {
        case VK_BACK: return XK_BackSpace;
        case VK_TAB: return XK_Tab;
        case VK_RETURN: return XK_Return;
        case VK_ESCAPE: return XK_Escape;
        case VK_END: return XK_End;
        case VK_HOME: return XK_Home;
        case VK_LEFT: return XK_Left;
        case VK_UP: return XK_Up;
        case VK_RIGHT: return XK_Right;
        case VK_DOWN: return XK_Down;
        case VK_DELETE: return XK_Delete;
        default: return NoSymbol;
    }
}

unsigned long X11KeysymOfCharacter(WCHAR character) {
    switch (character) {
        case 0x08: return XK_BackSpace;
        case 0x09: return XK_Tab;
        case 0x0D: return XK_Return;
        case 0x1B: return XK_Escape;
        default: break;
    }
    if ((character >= 0x20 && character <= 0x7E) || (character >= 0xA0 && character <= 0xFF)) return character;
    // Other control characters have no keysym; a lone surrogate is no character.
    if (character < 0xA0 || (character >= 0xD800 && character <= 0xDFFF)) return NoSymbol;
    return 0x01000000UL | character;
}

unsigned long X11LegacyKeysymOfCharacter(WCHAR character) {
    // The currency keysyms (EcuSign .. EuroSign) carry their code point.
    if (character >= 0x20A0 && character <= 0x20AC) return character;
    return NoSymbol;
}
