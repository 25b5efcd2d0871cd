// Implements platform/wayland/wayland_keymap.h with xkbcommon's keysym names.
#include "platform/wayland/wayland_keymap.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/window.h"

namespace {

constexpr uint32_t EDITING_KEYS[] = {XKB_KEY_BackSpace, XKB_KEY_Tab,  XKB_KEY_Return, XKB_KEY_Escape,
                                     XKB_KEY_Home,      XKB_KEY_End,  XKB_KEY_Left,   XKB_KEY_Up,
                                     XKB_KEY_Right,     XKB_KEY_Down, XKB_KEY_Delete};

// Beyond Latin-1, the symbols of the other classic 8-bit character set, Mac
// OS Roman (without its spacing accents and ligatures). X programs on
// Xwayland read a changed keymap late and lose keys typed just after the
// change, so what a terminal's keyboard may yield is there from the start.
constexpr char16_t EIGHT_BIT_SYMBOLS[] = u"†•™≠∞≤≥∂∑∏π∫Ω√ƒ≈∆…Œœ–—“”‘’◊Ÿ€‹›‡‚„‰";

// Compilers keep a section's name when they write a keymap out again.
constexpr char KEYCODES_SECTION[] = "xkb_keycodes \"tastra\"";

struct TextOut {
    char* out;
    int capacity;
    int length;
    bool overflow;
};

void Append(TextOut* text, const char* format, ...) {
    if (text->overflow) return;
    va_list args;
    va_start(args, format);
    int room = text->capacity - text->length;
    int written = std::vsnprintf(text->out + text->length, room > 0 ? room : 0, format, args);
    va_end(args);
    if (written < 0 || written >= room)
        text->overflow = true;
    else
        text->length += written;
}

void AddBase(WaylandKeymap* keymap, uint32_t keysym) {
    keymap->keysyms[keymap->count] = keysym;
    keymap->lastUse[keymap->count] = 0;
    ++keymap->count;
}

}  // namespace

void WaylandKeymapInit(WaylandKeymap* keymap) {
    keymap->count = 0;
    for (uint32_t key : EDITING_KEYS)
        AddBase(keymap, key);
    for (uint32_t c = 0x20; c <= 0x7E; ++c)
        AddBase(keymap, c);
    for (uint32_t c = 0xA0; c <= 0xFF; ++c)
        AddBase(keymap, c);
    for (const char16_t* c = EIGHT_BIT_SYMBOLS; *c != 0; ++c)
        AddBase(keymap, WaylandKeysymOfCharacter(*c));
    keymap->baseCount = keymap->count;
}

int WaylandKeymapSlot(WaylandKeymap* keymap, uint32_t keysym, long long now, bool* changed) {
    if (keysym == 0) return -1;
    for (int slot = 0; slot < keymap->count; ++slot) {
        if (keymap->keysyms[slot] == keysym) {
            keymap->lastUse[slot] = now;
            return slot;
        }
    }
    int slot = keymap->count;
    if (slot < WAYLAND_KEYMAP_SLOTS) {
        ++keymap->count;
    } else {
        slot = keymap->baseCount;
        for (int i = keymap->baseCount; i < keymap->count; ++i)
            if (keymap->lastUse[i] < keymap->lastUse[slot]) slot = i;
    }
    keymap->keysyms[slot] = keysym;
    keymap->lastUse[slot] = now;
    *changed = true;
    return slot;
}

int WaylandKeymapText(const WaylandKeymap* keymap, char* out, int capacity) {
    TextOut text{out, capacity, 0, capacity <= 0};
    int keycodes = keymap->count < WAYLAND_KEYMAP_KEYCODES ? keymap->count : WAYLAND_KEYMAP_KEYCODES;
    Append(&text, "xkb_keymap {\n%s {\nminimum = 8;\nmaximum = 255;\n", KEYCODES_SECTION);
    for (int slot = 0; slot < keycodes; ++slot)
        Append(&text, "<K%d> = %d;\n", WaylandKeymapKeycode(slot), WaylandKeymapKeycode(slot));
    // Clients compile the text with their own copy of the standard types.
    Append(&text,
           "};\nxkb_types \"tastra\" { include \"complete\" };\n"
           "xkb_compatibility \"tastra\" { include \"complete\" };\nxkb_symbols \"tastra\" {\n");
    // Slots fill in order, so a key's groups are the first ones, none missing.
    for (int first = 0; first < keycodes; ++first) {
        Append(&text, "key <K%d> {", WaylandKeymapKeycode(first));
        for (int slot = first; slot < keymap->count; slot += WAYLAND_KEYMAP_KEYCODES) {
            char name[64];
            if (xkb_keysym_get_name(keymap->keysyms[slot], name, sizeof name) <= 0) std::strcpy(name, "NoSymbol");
            Append(&text, "%s symbols[Group%d] = [ %s, %s ]", slot == first ? "" : ",", WaylandKeymapGroup(slot) + 1,
                   name, name);
        }
        Append(&text, " };\n");
    }
    Append(&text, "};\n};\n");
    if (text.overflow || text.length + 1 > capacity) return -1;
    return text.length + 1;
}

bool WaylandKeymapIsOurs(const char* text, size_t size) {
    return memmem(text, size, KEYCODES_SECTION, sizeof KEYCODES_SECTION - 1) != nullptr;
}

uint32_t WaylandKeysymOfVirtualKey(WPARAM virtualKey) {
    switch (virtualKey & 0xFF) {
        case VK_BACK: return XKB_KEY_BackSpace;
        case VK_TAB: return XKB_KEY_Tab;
        case VK_RETURN: return XKB_KEY_Return;
        case VK_ESCAPE: return XKB_KEY_Escape;
        case VK_END: return XKB_KEY_End;
        case VK_HOME: return XKB_KEY_Home;
        case VK_LEFT: return XKB_KEY_Left;
        case VK_UP: return XKB_KEY_Up;
        case VK_RIGHT: return XKB_KEY_Right;
        case VK_DOWN: return XKB_KEY_Down;
        case VK_DELETE: return XKB_KEY_Delete;
        default: return 0;
    }
}

uint32_t WaylandKeysymOfCharacter(WCHAR character) {
    switch (character) {
        case 0x08: return XKB_KEY_BackSpace;
        case 0x09: return XKB_KEY_Tab;
        case 0x0D: return XKB_KEY_Return;
        case 0x1B: return XKB_KEY_Escape;
        default: break;
    }
    if ((character >= 0x20 && character <= 0x7E) || (character >= 0xA0 && character <= 0xFF)) return character;
    // Other control characters have no key; a lone surrogate is no character.
    if (character < 0xA0 || (character >= 0xD800 && character <= 0xDFFF)) return 0;
    return 0x01000000u | character;
}
