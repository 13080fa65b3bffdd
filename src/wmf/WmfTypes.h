#pragma once

// Windows Media Format declarations the MinGW headers lack, shared by the built-in
// runtime and the WMV writer.
#include <windows.h>
#include <wmsdk.h>
#include <nserror.h>

EXTERN_GUID(WMFORMAT_VideoInfo, 0x05589f80, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a);
EXTERN_GUID(WMFORMAT_WaveFormatEx, 0x05589f81, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a);
// The MP3 wave format tag (0x55) as a media subtype.
EXTERN_GUID(WMMEDIASUBTYPE_MP3, 0x00000055, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71);

// Format block of a video media type: the source and target rectangles, the data rates,
// the frame interval and the bitmap header of the compressed format (plus its extra bytes).
typedef struct tagWMVIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    LONGLONG AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
} WMVIDEOINFOHEADER;

static_assert(sizeof(WMVIDEOINFOHEADER) == 88, "the video format block is 48 bytes plus the bitmap header");

// Stored with the media type GUID layout {XXXXXXXX-0000-0010-8000-00AA00389B71}.
inline GUID WmfFourCCGuid(DWORD dwFourCC)
{
    GUID guid = WMMEDIASUBTYPE_Base;
    guid.Data1 = dwFourCC;
    return guid;
}
