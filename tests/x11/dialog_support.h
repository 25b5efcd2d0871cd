// Helpers for the dialog tests on a real X server: an independent Xlib view
// of windows, waiting on conditions with FLTK's loop running, and XTest keys.
#pragma once

#include <functional>
#include <string>

#include "platform/types.h"

// The test's own display connection (not FLTK's), opened on first use.
struct _XDisplay;
_XDisplay* TestDisplay();

// Runs FLTK's loop in small steps until `condition` holds or `seconds` pass.
bool WaitFor(const std::function<bool()>& condition, double seconds = 10.0);

bool IsMapped(HWND window);  // viewable on the screen
HWND ActiveWindow();
bool HasFrame(HWND window);  // reparented by the window manager
std::string WindowName(HWND window);
std::string WindowClass(HWND window);                        // "instance.class"
std::string WindowType(HWND window);                         // the _NET_WM_WINDOW_TYPE atom's name
bool Geometry(HWND window, int* x, int* y, int* w, int* h);  // root coordinates

// The text of a control of the dialog, as the program reads it.
std::u16string Text(HWND dialog, int id);

// Types a key by keysym name ("Tab", "space", "Down") into the focused window.
void PressKey(const char* keysym);

// Asks the window to close the way a window manager's close box does.
void SendDeleteWindow(HWND window);

// Maps a window from this connection, as another program would.
void MapFromOutside(HWND window);

// Top-level client windows with this exact title (WM_NAME), mapped or not,
// and the first of them.
int CountWindowsTitled(const char* title, HWND* first = nullptr);
