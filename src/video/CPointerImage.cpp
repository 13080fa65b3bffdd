#include "video/CPointerImage.h"

#include <algorithm>
#include <cstring>

#include "base/ScopedWin.h"

namespace {

// A 32-bit top-down DIB section selected into a memory DC, filled with one grey.
class CCanvas
{
public:
    CCanvas(int nWidth, int nHeight, BYTE nGrey) : m_nSize(nWidth * nHeight)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = nWidth;
        bmi.bmiHeader.biHeight = -nHeight;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        HDC hDC = CreateCompatibleDC(nullptr);
        HBITMAP hBitmap = CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pBits), nullptr, 0);
        m_dc.Reset(hDC, hBitmap);
        if (m_dc)
            memset(m_pBits, nGrey, static_cast<size_t>(m_nSize) * 4);
    }
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    bool Draw(HCURSOR hCursor, int nWidth, int nHeight)
    {
        if (!m_dc || !DrawIconEx(m_dc.Get(), 0, 0, hCursor, nWidth, nHeight, 0, nullptr, DI_NORMAL))
            return false;
        GdiFlush();
        return true;
    }
    const BYTE* Bits() const { return m_pBits; }

private:
    int m_nSize;
    CScopedBitmapDC m_dc;
    BYTE* m_pBits = nullptr;
};

// The shape's size and hotspot; the mask of a monochrome shape holds its AND and XOR halves.
bool ReadShape(HCURSOR hCursor, SIZE& size, POINT& hotspot)
{
    CScopedIconInfo iconInfo(hCursor);
    if (!iconInfo.IsValid())
        return false;
    const ICONINFO& info = iconInfo.Get();
    BITMAP bm = {};
    const bool bRead = info.hbmMask && GetObjectA(info.hbmMask, sizeof(bm), &bm);
    if (!info.hbmColor)
        bm.bmHeight /= 2;
    size.cx = bm.bmWidth;
    size.cy = bm.bmHeight;
    hotspot.x = static_cast<LONG>(info.xHotspot);
    hotspot.y = static_cast<LONG>(info.yHotspot);
    return bRead && size.cx > 0 && size.cy > 0;
}

} // namespace

bool CPointerImage::Build(HCURSOR hCursor)
{
    m_pixels.clear();
    m_rcBounds = RECT{};
    SIZE size;
    POINT hotspot;
    if (!hCursor || !ReadShape(hCursor, size, hotspot))
        return false;
    CCanvas onBlack(size.cx, size.cy, 0), onWhite(size.cx, size.cy, 255);
    if (!onBlack.Draw(hCursor, size.cx, size.cy) || !onWhite.Draw(hCursor, size.cx, size.cy))
        return false;

    // Over black a pixel shows its colour weighted by its opacity; over white that plus its
    // transparency. A pixel that turns black into white and white into black inverts.
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            const BYTE* b = onBlack.Bits() + (y * size.cx + x) * 4;
            const BYTE* w = onWhite.Bits() + (y * size.cx + x) * 4;
            Pixel pixel = {static_cast<short>(x - hotspot.x), static_cast<short>(y - hotspot.y), {b[0], b[1], b[2]}, 0};
            int nClear = 0;
            for (int c = 0; c < 3; ++c)
                nClear += w[c] - b[c];
            nClear /= 3;
            if (nClear >= 255)
                continue; // clear
            if (nClear < 0)
                pixel.transparency = kInvert;
            else // a nearly opaque pixel is drawn opaque: kInvert marks the inverting ones
                pixel.transparency = static_cast<BYTE>(nClear == kInvert ? 0 : nClear);
            m_pixels.push_back(pixel);
        }
    }
    if (m_pixels.empty())
        return false;
    m_rcBounds = {m_pixels.front().x, m_pixels.front().y, m_pixels.front().x + 1, m_pixels.front().y + 1};
    for (const Pixel& p : m_pixels) {
        m_rcBounds.left = std::min<LONG>(m_rcBounds.left, p.x);
        m_rcBounds.top = std::min<LONG>(m_rcBounds.top, p.y);
        m_rcBounds.right = std::max<LONG>(m_rcBounds.right, p.x + 1);
        m_rcBounds.bottom = std::max<LONG>(m_rcBounds.bottom, p.y + 1);
    }
    return true;
}

RECT CPointerImage::Draw(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, int x, int y) const
{
    RECT rcShape = m_rcBounds;
    OffsetRect(&rcShape, x, y);
    const RECT rcFrame = {0, 0, nWidth, nHeight};
    RECT rcDrawn;
    if (!IntersectRect(&rcDrawn, &rcShape, &rcFrame))
        return RECT{};
    for (const Pixel& p : m_pixels) {
        const int px = x + p.x, py = y + p.y;
        if (px < 0 || py < 0 || px >= nWidth || py >= nHeight)
            continue;
        BYTE* pDest = pTopRow + static_cast<ptrdiff_t>(py) * nRowStep + px * 4;
        if (p.transparency == kInvert) {
            for (int c = 0; c < 3; ++c)
                pDest[c] = static_cast<BYTE>(255 - pDest[c]);
            continue;
        }
        for (int c = 0; c < 3; ++c)
            pDest[c] = static_cast<BYTE>(std::min(255, p.colour[c] + (pDest[c] * p.transparency + 127) / 255));
    }
    return rcDrawn;
}
