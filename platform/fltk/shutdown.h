// Ending the program from outside its dialog: SIGTERM and SIGINT, and the loss
// of the X server. Both end the link the way closing the dialog does, so the
// terminal still gets its farewell and the port and the radio are released.
#pragma once

// Installs the signal handlers (a self-pipe watched by the FLTK loop) and the
// X I/O error handler. Call once, after fl_open_display. false when the pipe
// or a handler cannot be set up; the program still runs, without them.
bool InstallShutdownHandlers();
