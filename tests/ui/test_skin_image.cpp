// PNG decoding into 24-bit bottom-up DIBs, loading from resources, cropping state pictures.
#include "framework/AfxCore.h"
#include "ui/CSkinImage.h"
#include "ui_test_ids.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::vector<BYTE> ResourceBytes(UINT nID)
{
    HMODULE hModule = GetModuleHandleA(nullptr);
    HRSRC hResource = FindResourceA(hModule, MAKEINTRESOURCEA(nID), "PNG");
    if (!hResource)
        return {};
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(hModule, hResource)));
    return std::vector<BYTE>(p, p + SizeofResource(hModule, hResource));
}

// Pixel (x, y) of the upright picture, as blue, green, red.
COLORREF PixelBgr(const CDib& dib, int x, int y)
{
    const BITMAP& bm = dib.GetInfo();
    const BYTE* p = static_cast<const BYTE*>(bm.bmBits) + (bm.bmHeight - 1 - y) * bm.bmWidthBytes + 3 * x;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

class SkinImageTest : public ::testing::Test
{
protected:
    void SetUp() override { AfxSetResourceHandle(GetModuleHandleA(nullptr)); }
};

TEST_F(SkinImageTest, TrueColourPngsBecomeUprightBgrDibs)
{
    for (UINT nID : {IDP_TEST_RGB24, IDP_TEST_RGBA32, IDP_TEST_RGB48}) {
        SCOPED_TRACE(nID);
        CDib dib;
        ASSERT_TRUE(dib.Load(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nID), "pNg"));
        const BITMAP& bm = dib.GetInfo();
        EXPECT_EQ(bm.bmWidth, 8);
        EXPECT_EQ(bm.bmHeight, 6);
        EXPECT_EQ(bm.bmBitsPixel, 24);
        EXPECT_EQ(bm.bmWidthBytes, 24);
        ASSERT_NE(bm.bmBits, nullptr);
        // Top-left is pure green; the gradient runs from red (top) to blue (bottom).
        EXPECT_EQ(PixelBgr(dib, 0, 0), 0x00FF00u);
        COLORREF top = PixelBgr(dib, 4, 0), bottom = PixelBgr(dib, 4, 5);
        EXPECT_GT((top >> 16) & 0xFF, 0xE0u);                  // red byte
        EXPECT_GT(bottom & 0xFF, 0xE0u);                       // blue byte
        EXPECT_NE(dib.GetPalette()->GetSafeHandle(), nullptr); // halftone palette
    }
}

TEST_F(SkinImageTest, PaletteAndGreyPngsAreRefused)
{
    for (UINT nID : {IDP_TEST_PALETTE, IDP_TEST_GREY}) {
        CDib dib;
        EXPECT_FALSE(dib.Load(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nID), "png")) << nID;
        EXPECT_EQ(dib.GetSafeHandle(), nullptr);
    }
}

TEST_F(SkinImageTest, TruncatedOrForeignDataGivesNoBitmap)
{
    std::vector<BYTE> png = ResourceBytes(IDP_TEST_RGB24);
    ASSERT_GT(png.size(), 40u);
    for (size_t nKeep : {size_t(3), size_t(4), size_t(8), size_t(33), png.size() / 2, png.size() - 12}) {
        // Copied into an exact-size buffer so that reading past its end would be caught.
        std::unique_ptr<BYTE[]> pCut(new BYTE[nKeep]);
        memcpy(pCut.get(), png.data(), nKeep);
        EXPECT_EQ(CDib::DecodePng(pCut.get(), nKeep), nullptr) << nKeep;
    }
    const BYTE bmp[] = {'B', 'M', 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(CDib::DecodePng(bmp, sizeof(bmp)), nullptr);
    EXPECT_EQ(CDib::DecodePng(nullptr, 0), nullptr);
    HBITMAP hWhole = CDib::DecodePng(png.data(), png.size());
    EXPECT_NE(hWhole, nullptr);
    DeleteObject(hWhole);
}

TEST_F(SkinImageTest, LoadRefusesMissingNamesResourcesAndOtherTypes)
{
    CDib dib;
    HINSTANCE hModule = GetModuleHandleA(nullptr);
    EXPECT_FALSE(dib.Load(hModule, nullptr, "png"));
    EXPECT_FALSE(dib.Load(hModule, MAKEINTRESOURCEA(999), "png"));
    EXPECT_FALSE(dib.Load(hModule, MAKEINTRESOURCEA(IDP_TEST_RGB24), "gif"));
    EXPECT_FALSE(dib.Load(hModule, MAKEINTRESOURCEA(IDP_TEST_RGB24), nullptr)); // no such bitmap
    ASSERT_TRUE(dib.Load(hModule, MAKEINTRESOURCEA(IDP_TEST_RGB24), "png"));
    dib.Clear();
    EXPECT_EQ(dib.GetSafeHandle(), nullptr);
    EXPECT_EQ(dib.GetWidth(), 0);
}

TEST_F(SkinImageTest, LoadSkinImageUsesResourceModuleAndMakesBrush)
{
    EXPECT_EQ(LoadSkinImage(0), nullptr);
    EXPECT_EQ(LoadSkinImage(IDP_TEST_PALETTE), nullptr);
    std::unique_ptr<CSkinImage> pImage(LoadSkinImage(IDP_TEST_RGBA32));
    ASSERT_NE(pImage, nullptr);
    EXPECT_NE(pImage->GetBrush()->GetSafeHandle(), nullptr);
    // Another module supplying resources: it has no such picture.
    AfxSetResourceHandle(GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(LoadSkinImage(IDP_TEST_RGBA32), nullptr);
}

TEST_F(SkinImageTest, CropEqualToFaceIsNotCreated)
{
    std::unique_ptr<CSkinImage> pFace(LoadSkinImage(IDP_TEST_RGB24));
    std::unique_ptr<CSkinImage> pSame(LoadSkinImage(IDP_TEST_RGB24));
    std::unique_ptr<CSkinImage> pOther(LoadSkinImage(IDP_TEST_RGB48));
    ASSERT_TRUE(pFace && pSame && pOther);
    RECT rc = {1, 2, 6, 5};
    EXPECT_EQ(CropSkinImage(pSame.get(), pFace.get(), rc), nullptr);

    // Change one pixel inside the rectangle: now the crop exists and holds that area.
    const BITMAP& bm = pSame->GetInfo();
    BYTE* pPixel = static_cast<BYTE*>(bm.bmBits) + (bm.bmHeight - 1 - 3) * bm.bmWidthBytes + 3 * 2;
    pPixel[0] ^= 0xFF;
    std::unique_ptr<CSkinImage> pCrop(CropSkinImage(pSame.get(), pFace.get(), rc));
    ASSERT_NE(pCrop, nullptr);
    EXPECT_EQ(pCrop->GetWidth(), 5);
    EXPECT_EQ(pCrop->GetHeight(), 3);
    EXPECT_NE(pCrop->GetBrush()->GetSafeHandle(), nullptr);
    EXPECT_EQ(PixelBgr(*pCrop, 1, 1), PixelBgr(*pSame, 2, 3));
    EXPECT_EQ(PixelBgr(*pCrop, 0, 0), PixelBgr(*pFace, 1, 2));
    EXPECT_EQ(CropSkinImage(nullptr, pFace.get(), rc), nullptr);
}

} // namespace
