// The dependencies of the build work inside a Windows program: libpng decodes from memory,
// lame_enc.dll beside the program exports the encoder interface and encodes.
#include <gtest/gtest.h>
#include <windows.h>
#include <png.h>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct MemoryReader {
    const unsigned char* pData;
    size_t nSize;
    size_t nOffset;
};

void ReadFromMemory(png_structp pPng, png_bytep pOut, png_size_t nCount)
{
    MemoryReader* pReader = static_cast<MemoryReader*>(png_get_io_ptr(pPng));
    if (pReader->nOffset + nCount > pReader->nSize)
        png_error(pPng, "read past end");
    memcpy(pOut, pReader->pData + pReader->nOffset, nCount);
    pReader->nOffset += nCount;
}

void WriteToVector(png_structp pPng, png_bytep pData, png_size_t nCount)
{
    auto* pOut = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(pPng));
    pOut->insert(pOut->end(), pData, pData + nCount);
}

void FlushNothing(png_structp) {}

// A 3x2 RGB picture: red, green, blue / white, black, grey.
std::vector<unsigned char> MakePng()
{
    static const unsigned char rows[2][9] = {{255, 0, 0, 0, 255, 0, 0, 0, 255},
                                             {255, 255, 255, 0, 0, 0, 128, 128, 128}};
    std::vector<unsigned char> out;
    png_structp pPng = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pInfo = png_create_info_struct(pPng);
    if (setjmp(png_jmpbuf(pPng))) {
        png_destroy_write_struct(&pPng, &pInfo);
        return {};
    }
    png_set_write_fn(pPng, &out, WriteToVector, FlushNothing);
    png_set_IHDR(pPng, pInfo, 3, 2, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(pPng, pInfo);
    for (auto& row : rows)
        png_write_row(pPng, const_cast<png_bytep>(row));
    png_write_end(pPng, pInfo);
    png_destroy_write_struct(&pPng, &pInfo);
    return out;
}

TEST(Foundation, LibpngDecodesFromMemoryIntoBgr)
{
    std::vector<unsigned char> png = MakePng();
    ASSERT_GT(png.size(), 8u);
    ASSERT_EQ(0, png_sig_cmp(png.data(), 0, 8));

    MemoryReader reader = {png.data(), png.size(), 0};
    png_structp pPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pInfo = png_create_info_struct(pPng);
    ASSERT_EQ(0, setjmp(png_jmpbuf(pPng)));
    png_set_read_fn(pPng, &reader, ReadFromMemory);
    png_read_png(pPng, pInfo, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_STRIP_ALPHA | PNG_TRANSFORM_BGR,
                 nullptr);
    ASSERT_EQ(3u, png_get_image_width(pPng, pInfo));
    ASSERT_EQ(2u, png_get_image_height(pPng, pInfo));
    ASSERT_EQ(3, png_get_channels(pPng, pInfo));
    png_bytepp ppRows = png_get_rows(pPng, pInfo);
    const unsigned char bgr0[9] = {0, 0, 255, 0, 255, 0, 255, 0, 0};
    const unsigned char bgr1[9] = {255, 255, 255, 0, 0, 0, 128, 128, 128};
    EXPECT_EQ(0, memcmp(ppRows[0], bgr0, 9));
    EXPECT_EQ(0, memcmp(ppRows[1], bgr1, 9));
    png_destroy_read_struct(&pPng, &pInfo, nullptr);
}

TEST(Foundation, LameEncLoadsFromBesideTheProgram)
{
    HMODULE hLame = LoadLibraryA("..\\lame_enc.dll");
    ASSERT_NE(nullptr, hLame);
    for (const char* pszName : {"beInitStream", "beEncodeChunk", "beDeinitStream", "beCloseStream",
                                "beVersion", "beWriteVBRHeader", "beWriteInfoTag"})
        EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(hLame, pszName))) << pszName;
    FreeLibrary(hLame);
}

} // namespace
