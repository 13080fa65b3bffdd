#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <vector>
#include <zlib.h>

// Frames of a moving 32-bit test picture in the ZMBV format: key frames carry the whole
// picture, other frames no change (zero motion vectors), all through one zlib stream that
// each key frame restarts.
class ZmbvFrameSource
{
public:
    ZmbvFrameSource(int nWidth, int nHeight, int nLevel = Z_DEFAULT_COMPRESSION);
    ~ZmbvFrameSource();

    bool Next(bool bKeyFrame, std::vector<BYTE>& out);
    BITMAPINFOHEADER Format() const;

    static const DWORD FOURCC = MAKEFOURCC('Z', 'M', 'B', 'V');

private:
    ZmbvFrameSource(const ZmbvFrameSource&) = delete;
    ZmbvFrameSource& operator=(const ZmbvFrameSource&) = delete;

    void Paint();
    bool Deflate(const BYTE* pData, size_t cbData, std::vector<BYTE>& out);

    int m_nWidth;
    int m_nHeight;
    int m_nFrame;
    bool m_bReady;
    z_stream m_zs;
    std::vector<BYTE> m_pixels;
};
