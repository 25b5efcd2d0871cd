// Characters that the user's keyboard layout lacks, on a desktop that types
// by keycode (the RemoteDesktop portal, KWin's fake input): typed as
// Ctrl+Shift+U, hex code, space where the user turned that on, else never
// typed and told once per connection to the desktop, as a desktop
// notification (org.freedesktop.Notifications on the session bus) and on
// the error output, with what would make them typable.
#pragma once

#include <cstdint>

// Whether the user turned on typing by code: the file
// $XDG_CONFIG_HOME/tastra/unicode-input (~/.config/tastra/unicode-input)
// exists. Read once per connection (MissingCharactersReset).
bool UnicodeInputWanted();

// A character that was not typed. true for the first one since the last
// reset: the caller then asks for MissingCharactersTell a moment later, so
// that one message names a burst's characters together.
bool MissingCharacterNote(uint32_t codepoint);

// Tells the user, once per connection, the characters noted so far (the
// first 32 distinct). Later notes are kept from the user: nothing new is
// learnt from them. Waits at most a second for the notification service.
void MissingCharactersTell();

// A new connection: nothing noted, nothing told, the setting read again.
void MissingCharactersReset();

// The message as told, for `codepoints` (UTF-8, terminated; cut to fit).
void MissingCharactersText(const uint32_t* codepoints, int count, char* out, int capacity);
