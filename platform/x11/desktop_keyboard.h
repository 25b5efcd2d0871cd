// The keyboard as the X server has it now (XKB keymap, active group, locked
// and latched modifiers), for the key injection of desktop_inject.cpp.
#pragma once

#include <X11/Xlib.h>

// What to send for one keysym: press the modifier keys for `pressMods`,
// clear the locked and latched modifiers in `clearMods` for the stroke, and
// put the locks back after.
struct KeyStrokePlan {
    KeyCode keycode;
    unsigned pressMods;
    unsigned clearMods;
};

// Reads the notifications of the connection and, when the keymap changed,
// the keymap again. False when XKB is missing.
bool X11KeyboardUpdate(Display* display);
// A keymap notification read from the connection (X11ReadEvents).
void X11KeyboardNoteEvent(XEvent& event);
// Reads the active group and the locked and latched modifiers (a round trip).
bool X11KeyboardReadState(Display* display);
// Whether the last X11KeyboardUpdate read a new keymap.
bool X11KeyboardChanged();
void X11KeyboardForget();

// A key of the layout that types `keysym` in the active group, with
// modifiers this module can press; keycodes in `skip` are not looked at.
bool X11KeyboardFind(unsigned long keysym, bool (*skip)(int keycode), KeyStrokePlan* plan);

// The locked and latched modifiers that would change what a key bound by
// X11KeyboardBindKeys types at any level (the case lock included).
unsigned X11KeyboardSpareClearMods();
// The modifiers that select levels 1 to 4 of a key bound by
// X11KeyboardBindKeys; how many of them this layout can press.
unsigned X11KeyboardLevelMods(int level);
int X11KeyboardLevels();

// Keycodes with no symbol at all, from the highest down.
int X11KeyboardUnusedKeycodes(int* keycodes, int capacity);
// Whether group 1 of the key holds exactly these four levels (NoSymbol for
// none); a key without symbols holds four NoSymbols.
bool X11KeyboardKeyHolds(int keycode, const KeySym levels[4]);

// Binds keycodes each to up to four levels (NoSymbol for none; none at all
// leaves it without symbols), in one request: every client gets one keymap
// notification for them all, and some (openbox) take long over each.
// False when the layout cannot press the levels of one of them.
bool X11KeyboardBindKeys(Display* display, const int* keycodes, const KeySym (*levels)[4], int count);

// Sends the stroke: modifiers, press and release, modifiers back.
void X11KeyboardStroke(Display* display, const KeyStrokePlan& plan);
// Puts back every lock cleared by strokes since the last call.
void X11KeyboardRestoreLocks(Display* display);
