// The desktop session the program runs in: opened once, before WinMain.
#pragma once

// Connects to the desktop and prepares the program's ending from outside
// (signals, the loss of the display), which closes the dialog the way its
// close box does. false when there is no desktop to run on; the reason is
// then on the error output, for the user who started the program.
bool OpenSession();
