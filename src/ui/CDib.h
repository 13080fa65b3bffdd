#pragma once
// A device-independent bitmap loaded from a "png" or bitmap resource, with a palette.
#include "framework/CBitmap.h"
#include "framework/CPalette.h"

#include <cstddef>

class CDib : public CBitmap
{
public:
    CDib();
    ~CDib() override = default;

    void Clear();
    BOOL Attach(HBITMAP hBitmap);
    // lpszType "png" (any case) decodes a PNG resource; null loads a bitmap resource.
    BOOL Load(HINSTANCE hInstance, LPCSTR lpszName, LPCSTR lpszType);
    // Decodes PNG bytes into a bottom-up 24-bit DIB section; null for anything else.
    static HBITMAP DecodePng(const BYTE* pData, size_t nSize);

    const BITMAP& GetInfo() const { return m_bm; }
    int GetWidth() const { return m_bm.bmWidth; }
    int GetHeight() const { return m_bm.bmHeight; }
    CPalette* GetPalette() { return &m_palette; }

    // Row stride of a bitmap of this width and depth, a multiple of 4 bytes.
    static int GetStride(int nWidth, int nBitsPerPixel);
    // A bottom-up DIB section; the bits pointer comes back through ppBits.
    static HBITMAP CreateSection(int nWidth, int nHeight, int nBitsPerPixel, void** ppBits);

private:
    BOOL BuildPalette();

    BITMAP m_bm;
    CPalette m_palette;
};
