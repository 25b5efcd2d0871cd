# Installs the desktop entry with Exec naming the program by its absolute
# path under this install's prefix (a package's /usr): KWin lets a program
# type through its fake input only when an entry that names it so lists the
# interface (X-KDE-Wayland-Interfaces). Run at install time, when the prefix
# is known; TASTRA_DESKTOP_SOURCE, TASTRA_BINDIR and TASTRA_APPLICATIONS come
# from packaging/CMakeLists.txt.
file(READ "${TASTRA_DESKTOP_SOURCE}" entry)
string(REPLACE "\nExec=tastra\n" "\nExec=${CMAKE_INSTALL_PREFIX}/${TASTRA_BINDIR}/tastra\n" entry "${entry}")
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${TASTRA_APPLICATIONS}")
message(STATUS "Installing: ${folder}/tastra.desktop")
file(MAKE_DIRECTORY "${folder}")
file(WRITE "${folder}/tastra.desktop" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${folder}/tastra.desktop")
