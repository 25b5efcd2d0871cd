// Implements platform/session.h on Windows: the desktop is always there for
// a Windows program, and Windows ends it by closing its dialog.
#include "platform/session.h"

bool OpenSession() { return true; }
