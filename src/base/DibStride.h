#pragma once
// The bytes of one row of a device-independent bitmap: rows start on 4-byte boundaries.
#include <windows.h>

inline DWORD DibRowStride(int nBitsPerPixel, LONG nWidth)
{
    return ((static_cast<DWORD>(nBitsPerPixel) * static_cast<DWORD>(nWidth) / 8) + 3) & ~3u;
}
