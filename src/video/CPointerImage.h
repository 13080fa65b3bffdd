#pragma once
// One pointer shape as it is blended into frames: the pixels the shape covers, each with its
// colour and opacity or as an inverting pixel, relative to the hotspot. Built once per shape
// by drawing it twice, on black and on white, so that masks, alpha and inverting pixels come
// out exactly as the system draws them.
#include <windows.h>

#include <vector>

class CPointerImage
{
public:
    // False when the system cannot draw the shape (a handle of another process, say).
    bool Build(HCURSOR hCursor);
    bool IsEmpty() const { return m_pixels.empty(); }
    // Blends the shape with its hotspot at (x, y) into 32-bit rows (top row first, nRowStep
    // bytes from one row to the next) of nWidth x nHeight pixels; returns the rectangle it
    // covers inside them (empty when none).
    RECT Draw(BYTE* pTopRow, int nRowStep, int nWidth, int nHeight, int x, int y) const;

private:
    struct Pixel
    {
        short x, y;        // from the hotspot
        BYTE colour[3];    // blue, green, red, already weighted by the opacity
        BYTE transparency; // 0 opaque .. 255 clear; kInvert: the pixel inverts what is below
    };
    static const BYTE kInvert = 1; // never a blended pixel's value: see Build

    std::vector<Pixel> m_pixels;
    RECT m_rcBounds = {}; // of the pixels, from the hotspot
};
