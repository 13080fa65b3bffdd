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
                        BYTE* pShadow, int nSampledWidth, int nSampledHeight,
                        std::vector<RECT>& rects)
{
    rects.clear();
    m_open.clear();
    nSampledWidth = std::min(nSampledWidth, m_nWidth);
    nSampledHeight = std::min(nSampledHeight, m_nHeight);
    int nColumns = (m_nWidth + m_nTileWidth - 1) / m_nTileWidth;
    int nRows = (m_nHeight + m_nTileHeight - 1) / m_nTileHeight;
    for (int nRow = 0; nRow < nRows; ++nRow) {
        m_nextOpen.clear();
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
                AddRun(nRunLeft, nRunRight, rowTile.top, rowTile.bottom, rects);
                nRunLeft = -1;
            }
        }
        if (nRunLeft >= 0)
            AddRun(nRunLeft, nRunRight, rowTile.top, rowTile.bottom, rects);
        m_open.swap(m_nextOpen);
    }
    return static_cast<int>(rects.size());
}
