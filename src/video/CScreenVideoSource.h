#pragma once

#include "video/CVideoSource.h"

class CScreenGrabber;

// The video source of the main window: every frame is the capture rectangle of the grabber's
// desktop copy, brought up to date with the driver's changes first. The frame keeps the last
// picture, so after the first whole copy only what the grabber found changed is copied again.
class CScreenVideoSource : public CVideoSource
{
public:
    CScreenVideoSource() : m_pGrabber(nullptr) {}
    ~CScreenVideoSource() override { Stop(); }

    void SetGrabber(CScreenGrabber* pGrabber) { m_pGrabber = pGrabber; }

    BYTE* GetFrame(const BITMAPINFOHEADER* pFormat, BYTE* pBits, int nStride, int x, int y) override;

protected:
    int OnThreadStart() override;

private:
    CScreenGrabber* m_pGrabber;
    bool m_bFrameCurrent = false;  // the frame holds the rectangle below as of the last grab
    RECT m_rcFrame = {};
};
