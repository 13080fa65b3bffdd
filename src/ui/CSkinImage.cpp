#include "ui/CSkinImage.h"

#include "base/ScopedWin.h"
#include "framework/AfxCore.h"

#include <cstring>
#include <memory>

namespace {

const BYTE* GetRowBits(const BITMAP& bm, int y)
{
    // Bottom-up DIB sections: picture row y lies at bitmap row height - 1 - y.
    return static_cast<const BYTE*>(bm.bmBits) + static_cast<size_t>(bm.bmHeight - 1 - y) * bm.bmWidthBytes;
}

BOOL ClipToBitmap(const BITMAP& bm, const RECT& rect, RECT* pClipped)
{
    pClipped->left = rect.left < 0 ? 0 : rect.left;
    pClipped->top = rect.top < 0 ? 0 : rect.top;
    pClipped->right = rect.right > bm.bmWidth ? bm.bmWidth : rect.right;
    pClipped->bottom = rect.bottom > bm.bmHeight ? bm.bmHeight : rect.bottom;
    return pClipped->right > pClipped->left && pClipped->bottom > pClipped->top;
}

BOOL IsSameAsFace(const BITMAP& bmImage, const BITMAP& bmFace, const RECT& rect)
{
    if (bmImage.bmWidth != bmFace.bmWidth || bmImage.bmHeight != bmFace.bmHeight ||
        bmImage.bmBitsPixel != bmFace.bmBitsPixel || !bmImage.bmBits || !bmFace.bmBits)
        return FALSE;
    size_t nOffset = static_cast<size_t>(rect.left) * bmImage.bmBitsPixel / 8;
    size_t nBytes = static_cast<size_t>(rect.right - rect.left) * bmImage.bmBitsPixel / 8;
    for (int y = rect.top; y < rect.bottom; ++y) {
        if (memcmp(GetRowBits(bmImage, y) + nOffset, GetRowBits(bmFace, y) + nOffset, nBytes) != 0)
            return FALSE;
    }
    return TRUE;
}

} // namespace

CSkinImage* LoadSkinImage(UINT nID)
{
    if (nID == 0)
        return nullptr;
    std::unique_ptr<CSkinImage> pImage(new CSkinImage());
    if (!pImage->Load(AfxGetResourceHandle(), MAKEINTRESOURCEA(nID), "png") || !pImage->CreateBrush())
        return nullptr;
    return pImage.release();
}

CSkinImage* CropSkinImage(CSkinImage* pImage, CSkinImage* pFace, const RECT& rect)
{
    if (!pImage || !pImage->GetInfo().bmBits)
        return nullptr;
    const BITMAP& bm = pImage->GetInfo();
    RECT rc;
    if (!ClipToBitmap(bm, rect, &rc))
        return nullptr;
    if (pFace && IsSameAsFace(bm, pFace->GetInfo(), rc))
        return nullptr;
    int nWidth = rc.right - rc.left;
    int nHeight = rc.bottom - rc.top;
    void* pBits = nullptr;
    CScopedBitmap hBitmap(CDib::CreateSection(nWidth, nHeight, bm.bmBitsPixel, &pBits));
    if (!hBitmap)
        return nullptr;
    int nStride = CDib::GetStride(nWidth, bm.bmBitsPixel);
    size_t nOffset = static_cast<size_t>(rc.left) * bm.bmBitsPixel / 8;
    size_t nBytes = static_cast<size_t>(nWidth) * bm.bmBitsPixel / 8;
    BYTE* pDst = static_cast<BYTE*>(pBits);
    for (int y = 0; y < nHeight; ++y)
        memcpy(pDst + static_cast<size_t>(nHeight - 1 - y) * nStride, GetRowBits(bm, rc.top + y) + nOffset, nBytes);
    ::GdiFlush();
    std::unique_ptr<CSkinImage> pCrop(new CSkinImage());
    const BOOL bAttached = pCrop->Attach(hBitmap.Get());
    // Once the image holds the bitmap it is the image's to delete.
    if (pCrop->GetSafeHandle())
        hBitmap.Detach();
    if (!bAttached)
        return nullptr;
    if (!pCrop->CreateBrush())
        return nullptr;
    return pCrop.release();
}
