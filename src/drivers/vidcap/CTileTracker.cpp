#include "drivers/vidcap/CTileTracker.h"

#include <algorithm>
#include <cstring>

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
    for (LONG y = tile.top; y < tile.bottom; ++y, nOffset += m_nStride) {
        if (memcmp(pA + nOffset, pB + nOffset, nBytes) != 0)
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

void CTileTracker::AddRun(int nLeft, int nRight, int nTop, int nBottom, std::vector<RECT>& rects,
                          size_t nPreviousRowStart, size_t nRowStart) const
{
    // A run with the same horizontal extent directly below a run of the previous tile row
    // extends that rectangle downwards.
    for (size_t i = nPreviousRowStart; i < nRowStart; ++i) {
        RECT& above = rects[i];
        if (above.left == nLeft && above.right == nRight && above.bottom == nTop) {
            above.bottom = nBottom;
            return;
        }
    }
    RECT run = {nLeft, nTop, nRight, nBottom};
    rects.push_back(run);
}

int CTileTracker::Track(const BYTE* pSample, const BYTE* pPrevious, BYTE* pSurface,
                        BYTE* pShadow, int nSampledWidth, int nSampledHeight,
                        std::vector<RECT>& rects)
{
    rects.clear();
    nSampledWidth = std::min(nSampledWidth, m_nWidth);
    nSampledHeight = std::min(nSampledHeight, m_nHeight);
    int nColumns = (m_nWidth + m_nTileWidth - 1) / m_nTileWidth;
    int nRows = (m_nHeight + m_nTileHeight - 1) / m_nTileHeight;
    // Rectangles extended in the previous tile row lie from here on (they may have been
    // extended from further up, so their bottom is what counts).
    size_t nPreviousRowStart = 0;
    for (int nRow = 0; nRow < nRows; ++nRow) {
        size_t nRowStart = rects.size();
        int nRunLeft = -1;
        int nRunRight = 0;
        RECT rowTile = TileRect(0, nRow, m_nWidth, m_nHeight);
        for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
            RECT tile = TileRect(nColumn, nRow, m_nWidth, m_nHeight);
            RECT sampled = TileRect(nColumn, nRow, nSampledWidth, nSampledHeight);
            bool bChanged = false;
            if (sampled.left < sampled.right && sampled.top < sampled.bottom &&
                TileDiffers(pSample, pPrevious, sampled)) {
                CopyTile(pSurface, pSample, sampled);
                CopyTile(pShadow, pSample, sampled);
                bChanged = true;
            }
            if (TileDiffers(pSurface, pShadow, tile)) {
                CopyTile(pShadow, pSurface, tile);
                bChanged = true;
            }
            if (bChanged) {
                if (nRunLeft < 0)
                    nRunLeft = tile.left;
                nRunRight = tile.right;
            } else if (nRunLeft >= 0) {
                AddRun(nRunLeft, nRunRight, rowTile.top, rowTile.bottom, rects, nPreviousRowStart,
                       nRowStart);
                nRunLeft = -1;
            }
        }
        if (nRunLeft >= 0)
            AddRun(nRunLeft, nRunRight, rowTile.top, rowTile.bottom, rects, nPreviousRowStart,
                   nRowStart);
        // Runs merged into older rectangles keep those in the window of candidates.
        size_t nNextStart = rects.size();
        for (size_t i = nPreviousRowStart; i < nRowStart; ++i) {
            if (rects[i].bottom == rowTile.bottom) {
                nNextStart = std::min(nNextStart, i);
                break;
            }
        }
        nPreviousRowStart = std::min(nNextStart, nRowStart);
    }
    return static_cast<int>(rects.size());
}
