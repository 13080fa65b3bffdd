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

}  // namespace

CTileTracker::CTileTracker()
    : m_nWidth(0), m_nHeight(0), m_nBytesPerPixel(4), m_nStride(0), m_nTileWidth(64),
      m_nTileHeight(16)
{
}

void CTileTracker::Configure(int nWidth, int nHeight, int nBytesPerPixel, int nStride,
                             int nTileWidth, int nTileHeight)
{
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    m_nBytesPerPixel = nBytesPerPixel;
    m_nStride = nStride;
    m_nTileWidth = std::max(1, nTileWidth);
    m_nTileHeight = std::max(1, nTileHeight);
}

RECT CTileTracker::TileRect(int nColumn, int nRow, int nRight, int nBottom) const
{
    RECT tile;
    tile.left = nColumn * m_nTileWidth;
    tile.top = nRow * m_nTileHeight;
    tile.right = std::min<LONG>(tile.left + m_nTileWidth, nRight);
    tile.bottom = std::min<LONG>(tile.top + m_nTileHeight, nBottom);
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

void CTileTracker::CopyTile(BYTE* pDest, const BYTE* pSource, const RECT& tile) const
{
    size_t nOffset = static_cast<size_t>(tile.top) * m_nStride + tile.left * m_nBytesPerPixel;
    size_t nBytes = static_cast<size_t>(tile.right - tile.left) * m_nBytesPerPixel;
    for (LONG y = tile.top; y < tile.bottom; ++y, nOffset += m_nStride)
        memcpy(pDest + nOffset, pSource + nOffset, nBytes);
}

void CTileTracker::CopyRun(BYTE* pDest, const BYTE* pSource, int nLeft, int nRight, const RECT& row) const
{
    RECT run = {nLeft, row.top, nRight, row.bottom};
    CopyTile(pDest, pSource, run);
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

int CTileTracker::Track(const BYTE* pSample, const BYTE* pPrevious, BYTE* pSurface,
                        int nSampledWidth, int nSampledHeight, std::vector<RECT>& rects)
{
    rects.clear();
    m_open.clear();
    nSampledWidth = std::min(nSampledWidth, m_nWidth);
    nSampledHeight = std::min(nSampledHeight, m_nHeight);
    if (nSampledWidth <= 0 || nSampledHeight <= 0)
        return 0;
    int nColumns = (nSampledWidth + m_nTileWidth - 1) / m_nTileWidth;
    int nRows = (nSampledHeight + m_nTileHeight - 1) / m_nTileHeight;
    for (int nRow = 0; nRow < nRows; ++nRow) {
        m_nextOpen.clear();
        // A still tile row is recognised in one long comparison when rows are whole.
        RECT row = TileRect(0, nRow, nSampledWidth, nSampledHeight);
        row.left = 0;
        row.right = nSampledWidth;
        if (!TileDiffers(pSample, pPrevious, row)) {
            m_open.clear();
            continue;
        }
        // Changed tiles side by side are copied as one run: a row of memory at a time rather
        // than a tile's width, which matters when everything changed.
        int nRunLeft = -1;
        int nRunRight = 0;
        for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
            RECT tile = TileRect(nColumn, nRow, nSampledWidth, nSampledHeight);
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
