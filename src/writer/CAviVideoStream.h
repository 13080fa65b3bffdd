#pragma once

#include "writer/CAviStream.h"

class CVideoCompressor;

// The video stream of an AVI file. Frames are placed by their time stamps: a late frame
// leaves the positions in between empty, an early one takes the next free position.
class CAviVideoStream : public CAviStream
{
public:
    CAviVideoStream();
    ~CAviVideoStream() override;

    // Takes a CVideoCompressor and copies its output format.
    int SetEncoder(void* pEncoder, int nReserved) override;
    int IsVariableBitRate() override;
    int Start() override;
    void Stop() override;
    int WriteSample(CMediaSample* pSample) override;
    // Compresses the frame, then queues the compressed data.
    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;
    int CreateInFile(PAVIFILE pFile) override;

    // The format the stream is created with, as the compressor describes its output.
    int SetFormat(const BITMAPINFOHEADER* pFormat, int cbFormat, DWORD dwScale, DWORD dwRate, DWORD dwMaxFrameSize);
    LONG GetNextPosition() const { return m_nNextPosition; }

private:
    void FreeFormat();
    LONG PositionFor(DWORD dwTime) const;

    CVideoCompressor* m_pCompressor;
    BITMAPINFOHEADER* m_pFormat;
    int m_cbFormat;
    DWORD m_dwScale;
    DWORD m_dwRate;
    DWORD m_dwMaxFrameSize;
    LONG m_nNextPosition;
};
