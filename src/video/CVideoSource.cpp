#include "video/CVideoSource.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

void CopyRows(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nBytes,
              int nRows)
{
    for (int i = 0; i < nRows; ++i, pDest += nDestStride, pSource += nSourceStride)
        memcpy(pDest, pSource, nBytes);
}

} // namespace

CVideoSource::CVideoSource()
    : m_bmih(), m_nWidth(0), m_nHeight(0), m_nFps(1), m_nDataRate(0), m_nStride(0),
      m_pFrame(nullptr), m_pTarget(nullptr), m_dwLastTick(0), m_dwStartTick(0),
      m_bTimeLineStarted(false)
{
    m_bmih.biSize = sizeof(BITMAPINFOHEADER);
    m_bmih.biPlanes = 1;
    m_bmih.biBitCount = 32;
    m_bmih.biCompression = BI_RGB;
    m_hTimer = CreateWaitableTimerA(nullptr, TRUE, nullptr);
}

CVideoSource::~CVideoSource()
{
    // Step uses the frame and the timer: the thread ends before they go.
    Stop();
    free(m_pFrame);
    if (m_hTimer)
        CloseHandle(m_hTimer);
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
    m_nStride = ((m_bmih.biBitCount * m_bmih.biWidth) / 8 + 3) & ~3;
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

LONGLONG CVideoSource::DueTimeFor(UINT nFps)
{
    LONGLONG nDue = -10000000LL / static_cast<LONGLONG>(nFps);
    if (static_cast<LONGLONG>(nFps) * nDue > -10000000LL)
        --nDue;
    return nDue;
}

DWORD CVideoSource::WaitFor(UINT nFps)
{
    DWORD dwInterval = 1000 / nFps;
    return nFps * dwInterval < 1000 ? dwInterval + 1 : dwInterval;
}

int CVideoSource::OnThreadStart()
{
    free(m_pFrame);
    m_pFrame = static_cast<BYTE*>(calloc(1, m_bmih.biSizeImage ? m_bmih.biSizeImage : 1));
    if (!m_pFrame)
        return 0;
    m_dwLastTick = m_dwStartTick = 0;
    m_bTimeLineStarted = false;
    m_bGrabFailing = false;
    return 1;
}

int CVideoSource::Step()
{
    const DWORD dwInterval = 1000 / m_nFps;
    WaitForSingleObject(m_hTimer, WaitFor(m_nFps));
    const DWORD dwNow = static_cast<DWORD>(PerfClock(1000));

    LARGE_INTEGER due;
    due.QuadPart = DueTimeFor(m_nFps);
    SetWaitableTimer(m_hTimer, &due, 0, nullptr, nullptr, FALSE);

    if (m_dwLastTick == 0)
        m_dwStartTick = dwNow;
    m_dwLastTick = dwNow;

    // The time line starts with the first frame the writer can take: the sound's time line
    // starts there too, so frames timed from an earlier tick would put the picture behind
    // the sound by however long the rest of the recording took to start.
    CMediaWriter* pWriter = m_pTarget ? m_pTarget->GetWriter() : nullptr;
    if (!pWriter || !pWriter->IsWriting())
        return 1;
    if (!m_bTimeLineStarted) {
        m_dwStartTick = dwNow;
        m_bTimeLineStarted = true;
    }
    BYTE* pFrame = GetFrame(&m_bmih, m_pFrame, m_nStride, 0, 0);
    // A tick whose grab failed delivers nothing; the next tick tries again, for a while.
    if (!pFrame) {
        if (!m_bGrabFailing)
            m_dwGrabFailingSince = dwNow;
        m_bGrabFailing = true;
        return dwNow - m_dwGrabFailingSince < kGrabFailureLimitMs ? 1 : 0;
    }
    m_bGrabFailing = false;
    return m_pTarget->Deliver(pFrame, m_bmih.biSizeImage, dwNow - m_dwStartTick, dwInterval, 0) ? 1 : 0;
}

BYTE* CVideoSource::GetFrame(const BITMAPINFOHEADER* pFormat, BYTE* pBits, int nStride, int x, int y)
{
    if (!pFormat || !pBits)
        return m_pFrame;
    const bool bSameSign = (pFormat->biHeight < 0) == (m_bmih.biHeight < 0);
    if (pFormat->biWidth == m_bmih.biWidth && bSameSign && abs(pFormat->biHeight) >= m_bmih.biHeight + y &&
        pFormat->biBitCount == m_bmih.biBitCount && nStride == m_nStride && x == 0)
        return pBits + static_cast<ptrdiff_t>(nStride) * y;

    const int nSourceHeight = abs(pFormat->biHeight);
    const int nWidth = std::min<int>(abs(pFormat->biWidth) - x, m_nWidth);
    const int nRows = std::min<int>(nSourceHeight - y, m_nHeight);
    if (nWidth <= 0 || nRows <= 0 || !m_pFrame)
        return m_pFrame;

    const BYTE* pSource = pBits + static_cast<ptrdiff_t>(x) * pFormat->biBitCount / 8;
    int nSourceStep = nStride;
    if (pFormat->biHeight < 0) {
        pSource += static_cast<ptrdiff_t>(y) * nStride;
    } else {
        pSource += static_cast<ptrdiff_t>(nSourceHeight - y - 1) * nStride;
        nSourceStep = -nStride;
    }
    // The frame is bottom-up: the region's top row is the frame's row nRows - 1.
    BYTE* pDest = m_pFrame + static_cast<ptrdiff_t>(nRows - 1) * m_nStride;
    const int nDestStep = -m_nStride;

    switch (pFormat->biBitCount) {
    case 16:
        Convert565To32(pDest, nDestStep, pSource, nSourceStep, nWidth, nRows);
        break;
    case 24:
        Convert24To32(pDest, nDestStep, pSource, nSourceStep, nWidth, nRows);
        break;
    default:
        CopyRows(pDest, nDestStep, pSource, nSourceStep, nWidth * m_bmih.biBitCount / 8, nRows);
        break;
    }
    return m_pFrame;
}
