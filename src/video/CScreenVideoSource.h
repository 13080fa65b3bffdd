#pragma once

#include "video/CPointerOverlay.h"
#include "video/CVideoSource.h"

class CScreenGrabber;

// The video source of the main window: every frame is the capture rectangle of the grabber's
// desktop copy, brought up to date with the driver's changes first. The frame keeps the last
// picture, so after the first whole copy only what the grabber found changed is copied again,
// with what the pointer overlay drew the tick before. The screen never holds the pointer: the
// overlay draws it (and its highlight and click rings) into the frame on every tick.
class CScreenVideoSource : public CVideoSource
{
public:
    CScreenVideoSource() : m_pGrabber(nullptr) {}
    ~CScreenVideoSource() override { Stop(); }

    void SetGrabber(CScreenGrabber* pGrabber) { m_pGrabber = pGrabber; }
    // Before Start; nothing is drawn until the recording's set-up asks for it.
    void SetPointerOptions(bool bPointer, bool bHighlight, bool bClicks)
    {
        m_pointer.SetOptions(bPointer, bHighlight, bClicks);
    }

    BYTE* GetFrame(const BITMAPINFOHEADER* pFormat, BYTE* pBits, int nStride, int x, int y) override;

protected:
    int OnThreadStart() override;

private:
    BYTE* CopyChanges(const RECT& rect);
    void DrawPointer(const RECT& rect);

    CScreenGrabber* m_pGrabber;
    CPointerOverlay m_pointer;
    bool m_bFrameCurrent = false; // the frame holds the rectangle below as of the last grab
    RECT m_rcFrame = {};
};
