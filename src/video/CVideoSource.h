#pragma once

#include <windows.h>

#include <vector>

#include "base/ScopedWin.h"

#include "pipeline/CWorkerThread.h"
#include "video/CFrameSchedule.h"

class CMediaStream;

// The worker thread that produces a recording's video: it ticks on a waitable timer at the
// frame rate, on a schedule fixed when the thread starts, takes a frame on every tick, stamps
// it with its slot's due time (milliseconds since the tick of the first frame the writer took,
// so the frame-rate grid) and hands it to its target stream, which compresses and queues it on
// this thread.
class CVideoSource : public CWorkerThread
{
public:
    CVideoSource() = default;
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

protected:
    int OnThreadStart() override;
    int Step() override;

    BYTE* FrameBits() { return m_frame.empty() ? nullptr : m_frame.data(); }
    // The region's size in pixels (the frame may be a pixel wider or taller).
    int RegionWidth() const { return m_nWidth; }
    int RegionHeight() const { return m_nHeight; }
    // Copies the part of the region whose top-left is (x, y) in the source (as GetFrame takes
    // it) that lies in `part`, given in region coordinates (0, 0 is the region's top-left),
    // into the frame, converting and turning it upside down. Where the source always differs
    // from the frame, GetFrame is this copy for the whole region.
    void CopyRegion(const BITMAPINFOHEADER* pFormat, const BYTE* pBits, int nStride, int x, int y, const RECT& part);

private:
    void UpdateSize();
    void WaitForSlot(ULONGLONG nSlot);
    bool WriterIsWriting() const;

    BITMAPINFOHEADER m_bmih = {sizeof(BITMAPINFOHEADER), 0, 0, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    int m_nWidth = 0;
    int m_nHeight = 0;
    UINT m_nFps = 1;
    int m_nDataRate = 0;
    int m_nStride = 0;
    std::vector<BYTE> m_frame;
    CMediaStream* m_pTarget = nullptr;
    CScopedHandle m_hTimer{CreateWaitableTimerA(nullptr, TRUE, nullptr)};
    CFrameSchedule m_schedule;
    ULONGLONG m_nNextSlot = 0;
    LONGLONG m_llTimeLineStart = 0; // when the tick of the first frame the writer took ran: time 0
    bool m_bTimeLineStarted = false;
    bool m_bGrabFailing = false;
    DWORD m_dwGrabFailingSince = 0;
};
