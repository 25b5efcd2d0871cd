// Reads the kernel's termios2 record; kept apart from <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "tests/linux/pty_pair.h"

bool ReadLineSettings(int fd, LineSettings& out) {
    termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    out.ispeed = t.c_ispeed;
    out.ospeed = t.c_ospeed;
    out.raw8n1 = (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & (PARENB | CSTOPB)) && !(t.c_oflag & OPOST) &&
                 !(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) &&
                 !(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | INPCK));
    out.noFlowControl = !(t.c_cflag & CRTSCTS) && !(t.c_iflag & (IXON | IXOFF | IXANY));
    out.localAndReceiver = (t.c_cflag & CLOCAL) && (t.c_cflag & CREAD);
    out.neverWaits = t.c_cc[VMIN] == 0 && t.c_cc[VTIME] == 0;
    return true;
}
