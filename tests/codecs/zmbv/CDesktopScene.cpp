#include "codecs/zmbv/CDesktopScene.h"

#include <string.h>

namespace {
const int kLineHeight = 14;
const int kGlyphWidth = 7;
const int kTitleHeight = 20;

unsigned Hash(unsigned n)
{
    n ^= n >> 16;
    n *= 0x7feb352dU;
    n ^= n >> 15;
    n *= 0x846ca68bU;
    n ^= n >> 16;
    return n;
}

uint32_t Mix(uint32_t a, uint32_t b, int nNum, int nDen)
{
    uint32_t nResult = 0;
    for (int nShift = 0; nShift <= 16; nShift += 8) {
        int ca = (int)((a >> nShift) & 0xFF);
        int cb = (int)((b >> nShift) & 0xFF);
        nResult |= (uint32_t)(ca + (cb - ca) * nNum / (nDen > 0 ? nDen : 1)) << nShift;
    }
    return nResult;
}

int Bounce(int nValue, int nRange)
{
    if (nRange <= 0)
        return 0;
    int n = nValue % (2 * nRange);
    return n < nRange ? n : 2 * nRange - n;
}
} // namespace

CDesktopScene::CDesktopScene(int nWidth, int nHeight, int nScrollStep)
    : m_nWidth(nWidth), m_nHeight(nHeight), m_nScrollStep(nScrollStep), m_pixels((size_t)nWidth * nHeight)
{
}

CDesktopScene::FrameKind CDesktopScene::KindOf(int nFrame)
{
    int nPhase = nFrame % Period;
    if (nPhase == 0)
        return KindFull;
    return nPhase < ActiveFrames ? KindPartial : KindStill;
}

void CDesktopScene::Render(int nFrame)
{
    int nTheme = nFrame / Period;
    int nPhase = nFrame % Period;
    int nTime = nTheme * ActiveFrames + (nPhase < ActiveFrames ? nPhase : ActiveFrames - 1);
    unsigned nThemeHash = Hash((unsigned)nTheme + 17);

    uint32_t nTop = nThemeHash & 0x7F7F7F;
    uint32_t nBottom = (nThemeHash >> 8) & 0xFFFFFF;
    FillGradient(0, 0, m_nWidth, m_nHeight, nTop, nBottom);
    // Desktop icons down the left edge.
    for (int i = 0; i * 70 + 10 < m_nHeight - 40; ++i) {
        FillRect(12, i * 70 + 10, 32, 32, Hash((unsigned)i) & 0xFFFFFF);
        DrawTextLine(4, i * 70 + 46, 56, (unsigned)i * 31 + 5, 0xFFFFFF, 0, m_nHeight);
    }

    int nTextX = m_nWidth / 16 + 60 + (int)(nThemeHash % 16);
    int nTextY = m_nHeight / 12;
    DrawWindow(nTextX, nTextY, m_nWidth / 2, m_nHeight * 5 / 6, nThemeHash, nTime * m_nScrollStep, 0x1F4E99);

    int nMoveW = m_nWidth * 9 / 32;
    int nMoveH = m_nHeight / 3;
    int nMoveX = Bounce(nTime * 5 + 200, m_nWidth - nMoveW);
    int nMoveY = Bounce(nTime * 3 + 40, m_nHeight - nMoveH);
    DrawWindow(nMoveX, nMoveY, nMoveW, nMoveH, 99, 0, 0x7A2E1F);
}

void CDesktopScene::CopyBottomUp(uint32_t* pDib) const
{
    for (int y = 0; y < m_nHeight; ++y) {
        memcpy(pDib + (size_t)(m_nHeight - 1 - y) * m_nWidth, m_pixels.data() + (size_t)y * m_nWidth,
               (size_t)m_nWidth * 4);
    }
}

void CDesktopScene::Plot(int nX, int nY, uint32_t nColor)
{
    if (nX >= 0 && nY >= 0 && nX < m_nWidth && nY < m_nHeight)
        m_pixels[(size_t)nY * m_nWidth + nX] = nColor;
}

void CDesktopScene::FillRect(int nX, int nY, int nW, int nH, uint32_t nColor)
{
    int x0 = nX < 0 ? 0 : nX;
    int y0 = nY < 0 ? 0 : nY;
    int x1 = nX + nW > m_nWidth ? m_nWidth : nX + nW;
    int y1 = nY + nH > m_nHeight ? m_nHeight : nY + nH;
    for (int y = y0; y < y1; ++y) {
        uint32_t* pRow = m_pixels.data() + (size_t)y * m_nWidth;
        for (int x = x0; x < x1; ++x)
            pRow[x] = nColor;
    }
}

void CDesktopScene::FillGradient(int nX, int nY, int nW, int nH, uint32_t nTop, uint32_t nBottom)
{
    for (int j = 0; j < nH; ++j)
        FillRect(nX, nY + j, nW, 1, Mix(nTop, nBottom, j, nH));
}

void CDesktopScene::DrawGlyph(int nX, int nY, unsigned nCode, uint32_t nColor, int nClipTop, int nClipBottom)
{
    unsigned nBits = Hash(nCode * 2654435761U);
    unsigned nMoreBits = Hash(nCode + 7);
    for (int j = 0; j < 9; ++j) {
        int y = nY + 2 + j;
        if (y < nClipTop || y >= nClipBottom)
            continue;
        unsigned nRow = j < 5 ? (nBits >> (j * 6)) : (nMoreBits >> ((j - 5) * 6));
        for (int i = 0; i < 5; ++i) {
            if (nRow & (1u << i))
                Plot(nX + i, y, nColor);
        }
    }
}

void CDesktopScene::DrawTextLine(int nX, int nY, int nWidth, unsigned nSeed, uint32_t nColor, int nClipTop,
                                 int nClipBottom)
{
    unsigned nState = Hash(nSeed);
    int x = nX;
    while (x + kGlyphWidth <= nX + nWidth) {
        nState = Hash(nState);
        int nWord = 2 + (int)(nState % 9);
        for (int i = 0; i < nWord && x + kGlyphWidth <= nX + nWidth; ++i, x += kGlyphWidth)
            DrawGlyph(x, nY, (nState >> 8) % 64 + (unsigned)i * 3, nColor, nClipTop, nClipBottom);
        x += kGlyphWidth;
    }
}

void CDesktopScene::DrawWindow(int nX, int nY, int nW, int nH, unsigned nSeed, int nScroll, uint32_t nTitle)
{
    FillRect(nX - 1, nY - 1, nW + 2, nH + 2, 0x404040);
    FillGradient(nX, nY, nW, kTitleHeight, nTitle, 0xA6CAF0);
    DrawTextLine(nX + 6, nY + 3, nW / 3, nSeed + 1, 0xFFFFFF, nY, nY + kTitleHeight);
    int nClientTop = nY + kTitleHeight;
    int nClientBottom = nY + nH;
    FillRect(nX, nClientTop, nW, nH - kTitleHeight, 0xFFFFFF);
    int nFirstLine = nScroll / kLineHeight;
    int nOffset = nScroll % kLineHeight;
    for (int k = 0; nClientTop + 4 + k * kLineHeight - nOffset < nClientBottom; ++k) {
        unsigned nLine = (unsigned)(nFirstLine + k);
        int nIndent = (int)(Hash(nLine + nSeed) % 4) * 14;
        DrawTextLine(nX + 8 + nIndent, nClientTop + 4 + k * kLineHeight - nOffset, nW - 16 - nIndent,
                     nLine * 7919 + nSeed, 0x000000, nClientTop, nClientBottom);
    }
}
