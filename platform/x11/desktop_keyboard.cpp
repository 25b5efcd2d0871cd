// Implements platform/x11/desktop_keyboard.h with XKB: the keymap is read
// again after every keymap notification (setxkbmap, a layout switcher,
// xmodmap, our own spare keycodes) and the state before every batch.
//
// The keymap read and changed is that of XTest's own keyboard device, whose
// keys these are, not the core keyboard's: a change there reaches every
// device behind it, and every client reloads its keyboard for each
// notification (openbox re-reads its input method each time and holds the
// user's clicks meanwhile). The core keyboard takes the keymap of the device
// whose key it passes on, so clients read our keys with ours; the user's
// own keyboards never see the spare keycodes.
#include "platform/x11/desktop_keyboard.h"

#include "platform/x11/desktop_internal.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstring>

namespace {

struct Keyboard {
    Display* display;
    int eventBase;
    unsigned device;  // XTest's keyboard device; XkbUseCoreKbd without XInput 2
    XkbDescPtr xkb;
    bool stale;
    bool changed;
    int group;
    unsigned locked, latched;
    unsigned cleared;        // locks cleared for strokes, to put back
    KeyCode modifierKey[8];  // a key whose press sets modifier bit i in the active group
    unsigned level3Mask;
    int levels;
    int fourLevelType;  // none, Shift, level 3, both: levels 1 to 4
};
Keyboard g_keyboard{};

void FreeKeymap() {
    if (g_keyboard.xkb) XkbFreeKeyboard(g_keyboard.xkb, 0, True);
    g_keyboard.xkb = nullptr;
}

// The group of the key that the active group selects (keys with fewer
// groups wrap, clamp or redirect as the keymap says); -1 when it has none.
int GroupOfKey(int keycode) {
    XkbDescPtr xkb = g_keyboard.xkb;
    int groups = XkbKeyNumGroups(xkb, keycode);
    if (groups == 0) return -1;
    int group = g_keyboard.group;
    if (group < groups) return group;
    unsigned char info = XkbKeyGroupInfo(xkb, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
        case XkbClampIntoRange: return groups - 1;
        case XkbRedirectIntoRange: return XkbOutOfRangeGroupNumber(info) < groups ? XkbOutOfRangeGroupNumber(info) : 0;
        default: return group % groups;
    }
}

int LevelOf(const XkbKeyTypeRec* type, unsigned mods) {
    mods &= type->mods.mask;
    for (int i = 0; i < type->map_count; ++i)
        if (type->map[i].active && type->map[i].mods.mask == mods) return type->map[i].level;
    return 0;
}

unsigned ActionMask(int keycode, const XkbModAction& action) {
    if (action.flags & XkbSA_UseModMapMods) return g_keyboard.xkb->map->modmap[keycode];
    unsigned real = 0;
    XkbVirtualModsToReal(g_keyboard.xkb, XkbModActionVMods(&action), &real);
    return action.mask | action.real_mods | real;
}

// The keys that set one modifier when pressed, in the active group.
void FindModifierKeys() {
    Keyboard& k = g_keyboard;
    XkbDescPtr xkb = k.xkb;
    for (KeyCode& key : k.modifierKey)
        key = 0;
    k.level3Mask = 0;
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        int group = GroupOfKey(keycode);
        if (group < 0 || !XkbKeyHasActions(xkb, keycode)) continue;
        XkbAction* action = XkbKeyActionEntry(xkb, keycode, 0, group);
        if (action->type != XkbSA_SetMods) continue;
        unsigned mask = ActionMask(keycode, action->mods);
        for (int bit = 0; bit < 8; ++bit)
            if (mask == (1u << bit) && !k.modifierKey[bit]) k.modifierKey[bit] = static_cast<KeyCode>(keycode);
        if (!k.level3Mask && XkbKeySymEntry(xkb, keycode, 0, group) == XK_ISO_Level3_Shift) k.level3Mask = mask;
    }
    bool shift = k.modifierKey[ShiftMapIndex] != 0;
    k.fourLevelType = -1;
    for (int i = 0; i < xkb->map->num_types && k.level3Mask && shift && k.fourLevelType < 0; ++i) {
        const XkbKeyTypeRec& type = xkb->map->types[i];
        if (type.num_levels == 4 && type.mods.mask == (ShiftMask | k.level3Mask) && LevelOf(&type, ShiftMask) == 1 &&
            LevelOf(&type, k.level3Mask) == 2 && LevelOf(&type, ShiftMask | k.level3Mask) == 3)
            k.fourLevelType = i;
    }
    k.levels = k.fourLevelType >= 0 ? 4 : shift ? 2 : 1;
}

unsigned Pressable() {
    unsigned mods = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (g_keyboard.modifierKey[bit]) mods |= 1u << bit;
    return mods;
}

unsigned CaseLock(unsigned long keysym) {
    KeySym lower = 0, upper = 0;
    XConvertCase(keysym, &lower, &upper);
    return lower != upper ? LockMask : 0;
}

void FakeKey(Display* display, KeyCode keycode, bool press) {
    XTestFakeKeyEvent(display, keycode, press ? True : False, CurrentTime);
}

// XTest's keyboard device behind the core keyboard (XInput 2); the core
// keyboard itself where there is none.
unsigned XTestKeyboard(Display* display) {
    int opcode = 0, event = 0, error = 0, major = 2, minor = 0, pointer = 0, count = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success || !XIGetClientPointer(display, None, &pointer))
        return XkbUseCoreKbd;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    int master = -1;
    for (int i = 0; i < count; ++i)
        if (devices[i].deviceid == pointer) master = devices[i].attachment;
    unsigned found = XkbUseCoreKbd;
    // The server names it after its master: "Virtual core XTEST keyboard".
    for (int i = 0; i < count && found == XkbUseCoreKbd; ++i)
        if (devices[i].use == XISlaveKeyboard && devices[i].attachment == master &&
            std::strstr(devices[i].name, "XTEST keyboard") != nullptr)
            found = static_cast<unsigned>(devices[i].deviceid);
    XIFreeDeviceInfo(devices);
    return found;
}

}  // namespace

void X11KeyboardForget() {
    FreeKeymap();
    g_keyboard = Keyboard{};
}

void X11KeyboardNoteEvent(XEvent& event) {
    Keyboard& k = g_keyboard;
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        k.stale = k.stale || event.xmapping.request == MappingKeyboard || event.xmapping.request == MappingModifier;
    } else if (k.display != nullptr && event.type == k.eventBase) {
        int kind = reinterpret_cast<const XkbAnyEvent&>(event).xkb_type;
        k.stale = k.stale || kind == XkbNewKeyboardNotify || kind == XkbMapNotify;
    }
}

bool X11KeyboardUpdate(Display* display) {
    Keyboard& k = g_keyboard;
    if (k.display != display) {
        X11KeyboardForget();
        int opcode = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
        if (!XkbQueryExtension(display, &opcode, &k.eventBase, &errorBase, &major, &minor)) return false;
        unsigned keymapEvents = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display, XkbUseCoreKbd, keymapEvents, keymapEvents);
        k.display = display;
        k.stale = true;
        k.device = XTestKeyboard(display);
    }
    X11ReadEvents();
    k.changed = k.stale;
    if (k.stale) {
        FreeKeymap();
        k.xkb = XkbGetMap(display,
                          XkbKeyTypesMask | XkbKeySymsMask | XkbKeyActionsMask | XkbModifierMapMask |
                              XkbVirtualModsMask | XkbExplicitComponentsMask,
                          k.device);
        if (!k.xkb) return false;
        k.stale = false;
        FindModifierKeys();
    }
    return true;
}

bool X11KeyboardReadState(Display* display) {
    Keyboard& k = g_keyboard;
    XkbStateRec state{};
    if (!k.xkb || XkbGetState(display, XkbUseCoreKbd, &state) != Success) return false;
    // A round trip: the locks our last strokes cleared are back by now.
    bool groupChanged = state.group != k.group;
    k.group = state.group;
    k.locked = state.locked_mods;
    k.latched = state.latched_mods;
    if (groupChanged) FindModifierKeys();
    return true;
}

bool X11KeyboardChanged() { return g_keyboard.changed; }

bool X11KeyboardFind(unsigned long keysym, bool (*skip)(int keycode), KeyStrokePlan* plan) {
    XkbDescPtr xkb = g_keyboard.xkb;
    if (!xkb) return false;
    unsigned pressable = Pressable();
    for (int keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        int group = GroupOfKey(keycode);
        if (group < 0 || skip(keycode)) continue;
        const XkbKeyTypeRec* type = XkbKeyKeyType(xkb, keycode, group);
        for (int level = 0; level < type->num_levels; ++level) {
            if (XkbKeySymEntry(xkb, keycode, level, group) != keysym) continue;
            // The fewest modifier keys that select this level.
            unsigned usable = pressable & type->mods.mask;
            int best = -1;
            for (unsigned mods = usable;; mods = (mods - 1) & usable) {
                if (LevelOf(type, mods) == level && (best < 0 || __builtin_popcount(mods) <= __builtin_popcount(best)))
                    best = static_cast<int>(mods);
                if (mods == 0) break;
            }
            if (best < 0) continue;
            unsigned matters = type->mods.mask | CaseLock(keysym);
            *plan = KeyStrokePlan{static_cast<KeyCode>(keycode), static_cast<unsigned>(best),
                                  (g_keyboard.locked | g_keyboard.latched) & matters};
            return true;
        }
    }
    return false;
}

unsigned X11KeyboardSpareClearMods() {
    return (g_keyboard.locked | g_keyboard.latched) & (ShiftMask | LockMask | g_keyboard.level3Mask);
}

unsigned X11KeyboardLevelMods(int level) {
    return ((level & 1) ? ShiftMask : 0) | ((level & 2) ? g_keyboard.level3Mask : 0);
}

int X11KeyboardLevels() { return g_keyboard.xkb ? g_keyboard.levels : 0; }

int X11KeyboardUnusedKeycodes(int* keycodes, int capacity) {
    XkbDescPtr xkb = g_keyboard.xkb;
    int found = 0;
    for (int keycode = xkb ? xkb->max_key_code : 0; xkb && keycode >= xkb->min_key_code && found < capacity;
         --keycode) {
        bool unused = true;
        for (int i = 0; i < XkbKeyNumSyms(xkb, keycode) && unused; ++i)
            unused = XkbKeySymsPtr(xkb, keycode)[i] == NoSymbol;
        if (unused) keycodes[found++] = keycode;
    }
    return found;
}

bool X11KeyboardKeyHolds(int keycode, const KeySym levels[4]) {
    XkbDescPtr xkb = g_keyboard.xkb;
    if (!xkb || keycode < xkb->min_key_code || keycode > xkb->max_key_code) return false;
    int width = XkbKeyNumGroups(xkb, keycode) > 0 ? XkbKeyGroupWidth(xkb, keycode, 0) : 0;
    for (int level = 0; level < 4; ++level) {
        KeySym held = level < width ? XkbKeySymEntry(xkb, keycode, level, 0) : NoSymbol;
        if (held != levels[level]) return false;
    }
    return true;
}

namespace {

// Widens the range [first, first + count) to hold [add, add + addCount).
void Widen(unsigned char& first, unsigned char& count, int add, int addCount) {
    if (addCount <= 0) return;
    int low = count == 0 || add < first ? add : first;
    int high = count == 0 || add + addCount > first + count ? add + addCount : first + count;
    first = static_cast<unsigned char>(low);
    count = static_cast<unsigned char>(high - low);
}

// Binds one key in the local keymap and widens `changes` to send it.
bool BindInKeymap(int keycode, const KeySym levels[4], XkbMapChangesRec& changes) {
    Keyboard& k = g_keyboard;
    XkbDescPtr xkb = k.xkb;
    if (keycode < xkb->min_key_code || keycode > xkb->max_key_code) return false;
    int used = 0;
    for (int level = 0; level < 4; ++level)
        if (levels[level] != NoSymbol) used = level + 1;
    int type = used == 0 ? -1 : used > 2 ? k.fourLevelType : used == 2 ? XkbTwoLevelIndex : XkbOneLevelIndex;
    if (used > 0 && type < 0) return false;
    XkbMapChangesRec key{};
    if (XkbChangeTypesOfKey(xkb, keycode, used > 0 ? 1 : 0, XkbGroup1Mask, &type, &key) != Success) return false;
    KeySym* symbols = XkbKeySymsPtr(xkb, keycode);
    for (int level = 0; level < used; ++level)
        symbols[level] = levels[level];
    // Explicit, so that the server does not choose another type for the key.
    if (xkb->server && xkb->server->c_explicit)
        xkb->server->c_explicit[keycode] = used > 0 ? XkbExplicitKeyType1Mask : 0;
    changes.changed |= key.changed | XkbKeySymsMask | XkbExplicitComponentsMask;
    if (key.changed & XkbKeyTypesMask) Widen(changes.first_type, changes.num_types, key.first_type, key.num_types);
    if (key.changed & XkbKeyActionsMask)
        Widen(changes.first_key_act, changes.num_key_acts, key.first_key_act, key.num_key_acts);
    Widen(changes.first_key_sym, changes.num_key_syms, keycode, 1);
    Widen(changes.first_key_explicit, changes.num_key_explicit, keycode, 1);
    return true;
}

}  // namespace

bool X11KeyboardBindKeys(Display* display, const int* keycodes, const KeySym (*levels)[4], int count) {
    if (!g_keyboard.xkb) return false;
    XkbMapChangesRec changes{};
    bool all = true;
    for (int i = 0; i < count; ++i)
        all = BindInKeymap(keycodes[i], levels[i], changes) && all;
    // Keys between those bound go along as the local keymap has them, which
    // is the server's: it was read again after every change.
    return (changes.changed == 0 || XkbChangeMap(display, g_keyboard.xkb, &changes)) && all;
}

void X11KeyboardStroke(Display* display, const KeyStrokePlan& plan) {
    Keyboard& k = g_keyboard;
    unsigned unlock = plan.clearMods & k.locked & ~k.cleared;
    if (unlock) {
        XkbLockModifiers(display, XkbUseCoreKbd, unlock, 0);
        k.cleared |= unlock;
    }
    // A latch would be used up by this key press anyway.
    unsigned unlatch = plan.clearMods & k.latched;
    if (unlatch) {
        XkbLatchModifiers(display, XkbUseCoreKbd, unlatch, 0);
        k.latched &= ~unlatch;
    }
    for (int bit = 0; bit < 8; ++bit)
        if (plan.pressMods & (1u << bit)) FakeKey(display, k.modifierKey[bit], true);
    FakeKey(display, plan.keycode, true);
    FakeKey(display, plan.keycode, false);
    for (int bit = 7; bit >= 0; --bit)
        if (plan.pressMods & (1u << bit)) FakeKey(display, k.modifierKey[bit], false);
}

void X11KeyboardRestoreLocks(Display* display) {
    Keyboard& k = g_keyboard;
    if (k.cleared) XkbLockModifiers(display, XkbUseCoreKbd, k.cleared, k.cleared);
    k.cleared = 0;
}
