#include "video/CScreenVideoSource.h"

#include <algorithm>
#include <cstdlib>

#include "pipeline/CStageTimer.h"
#include "video/CScreenGrabber.h"

BYTE* CScreenVideoSource::GetFrame(const BITMAPINFOHEADER*, BYTE*, int, int, int)
{
    if (!m_pGrabber)
        return nullptr;
    {
        CStageTimer timer(STAGE_GRAB);
        m_pGrabber->BlankOutsideScreen();
        if (!m_pGrabber->GrabChanges())
            return nullptr;
    }
    RECT rect;
    m_pGrabber->GetCaptureRect(rect);
    BYTE* pFrame = CopyChanges(rect);
    if (m_pointer.IsActive())
        DrawPointer(rect);
    return pFrame;
}

BYTE* CScreenVideoSource::CopyChanges(const RECT& rect)
{
    CStageTimer timer(STAGE_FRAME);
    const BITMAPINFOHEADER* pFormat = &m_pGrabber->GetBitmapInfo()->bmiHeader;
    BYTE* pBits = m_pGrabber->GetBits();
    const int nStride = m_pGrabber->GetStride();
    if (!m_bFrameCurrent || !EqualRect(&rect, &m_rcFrame)) {
        m_rcFrame = rect;
        if (!m_pointer.IsActive()) {
            BYTE* pFrame = CVideoSource::GetFrame(pFormat, pBits, nStride, rect.left, rect.top);
            m_bFrameCurrent = pFrame == FrameBits();
            return pFrame;
        }
        // The overlay draws into the frame, never into the grabber's copy of the desktop.
        const RECT whole = {0, 0, RegionWidth(), RegionHeight()};
        CopyRegion(pFormat, pBits, nStride, rect.left, rect.top, whole);
        m_bFrameCurrent = true;
        return FrameBits();
    }
    for (const RECT& changed : m_pGrabber->GetChangedRects()) {
        RECT part = changed;
        OffsetRect(&part, -rect.left, -rect.top);
        CopyRegion(pFormat, pBits, nStride, rect.left, rect.top, part);
    }
    // What the overlay drew last tick goes back to the screen's picture: the areas the
    // pointer leaves count as changed, like those it enters.
    for (const RECT& drawn : m_pointer.GetDrawnRects())
        CopyRegion(pFormat, pBits, nStride, rect.left, rect.top, drawn);
    return FrameBits();
}

void CScreenVideoSource::DrawPointer(const RECT& rect)
{
    const DWORD dwNow = GetTickCount();
    {
        CStageTimer timer(STAGE_POINTER_READ);
        m_pointer.Sample(dwNow);
    }
    CStageTimer timer(STAGE_POINTER_DRAW);
    // The rows CopyRegion fills: fewer than the region's where it reaches below the desktop copy.
    const BITMAPINFOHEADER& source = m_pGrabber->GetBitmapInfo()->bmiHeader;
    const int nRows = std::min<int>(abs(source.biHeight) - rect.top, RegionHeight());
    const int nWidth = std::min<int>(abs(source.biWidth) - rect.left, RegionWidth());
    if (nRows <= 0 || nWidth <= 0)
        return;
    BYTE* pTopRow = FrameBits() + static_cast<ptrdiff_t>(nRows - 1) * GetStride();
    m_pointer.Draw(pTopRow, -GetStride(), nWidth, nRows, POINT{rect.left, rect.top}, dwNow);
}

int CScreenVideoSource::OnThreadStart()
{
    m_bFrameCurrent = false;
    m_pointer.Reset();
    return CVideoSource::OnThreadStart();
}
