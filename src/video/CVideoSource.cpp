#include "video/CVideoSource.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/DibStride.h"
#include "pipeline/CMediaStream.h"
#include "pipeline/CMediaWriter.h"
#include "pipeline/PerfClock.h"
#include "video/PixelConversion.h"

namespace {

// A capture that keeps failing for this long ends the source, so that the recording does not
// go on without a picture.
const DWORD kGrabFailureLimitMs = 2000;

// Odd values grow by one away from zero.
int EvenAwayFromZero(int n)
{
    return n + n % 2;
}

void CopyRows(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nBytes, int nRows)
{
    for (int i = 0; i < nRows; ++i, pDest += nDestStride, pSource += nSourceStride)
        memcpy(pDest, pSource, nBytes);
}

} // namespace

CVideoSource::~CVideoSource()
{
    // Step uses the frame and the timer: the thread ends before they go.
    Stop();
}

void CVideoSource::SetWidth(int nWidth)
{
    m_nWidth = abs(nWidth);
    m_bmih.biWidth = abs(EvenAwayFromZero(nWidth));
    UpdateSize();
}

void CVideoSource::SetHeight(int nHeight)
{
    m_nHeight = abs(nHeight);
    m_bmih.biHeight = abs(EvenAwayFromZero(nHeight));
    UpdateSize();
}

void CVideoSource::UpdateSize()
{
    m_nStride = static_cast<int>(DibRowStride(m_bmih.biBitCount, m_bmih.biWidth));
    m_bmih.biSizeImage = static_cast<DWORD>(abs(m_bmih.biHeight) * m_nStride);
}

void CVideoSource::SetFrameRate(UINT nFps)
{
    m_nFps = nFps > 1 ? nFps : 1;
}

int CVideoSource::SetTarget(CMediaStream* pTarget)
{
    if (!pTarget)
        return 0;
    m_pTarget = pTarget;
    return 1;
}

int CVideoSource::OnThreadStart()
{
    m_frame.assign(m_bmih.biSizeImage ? m_bmih.biSizeImage : 1, 0);
    m_schedule.Start(PerfClock(CFrameSchedule::kUnitsPerSecond), m_nFps);
    m_nNextSlot = 0;
    m_llTimeLineStart = 0;
    m_bTimeLineStarted = false;
    m_bGrabFailing = false;
    return 1;
}

// Waits on the timer until the slot is due. The timer is armed afresh for every wait, so a
// signal left from an earlier recording or an early wake-up never makes a tick early.
void CVideoSource::WaitForSlot(ULONGLONG nSlot)
{
    const LONGLONG llWait = m_schedule.DueTime(nSlot) - PerfClock(CFrameSchedule::kUnitsPerSecond);
    if (llWait <= 0)
        return;
    LARGE_INTEGER due;
    due.QuadPart = -llWait;
    SetWaitableTimer(m_hTimer.Get(), &due, 0, nullptr, nullptr, FALSE);
    // The time-out only guards against a timer that never fires.
    WaitForSingleObject(m_hTimer.Get(), static_cast<DWORD>(llWait / 10000) + 2);
}

int CVideoSource::Step()
{
    WaitForSlot(m_nNextSlot);
    const LONGLONG llNow = PerfClock(CFrameSchedule::kUnitsPerSecond);
    if (llNow < m_schedule.DueTime(m_nNextSlot))
        return 1;
    // A late tick takes the slot that is due now; the ones it missed are skipped.
    const ULONGLONG nSlot = m_schedule.SlotAt(llNow);
    m_nNextSlot = nSlot + 1;

    // The time line starts with the first frame the writer can take: the sound's time line
    // starts there too, so frames timed from an earlier tick would put the picture behind
    // the sound by however long the rest of the recording took to start. Once started it
    // goes on: while a full file is switched for the next, its writer restarts and the
    // frame waits in Deliver instead of being lost.
    if (!m_bTimeLineStarted && !WriterIsWriting())
        return 1;
    // Time 0 is when this tick ran, not when its slot was due: a late first tick would
    // otherwise put every frame behind the sound by its lateness. (Up to just under half a
    // frame: a later start would make the next frame share the first one's slot.)
    if (!m_bTimeLineStarted) {
        m_llTimeLineStart = m_schedule.TimeLineStart(nSlot, llNow);
        m_bTimeLineStarted = true;
    }
    BYTE* pFrame = GetFrame(&m_bmih, FrameBits(), m_nStride, 0, 0);
    // A tick whose grab failed delivers nothing; the next tick tries again, for a while.
    const DWORD dwNow = static_cast<DWORD>(llNow / (CFrameSchedule::kUnitsPerSecond / 1000));
    if (!pFrame) {
        if (!m_bGrabFailing)
            m_dwGrabFailingSince = dwNow;
        m_bGrabFailing = true;
        return dwNow - m_dwGrabFailingSince < kGrabFailureLimitMs ? 1 : 0;
    }
    m_bGrabFailing = false;
    const DWORD dwTime = m_schedule.SlotTimeMs(nSlot, m_llTimeLineStart);
    return m_pTarget->Deliver(pFrame, m_bmih.biSizeImage, dwTime, 1000 / m_nFps, 0) ? 1 : 0;
}

bool CVideoSource::WriterIsWriting() const
{
    CMediaWriter* pWriter = m_pTarget ? m_pTarget->GetWriter() : nullptr;
    return pWriter && pWriter->IsWriting();
}

BYTE* CVideoSource::GetFrame(const BITMAPINFOHEADER* pFormat, BYTE* pBits, int nStride, int x, int y)
{
    if (!pFormat || !pBits)
        return FrameBits();
    const bool bSameSign = (pFormat->biHeight < 0) == (m_bmih.biHeight < 0);
    if (pFormat->biWidth == m_bmih.biWidth && bSameSign && abs(pFormat->biHeight) >= m_bmih.biHeight + y &&
        pFormat->biBitCount == m_bmih.biBitCount && nStride == m_nStride && x == 0)
        return pBits + static_cast<ptrdiff_t>(nStride) * y;

    const RECT whole = {0, 0, m_nWidth, m_nHeight};
    CopyRegion(pFormat, pBits, nStride, x, y, whole);
    return FrameBits();
}

void CVideoSource::CopyRegion(const BITMAPINFOHEADER* pFormat, const BYTE* pBits, int nStride, int x, int y,
                              const RECT& part)
{
    const int nSourceHeight = abs(pFormat->biHeight);
    const int nWidth = std::min<int>(abs(pFormat->biWidth) - x, m_nWidth);
    const int nRows = std::min<int>(nSourceHeight - y, m_nHeight);
    if (nWidth <= 0 || nRows <= 0 || m_frame.empty())
        return;
    const int nLeft = std::max<int>(part.left, 0);
    const int nTop = std::max<int>(part.top, 0);
    const int nRight = std::min<int>(part.right, nWidth);
    const int nBottom = std::min<int>(part.bottom, nRows);
    if (nLeft >= nRight || nTop >= nBottom)
        return;

    const BYTE* pSource = pBits + static_cast<ptrdiff_t>(x + nLeft) * pFormat->biBitCount / 8;
    int nSourceStep = nStride;
    if (pFormat->biHeight < 0) {
        pSource += static_cast<ptrdiff_t>(y + nTop) * nStride;
    } else {
        pSource += static_cast<ptrdiff_t>(nSourceHeight - y - nTop - 1) * nStride;
        nSourceStep = -nStride;
    }
    // The frame is bottom-up: the region's top row is the frame's row nRows - 1.
    BYTE* pDest = m_frame.data() + static_cast<ptrdiff_t>(nRows - 1 - nTop) * m_nStride + nLeft * 4;
    const int nDestStep = -m_nStride;
    const int nPixels = nRight - nLeft;
    const int nPartRows = nBottom - nTop;

    switch (pFormat->biBitCount) {
    case 16:
        Convert565To32(pDest, nDestStep, pSource, nSourceStep, nPixels, nPartRows);
        break;
    case 24:
        Convert24To32(pDest, nDestStep, pSource, nSourceStep, nPixels, nPartRows);
        break;
    default:
        CopyRows(pDest, nDestStep, pSource, nSourceStep, nPixels * m_bmih.biBitCount / 8, nPartRows);
        break;
    }
}
