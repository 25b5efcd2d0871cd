// The on-screen keyboard (soft input panel).
#pragma once

#include "platform/types.h"

constexpr DWORD SIPF_ON = 0x1;
constexpr DWORD SIPF_LOCKED = 0x4;
constexpr UINT SPI_SETSIPINFO = 0xE0;
constexpr UINT SPI_GETSIPINFO = 0xE1;

// 48 bytes, as on the handheld (the image-data pointer is a 32-bit value there).
struct SIPINFO {
    DWORD cbSize;
    DWORD fdwFlags;
    RECT rcVisibleDesktop;
    RECT rcSipRect;
    DWORD dwImDataSize;
    DWORD pvImData;
};
static_assert(sizeof(SIPINFO) == 48, "SIPINFO is 48 bytes");

// SPI_GETSIPINFO fills the record (cbSize must be 48); SPI_SETSIPINFO shows
// or hides the keyboard and sets its lock from fdwFlags. FALSE on failure,
// the record then unchanged. A keyboard that is another program shows and
// hides in its own time; the query tells what it does now. The lock (the
// user cannot close the keyboard) is a backend's to honour: where the
// keyboard has none, SIPF_LOCKED is ignored and never reported.
BOOL SHSipInfo(UINT action, UINT param, void* info, UINT winIni);
