#pragma once
// Finds what changed on the desktop between two samples, tile by tile, and copies the
// changed tiles into the driver's surface. Changed tiles come out merged: runs along a tile
// row, and equal runs of adjacent rows joined into one rectangle.
#include <windows.h>

#include <vector>

class CTileTracker
{
public:
    CTileTracker();

    // All three buffers share one layout: nWidth x nHeight pixels, top-down rows of nStride.
    void Configure(int nWidth, int nHeight, int nBytesPerPixel, int nStride, int nTileWidth, int nTileHeight);

    // pSample and pPrevious: the new and the previous desktop sample, valid over
    // nSampledWidth x nSampledHeight. Fills rects with the changed tiles; returns their count.
    int Track(const BYTE* pSample, const BYTE* pPrevious, BYTE* pSurface, int nSampledWidth, int nSampledHeight,
              std::vector<RECT>& rects);
    // The same over the part of the buffers inside area; tiles stay on the grid from (0, 0).
    int Track(const BYTE* pSample, const BYTE* pPrevious, BYTE* pSurface, const RECT& area, std::vector<RECT>& rects);
    void CopyRect(BYTE* pDest, const BYTE* pSource, const RECT& rect) const;

    int GetTileWidth() const { return m_nTileWidth; }
    int GetTileHeight() const { return m_nTileHeight; }

private:
    bool TileDiffers(const BYTE* pA, const BYTE* pB, const RECT& tile) const;
    void CopyRun(BYTE* pDest, const BYTE* pSource, int nLeft, int nRight, const RECT& row) const;
    RECT TileRect(int nColumn, int nRow, const RECT& area) const;
    void AddRun(int nLeft, int nRight, int nTop, int nBottom, std::vector<RECT>& rects);

    int m_nWidth;
    int m_nHeight;
    int m_nBytesPerPixel;
    int m_nStride;
    int m_nTileWidth;
    int m_nTileHeight;
    // Rectangles that end at the previous tile row, and those ending at the current one.
    std::vector<size_t> m_open;
    std::vector<size_t> m_nextOpen;
};
