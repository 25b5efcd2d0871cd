// Implements platform/linux/rfcomm_tty.h: the kernel's RFCOMM tty ioctls.
#include "platform/linux/rfcomm_tty.h"

#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// From the kernel's include/net/bluetooth/{bluetooth,rfcomm}.h: a protocol
// number, two ioctls and their request, not worth a development package.
constexpr int kBtprotoRfcomm = 3;
constexpr unsigned long kRfcommCreateDev = _IOW('R', 200, int);
constexpr unsigned long kRfcommReleaseDev = _IOW('R', 201, int);

struct BdAddr {
    uint8_t b[6];  // least significant byte first
};

struct RfcommDevReq {
    int16_t devId;
    uint32_t flags;
    BdAddr src;
    BdAddr dst;
    uint8_t channel;
};
static_assert(sizeof(RfcommDevReq) == 24, "the kernel's struct rfcomm_dev_req");

bool Control(unsigned long request, RfcommDevReq* req, int* result) {
    int ctl = socket(AF_BLUETOOTH, SOCK_RAW | SOCK_CLOEXEC, kBtprotoRfcomm);
    if (ctl < 0) return false;
    *result = ioctl(ctl, request, req);
    close(ctl);
    return *result >= 0;
}

}  // namespace

int RfcommBind(uint64_t remoteAddress, int channel) {
    RfcommDevReq req;
    memset(&req, 0, sizeof req);  // src stays BDADDR_ANY: any local adapter
    req.devId = -1;               // the kernel takes the lowest free number
    for (int i = 0; i < 6; ++i) req.dst.b[i] = static_cast<uint8_t>(remoteAddress >> (8 * i));
    req.channel = static_cast<uint8_t>(channel);
    int tty = -1;
    return Control(kRfcommCreateDev, &req, &tty) ? tty : -1;
}

bool RfcommRelease(int tty) {
    RfcommDevReq req;
    memset(&req, 0, sizeof req);
    req.devId = static_cast<int16_t>(tty);
    int result = -1;
    return Control(kRfcommReleaseDev, &req, &result);
}
