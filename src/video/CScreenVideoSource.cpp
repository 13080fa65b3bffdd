#include "video/CScreenVideoSource.h"

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
    CStageTimer timer(STAGE_FRAME);
    const BITMAPINFOHEADER* pFormat = &m_pGrabber->GetBitmapInfo()->bmiHeader;
    if (!m_bFrameCurrent || !EqualRect(&rect, &m_rcFrame)) {
        BYTE* pFrame = CVideoSource::GetFrame(pFormat, m_pGrabber->GetBits(), m_pGrabber->GetStride(), rect.left,
                                              rect.top);
        m_bFrameCurrent = pFrame == FrameBits();
        m_rcFrame = rect;
        return pFrame;
    }
    for (const RECT& changed : m_pGrabber->GetChangedRects()) {
        RECT part = changed;
        OffsetRect(&part, -rect.left, -rect.top);
        CopyRegion(pFormat, m_pGrabber->GetBits(), m_pGrabber->GetStride(), rect.left, rect.top, part);
    }
    return FrameBits();
}

int CScreenVideoSource::OnThreadStart()
{
    m_bFrameCurrent = false;
    return CVideoSource::OnThreadStart();
}
