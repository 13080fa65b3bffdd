#include "video/CScreenVideoSource.h"

#include "video/CScreenGrabber.h"

BYTE* CScreenVideoSource::GetFrame(const BITMAPINFOHEADER*, BYTE*, int, int, int)
{
    if (!m_pGrabber)
        return nullptr;
    m_pGrabber->BlankOutsideScreen();
    if (!m_pGrabber->GrabChanges())
        return nullptr;
    RECT rect;
    m_pGrabber->GetCaptureRect(rect);
    return CVideoSource::GetFrame(&m_pGrabber->GetBitmapInfo()->bmiHeader, m_pGrabber->GetBits(),
                                  m_pGrabber->GetStride(), rect.left, rect.top);
}
