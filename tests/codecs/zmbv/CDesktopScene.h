#pragma once
#include <stdint.h>
#include <vector>

// A synthetic desktop for exercising screen codecs: a gradient background with icons, a text
// window that scrolls, a window moving across it, and a new theme (every pixel changes) at the
// start of each 90-frame period. Frames 60..89 of a period repeat the picture of frame 59.
class CDesktopScene
{
public:
    enum FrameKind {
        KindStill,   // same picture as the frame before
        KindPartial, // text scrolled, window moved
        KindFull     // every pixel changed
    };
    enum { Period = 90, ActiveFrames = 60 };

    // The text window scrolls by nScrollStep pixels per frame.
    CDesktopScene(int nWidth, int nHeight, int nScrollStep = 3);

    void Render(int nFrame);
    static FrameKind KindOf(int nFrame);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    const uint32_t* Pixels() const { return m_pixels.data(); } // top row first, 0x00RRGGBB
    // Writes the frame as a bottom-up 32-bit DIB (rows flipped).
    void CopyBottomUp(uint32_t* pDib) const;

private:
    void FillRect(int nX, int nY, int nW, int nH, uint32_t nColor);
    void FillGradient(int nX, int nY, int nW, int nH, uint32_t nTop, uint32_t nBottom);
    void DrawGlyph(int nX, int nY, unsigned nCode, uint32_t nColor, int nClipTop, int nClipBottom);
    void DrawTextLine(int nX, int nY, int nWidth, unsigned nSeed, uint32_t nColor, int nClipTop, int nClipBottom);
    void DrawWindow(int nX, int nY, int nW, int nH, unsigned nSeed, int nScroll, uint32_t nTitle);
    void Plot(int nX, int nY, uint32_t nColor);

    int m_nWidth;
    int m_nHeight;
    int m_nScrollStep;
    std::vector<uint32_t> m_pixels;
};
