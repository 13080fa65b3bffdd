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
typedef struct tagWMVIDEOINFOHEADER
{
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    LONGLONG AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
} WMVIDEOINFOHEADER;

static_assert(sizeof(WMVIDEOINFOHEADER) == 88, "the video format block is 48 bytes plus the bitmap header");

// Video media properties of a stream configuration (key-frame spacing and quality).
#ifndef __IWMVideoMediaProps_INTERFACE_DEFINED__
#define __IWMVideoMediaProps_INTERFACE_DEFINED__
DEFINE_GUID(IID_IWMVideoMediaProps, 0x96406bcf, 0x2b2b, 0x11d3, 0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff);
MIDL_INTERFACE("96406bcf-2b2b-11d3-b36b-00c04f6108ff")
IWMVideoMediaProps : public IWMMediaProps
{
    virtual HRESULT STDMETHODCALLTYPE GetMaxKeyFrameSpacing(LONGLONG * pllTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMaxKeyFrameSpacing(LONGLONG llTime) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetQuality(DWORD * pdwQuality) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetQuality(DWORD dwQuality) = 0;
};
#endif

// Stored with the media type GUID layout {XXXXXXXX-0000-0010-8000-00AA00389B71}.
inline GUID WmfFourCCGuid(DWORD dwFourCC)
{
    GUID guid = WMMEDIASUBTYPE_Base;
    guid.Data1 = dwFourCC;
    return guid;
}
