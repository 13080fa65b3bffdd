#pragma once

#include <windows.h>

#include "pipeline/CWorkerThread.h"

class CMediaStream;

// The worker thread that produces a recording's video: it ticks on a waitable timer at the
// frame rate, takes a frame on every tick, stamps it with the milliseconds since the first
// tick and hands it to its target stream, which compresses and queues it on this thread.
class CVideoSource : public CWorkerThread
{
public:
    CVideoSource();
    ~CVideoSource() override;

    // Odd sizes grow by one pixel; the frame is a bottom-up 32-bit DIB.
    void SetWidth(int nWidth);
    void SetHeight(int nHeight);
    void SetFrameRate(UINT nFps);
    UINT GetFrameRate() const { return m_nFps; }
    void SetDataRate(int nDataRate) { m_nDataRate = nDataRate; }
    int GetDataRate() const { return m_nDataRate; }
    const BITMAPINFOHEADER* GetFormat() const { return &m_bmih; }
    int GetFormatSize() const { return sizeof(BITMAPINFOHEADER); }
    int SetTarget(CMediaStream* pTarget);
    int GetStride() const { return m_nStride; }

    // Copies the region of a source image whose top-left is (x, y), counted from the source's
    // top row, into the frame (or points into the source when it already is the frame).
    virtual BYTE* GetFrame(const BITMAPINFOHEADER* pFormat, BYTE* pBits, int nStride, int x, int y);

    // The timing of one tick at a frame rate: the timer's relative due time in 100 ns (the
    // period rounded up to the next 100 ns, negative) and the wait in milliseconds.
    static LONGLONG DueTimeFor(UINT nFps);
    static DWORD WaitFor(UINT nFps);

protected:
    int OnThreadStart() override;
    int Step() override;

    BYTE* FrameBits() const { return m_pFrame; }

private:
    void UpdateSize();

    BITMAPINFOHEADER m_bmih;
    int m_nWidth;
    int m_nHeight;
    UINT m_nFps;
    int m_nDataRate;
    int m_nStride;
    BYTE* m_pFrame;
    CMediaStream* m_pTarget;
    HANDLE m_hTimer;
    DWORD m_dwLastTick;
    DWORD m_dwStartTick;
    bool m_bTimeLineStarted;
    bool m_bGrabFailing = false;
    DWORD m_dwGrabFailingSince = 0;
};
