// A change of the screen (its orientation) that the program's own dialog
// hears of as WM_SETTINGCHANGE, as it would from the system. The service
// that changed the screen announces it; the dialog's service listens. Keeping
// the two apart lets either be replaced without the other.
#pragma once

// The listener is called once per announcement; nullptr stops listening.
void ListenForSettingChange(void (*listener)());

// Tells the listener, if any.
void AnnounceSettingChange();
