#pragma once

#include "video/CVideoSource.h"

class CScreenGrabber;

// The video source of the main window: every frame is the capture rectangle of the grabber's
// desktop copy, brought up to date with the driver's changes first.
class CScreenVideoSource : public CVideoSource
{
public:
    CScreenVideoSource() : m_pGrabber(nullptr) {}
    ~CScreenVideoSource() override { Stop(); }

    void SetGrabber(CScreenGrabber* pGrabber) { m_pGrabber = pGrabber; }

    BYTE* GetFrame(const BITMAPINFOHEADER* pFormat, BYTE* pBits, int nStride, int x, int y) override;

private:
    CScreenGrabber* m_pGrabber;
};
