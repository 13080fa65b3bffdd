#pragma once

#include "writer/CWmvStream.h"

class CVideoCompressor;

// The video stream of a Windows Media file (stream 1): the compressor's output format as a
// video-info media type whose subtype is the format's FourCC.
class CWmvVideoStream : public CWmvStream
{
public:
    CWmvVideoStream();

    // Takes a CVideoCompressor and builds the media type from its output format.
    int SetEncoder(void* pEncoder, int nReserved) override;
    int IsVariableBitRate() override;
    // Compresses the frame, then queues it with the frame interval as its duration and the
    // clean-point flag on key frames.
    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;

    int CodecType() const override;
    GUID MediaTypeGuid() const override;
    WORD StreamNumber() const override;
    DWORD Bitrate() const override;
    DWORD BufferWindow() const override;

    // The media type for an output format of cbFormat bytes (at least a bitmap header).
    int SetFormat(const BITMAPINFOHEADER* pFormat, int cbFormat, DWORD dwScale, DWORD dwRate, DWORD dwDataRate);

private:
    CVideoCompressor* m_pCompressor;
    DWORD m_dwLastTime = 0;
    bool m_bHasLastTime = false;
};
