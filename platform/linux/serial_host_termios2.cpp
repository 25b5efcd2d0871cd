// Implements platform/linux/serial_host.h: line settings and time-outs through termios2.
// termios2 comes from the kernel's headers, which clash with <termios.h>: keep them apart.
#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <cerrno>
#include <cstdlib>

#include "platform/linux/serial_host.h"

namespace {

struct SpeedCode {
    DWORD speed;
    unsigned code;
};

// The kernel's fixed speeds; any other speed goes as BOTHER with the number itself.
const SpeedCode kSpeedCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

constexpr BYTE kOddParity = 1, kEvenParity = 2, kMarkParity = 3, kSpaceParity = 4;
constexpr BYTE kTwoStopBits = 2;
constexpr DWORD kControlEnable = 1, kControlHandshake = 2;

// A UART within this many percent of the asked speed still talks to the far end.
constexpr long kSpeedTolerancePercent = 3;

unsigned SpeedCodeFor(DWORD speed) {
    for (const SpeedCode& s : kSpeedCodes)
        if (s.speed == speed) return s.code;
    return BOTHER;
}

void SetSpeed(termios2& t, DWORD speed) {
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    unsigned code = SpeedCodeFor(speed);
    t.c_cflag |= code | (code << IBSHIFT);
    t.c_ispeed = speed;
    t.c_ospeed = speed;
}

bool SetFraming(termios2& t, const DCB& dcb) {
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > kSpaceParity || dcb.StopBits > kTwoStopBits) return false;
    static const unsigned kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    t.c_cflag |= kSizes[dcb.ByteSize - 5];
    if (dcb.Parity != NOPARITY) t.c_cflag |= PARENB;
    if (dcb.Parity == kOddParity || dcb.Parity == kMarkParity) t.c_cflag |= PARODD;
    if (dcb.Parity == kMarkParity || dcb.Parity == kSpaceParity) t.c_cflag |= CMSPAR;
    // 1.5 stop bits is what CSTOPB gives with five data bits.
    if (dcb.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
    return true;
}

bool SetFlowControl(termios2& t, const DCB& dcb) {
    // Linux has no DSR flow control and no RTS toggling.
    if (dcb.fOutxDsrFlow || dcb.fDsrSensitivity || dcb.fDtrControl == kControlHandshake ||
        dcb.fRtsControl > kControlHandshake)
        return false;
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == kControlHandshake) t.c_cflag |= CRTSCTS;
    if (dcb.fOutX) t.c_iflag |= IXON;
    if (dcb.fInX) t.c_iflag |= IXOFF;
    if (dcb.XonChar != 0) t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    if (dcb.XoffChar != 0) t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return true;
}

// Every byte passes unchanged: no echo, no line editing, no signals, no CR/LF games.
void MakeRaw(termios2& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL | IUTF8 | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

bool SetModemLine(int fd, int line, DWORD control) {
    if (control == kControlHandshake) return true;
    int bits = line;
    if (ioctl(fd, control == kControlEnable ? TIOCMBIS : TIOCMBIC, &bits) == 0) return true;
    // Pseudo-terminals have no modem lines.
    return errno == ENOTTY || errno == EINVAL;
}

bool SpeedHeld(int fd, DWORD speed) {
    termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    long diff = std::labs(static_cast<long>(t.c_ospeed) - static_cast<long>(speed));
    return diff * 100 <= static_cast<long>(speed) * kSpeedTolerancePercent;
}

}  // namespace

bool SerialHostApplyDcb(int fd, const DCB& dcb) {
    if (fd < 0) return false;
    termios2 old;
    if (ioctl(fd, TCGETS2, &old) != 0) return false;
    // Whatever the DCB asks, the line is raw 8N1 without flow control at its
    // old speed first: a refused setting must not leave the kernel's line
    // editing and echo on a line the program reads as a terminal.
    termios2 base = old;
    MakeRaw(base);
    base.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    base.c_cflag |= CS8;
    base.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (ioctl(fd, TCSETS2, &base) != 0) return false;
    termios2 t = base;
    if (dcb.BaudRate == 0 || !SetFraming(t, dcb) || !SetFlowControl(t, dcb)) return false;
    SetSpeed(t, dcb.BaudRate);
    if (dcb.fParity) t.c_iflag |= INPCK;
    if (ioctl(fd, TCSETS2, &t) != 0) return false;
    // A driver that rounds the speed far off would talk past the terminal.
    if (!SpeedHeld(fd, dcb.BaudRate)) {
        ioctl(fd, TCSETS2, &base);
        return false;
    }
    return SetModemLine(fd, TIOCM_DTR, dcb.fDtrControl) && SetModemLine(fd, TIOCM_RTS, dcb.fRtsControl);
}

bool SerialHostApplyTimeouts(int fd, const COMMTIMEOUTS& timeouts) {
    if (fd < 0) return false;
    if (timeouts.ReadIntervalTimeout != MAXDWORD || timeouts.ReadTotalTimeoutMultiplier != 0 ||
        timeouts.ReadTotalTimeoutConstant != 0)
        return false;
    termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (ioctl(fd, TCSETS2, &t) != 0) return false;
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}
