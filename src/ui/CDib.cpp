#include "ui/CDib.h"

#include "base/DibStride.h"
#include "base/ScopedWin.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace {

const size_t kSignatureBytes = 4;

struct PngSource
{
    const BYTE* pData;
    size_t nSize;
    size_t nPos;
};

// Copies from the resource bytes; asking past their end is a libpng error, not a read
// beyond the resource.
void ReadFromMemory(png_structp pPng, png_bytep pOut, png_size_t nCount)
{
    PngSource* pSource = static_cast<PngSource*>(png_get_io_ptr(pPng));
    if (!pSource || nCount > pSource->nSize - pSource->nPos) {
        png_error(pPng, "truncated picture");
        return;
    }
    memcpy(pOut, pSource->pData + pSource->nPos, nCount);
    pSource->nPos += nCount;
}

// Error and warning handlers that stay silent; errors return through setjmp.
void OnPngError(png_structp pPng, png_const_charp)
{
    png_longjmp(pPng, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{
}

HBITMAP CopyRowsToSection(png_structp pPng, png_infop pInfo)
{
    if (png_get_bit_depth(pPng, pInfo) * png_get_channels(pPng, pInfo) != 24)
        return nullptr;
    int nWidth = static_cast<int>(png_get_image_width(pPng, pInfo));
    int nHeight = static_cast<int>(png_get_image_height(pPng, pInfo));
    png_bytepp ppRows = png_get_rows(pPng, pInfo);
    if (nWidth <= 0 || nHeight <= 0 || !ppRows)
        return nullptr;
    void* pBits = nullptr;
    HBITMAP hBitmap = CDib::CreateSection(nWidth, nHeight, 24, &pBits);
    if (!hBitmap)
        return nullptr;
    int nStride = CDib::GetStride(nWidth, 24);
    size_t nRowBytes = static_cast<size_t>(24 * nWidth) / 8;
    BYTE* pDst = static_cast<BYTE*>(pBits);
    for (int y = 0; y < nHeight; ++y)
        memcpy(pDst + static_cast<size_t>(nHeight - 1 - y) * nStride, ppRows[y], nRowBytes);
    return hBitmap;
}

} // namespace

CDib::CDib()
{
    memset(&m_bm, 0, sizeof(m_bm));
}

void CDib::Clear()
{
    m_palette.DeleteObject();
    memset(&m_bm, 0, sizeof(m_bm));
    DeleteObject();
}

BOOL CDib::Attach(HBITMAP hBitmap)
{
    if (!CGdiObject::Attach(hBitmap))
        return FALSE;
    if (!GetObject(sizeof(m_bm), &m_bm)) {
        memset(&m_bm, 0, sizeof(m_bm));
        return FALSE;
    }
    m_palette.DeleteObject();
    return BuildPalette();
}

BOOL CDib::Load(HINSTANCE hInstance, LPCSTR lpszName, LPCSTR lpszType)
{
    Clear();
    if (!lpszName)
        return FALSE;
    if (!lpszType) {
        HANDLE hImage = ::LoadImageA(hInstance, lpszName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_DEFAULTSIZE);
        return hImage && Attach(static_cast<HBITMAP>(hImage));
    }
    if (IS_INTRESOURCE(lpszType) || lstrcmpiA(lpszType, "png") != 0)
        return FALSE;
    HRSRC hResource = ::FindResourceA(hInstance, lpszName, lpszType);
    HGLOBAL hGlobal = hResource ? ::LoadResource(hInstance, hResource) : nullptr;
    const BYTE* pData = hGlobal ? static_cast<const BYTE*>(::LockResource(hGlobal)) : nullptr;
    DWORD nSize = hResource ? ::SizeofResource(hInstance, hResource) : 0;
    if (!pData || !nSize)
        return FALSE;
    HBITMAP hBitmap = DecodePng(pData, nSize);
    return hBitmap && Attach(hBitmap);
}

HBITMAP CDib::DecodePng(const BYTE* pData, size_t nSize)
{
    if (!pData || nSize < kSignatureBytes || png_sig_cmp(pData, 0, kSignatureBytes) != 0)
        return nullptr;
    png_structp pPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!pPng)
        return nullptr;
    png_infop pInfo = png_create_info_struct(pPng);
    if (!pInfo) {
        png_destroy_read_struct(&pPng, nullptr, nullptr);
        return nullptr;
    }
    PngSource source = {pData, nSize, kSignatureBytes};
    // volatile: read after longjmp.
    HBITMAP volatile hBitmap = nullptr;
    if (setjmp(png_jmpbuf(pPng)) == 0) {
        png_set_read_fn(pPng, &source, ReadFromMemory);
        png_set_sig_bytes(pPng, static_cast<int>(kSignatureBytes));
        png_read_png(pPng, pInfo, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_STRIP_ALPHA | PNG_TRANSFORM_BGR, nullptr);
        hBitmap = CopyRowsToSection(pPng, pInfo);
    } else if (hBitmap) {
        ::DeleteObject(hBitmap);
        hBitmap = nullptr;
    }
    png_destroy_read_struct(&pPng, &pInfo, nullptr);
    return hBitmap;
}

int CDib::GetStride(int nWidth, int nBitsPerPixel)
{
    return static_cast<int>(DibRowStride(nBitsPerPixel, nWidth));
}

HBITMAP CDib::CreateSection(int nWidth, int nHeight, int nBitsPerPixel, void** ppBits)
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = nWidth;
    bmi.bmiHeader.biHeight = nHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(nBitsPerPixel);
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biSizeImage = static_cast<DWORD>(nHeight * GetStride(nWidth, nBitsPerPixel));
    void* pBits = nullptr;
    CScopedBitmap hBitmap(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!hBitmap || !pBits)
        return nullptr;
    *ppBits = pBits;
    return hBitmap.Detach();
}

BOOL CDib::BuildPalette()
{
    RGBQUAD colors[256];
    UINT nColors = 0;
    CScopedWindowDC screen(nullptr);
    CScopedMemoryDC hMem(::CreateCompatibleDC(screen.Get()));
    if (hMem) {
        CScopedSelect select(hMem.Get(), m_hObject);
        nColors = ::GetDIBColorTable(hMem.Get(), 0, 256, colors);
    }
    BOOL bOk;
    if (nColors > 0) {
        std::vector<BYTE> buffer(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * nColors);
        LOGPALETTE* pLog = reinterpret_cast<LOGPALETTE*>(buffer.data());
        pLog->palVersion = 0x300;
        pLog->palNumEntries = static_cast<WORD>(nColors);
        for (UINT i = 0; i < nColors; ++i) {
            pLog->palPalEntry[i].peRed = colors[i].rgbRed;
            pLog->palPalEntry[i].peGreen = colors[i].rgbGreen;
            pLog->palPalEntry[i].peBlue = colors[i].rgbBlue;
            pLog->palPalEntry[i].peFlags = 0;
        }
        bOk = m_palette.CreatePalette(pLog);
    } else {
        bOk = m_palette.CreateHalftonePalette(screen.Get());
    }
    return bOk;
}
