#include "drivers/vidcap/CTileTracker.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {

// Equality of two byte ranges, 64 bytes a step (the C library's memcmp is far slower here
// on many short ranges).
bool BytesEqual(const BYTE* pA, const BYTE* pB, size_t nBytes)
{
    size_t i = 0;
    for (; i + 64 <= nBytes; i += 64) {
        __m128i d0 = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pA + i)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(pB + i)));
        __m128i d1 = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pA + i + 16)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(pB + i + 16)));
        __m128i d2 = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pA + i + 32)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(pB + i + 32)));
        __m128i d3 = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pA + i + 48)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(pB + i + 48)));
        __m128i any = _mm_or_si128(_mm_or_si128(d0, d1), _mm_or_si128(d2, d3));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF)
            return false;
    }
    for (; i + 16 <= nBytes; i += 16) {
        __m128i d = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pA + i)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(pB + i)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(d, _mm_setzero_si128())) != 0xFFFF)
            return false;
    }
    for (; i < nBytes; ++i) {
        if (pA[i] != pB[i])
            return false;
    }
    return true;
}

} // namespace

CTileTracker::CTileTracker()
    : m_nWidth(0), m_nHeight(0), m_nBytesPerPixel(4), m_nStride(0), m_nTileWidth(64), m_nTileHeight(16)
{
}

void CTileTracker::Configure(int nWidth, int nHeight, int nBytesPerPixel, int nStride, int nTileWidth, int nTileHeight)
{
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    m_nBytesPerPixel = nBytesPerPixel;
    m_nStride = nStride;
    m_nTileWidth = std::max(1, nTileWidth);
    m_nTileHeight = std::max(1, nTileHeight);
}

RECT CTileTracker::TileRect(int nColumn, int nRow, const RECT& area) const
{
    RECT tile;
    tile.left = std::max<LONG>(nColumn * m_nTileWidth, area.left);
    tile.top = std::max<LONG>(nRow * m_nTileHeight, area.top);
    tile.right = std::min<LONG>((nColumn + 1) * m_nTileWidth, area.right);
    tile.bottom = std::min<LONG>((nRow + 1) * m_nTileHeight, area.bottom);
    return tile;
}

bool CTileTracker::TileDiffers(const BYTE* pA, const BYTE* pB, const RECT& tile) const
{
    size_t nOffset = static_cast<size_t>(tile.top) * m_nStride + tile.left * m_nBytesPerPixel;
    size_t nBytes = static_cast<size_t>(tile.right - tile.left) * m_nBytesPerPixel;
    if (tile.left == 0 && tile.right == m_nWidth)
        return !BytesEqual(pA + nOffset, pB + nOffset, (tile.bottom - tile.top) * static_cast<size_t>(m_nStride));
    for (LONG y = tile.top; y < tile.bottom; ++y, nOffset += m_nStride) {
        if (!BytesEqual(pA + nOffset, pB + nOffset, nBytes))
            return true;
    }
    return false;
}

void CTileTracker::CopyRect(BYTE* pDest, const BYTE* pSource, const RECT& rect) const
{
    size_t nOffset = static_cast<size_t>(rect.top) * m_nStride + rect.left * m_nBytesPerPixel;
    size_t nBytes = static_cast<size_t>(rect.right - rect.left) * m_nBytesPerPixel;
    for (LONG y = rect.top; y < rect.bottom; ++y, nOffset += m_nStride)
        memcpy(pDest + nOffset, pSource + nOffset, nBytes);
}

void CTileTracker::CopyRun(BYTE* pDest, const BYTE* pSource, int nLeft, int nRight, const RECT& row) const
{
    RECT run = {nLeft, row.top, nRight, row.bottom};
    CopyRect(pDest, pSource, run);
}

void CTileTracker::AddRun(int nLeft, int nRight, int nTop, int nBottom, std::vector<RECT>& rects)
{
    // A run with the same horizontal extent directly below a rectangle that ends at the
    // previous tile row extends that rectangle downwards.
    for (size_t nIndex : m_open) {
        RECT& above = rects[nIndex];
        if (above.left == nLeft && above.right == nRight && above.bottom == nTop) {
            above.bottom = nBottom;
            m_nextOpen.push_back(nIndex);
            return;
        }
    }
    RECT run = {nLeft, nTop, nRight, nBottom};
    m_nextOpen.push_back(rects.size());
    rects.push_back(run);
}

int CTileTracker::Track(const BYTE* pSample, const BYTE* pPrevious, BYTE* pSurface, int nSampledWidth,
                        int nSampledHeight, std::vector<RECT>& rects)
{
    RECT area = {0, 0, nSampledWidth, nSampledHeight};
    return Track(pSample, pPrevious, pSurface, area, rects);
}

int CTileTracker::Track(const BYTE* pSample, const BYTE* pPrevious, BYTE* pSurface, const RECT& area,
                        std::vector<RECT>& rects)
{
    rects.clear();
    m_open.clear();
    RECT inside = {std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0), std::min<LONG>(area.right, m_nWidth),
                   std::min<LONG>(area.bottom, m_nHeight)};
    if (inside.left >= inside.right || inside.top >= inside.bottom)
        return 0;
    int nFirstColumn = inside.left / m_nTileWidth;
    int nEndColumn = (inside.right + m_nTileWidth - 1) / m_nTileWidth;
    int nFirstRow = inside.top / m_nTileHeight;
    int nEndRow = (inside.bottom + m_nTileHeight - 1) / m_nTileHeight;
    for (int nRow = nFirstRow; nRow < nEndRow; ++nRow) {
        m_nextOpen.clear();
        // A still tile row is recognised in one long comparison when rows are whole.
        RECT row = TileRect(0, nRow, inside);
        row.left = inside.left;
        row.right = inside.right;
        if (!TileDiffers(pSample, pPrevious, row)) {
            m_open.clear();
            continue;
        }
        // Changed tiles side by side are copied as one run: a row of memory at a time rather
        // than a tile's width, which matters when everything changed.
        int nRunLeft = -1;
        int nRunRight = 0;
        for (int nColumn = nFirstColumn; nColumn < nEndColumn; ++nColumn) {
            RECT tile = TileRect(nColumn, nRow, inside);
            if (TileDiffers(pSample, pPrevious, tile)) {
                if (nRunLeft < 0)
                    nRunLeft = tile.left;
                nRunRight = tile.right;
            } else if (nRunLeft >= 0) {
                CopyRun(pSurface, pSample, nRunLeft, nRunRight, row);
                AddRun(nRunLeft, nRunRight, row.top, row.bottom, rects);
                nRunLeft = -1;
            }
        }
        if (nRunLeft >= 0) {
            CopyRun(pSurface, pSample, nRunLeft, nRunRight, row);
            AddRun(nRunLeft, nRunRight, row.top, row.bottom, rects);
        }
        m_open.swap(m_nextOpen);
    }
    return static_cast<int>(rects.size());
}
