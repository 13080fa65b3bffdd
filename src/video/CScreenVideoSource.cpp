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
    return CVideoSource::GetFrame(&m_pGrabber->GetBitmapInfo()->bmiHeader, m_pGrabber->GetBits(),
                                  m_pGrabber->GetStride(), rect.left, rect.top);
}
