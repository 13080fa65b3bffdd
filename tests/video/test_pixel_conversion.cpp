// The SSE2 conversions give the same bytes as the plain definitions, and the definitions
// give the expected values at the edges.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "video/PixelConversion.h"

namespace {

// A source buffer whose last byte is the last readable byte before an inaccessible page,
// so that any read past the pixels faults.
class CGuardedBuffer
{
public:
    explicit CGuardedBuffer(size_t nBytes)
    {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        size_t nPage = info.dwPageSize;
        m_nPages = (nBytes + nPage - 1) / nPage + 1;
        m_pBase = static_cast<BYTE*>(VirtualAlloc(nullptr, m_nPages * nPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD dwOld;
        VirtualProtect(m_pBase + (m_nPages - 1) * nPage, nPage, PAGE_NOACCESS, &dwOld);
        m_pData = m_pBase + (m_nPages - 1) * nPage - nBytes;
    }
    ~CGuardedBuffer() { VirtualFree(m_pBase, 0, MEM_RELEASE); }
    CGuardedBuffer(const CGuardedBuffer&) = delete;
    CGuardedBuffer& operator=(const CGuardedBuffer&) = delete;
    BYTE* Data() { return m_pData; }

private:
    BYTE* m_pBase;
    BYTE* m_pData;
    size_t m_nPages;
};

struct Conversion
{
    const char* pszName;
    int nSourceBytes;
    RowConverter pfnFast;
    RowConverter pfnPlain;
};

const Conversion CONVERSIONS[] = {{"555", 2, Convert555To32, Convert555To32Plain},
                                  {"565", 2, Convert565To32, Convert565To32Plain},
                                  {"24", 3, Convert24To32, Convert24To32Plain}};

DWORD Convert1(RowConverter pfn, const BYTE* pSource)
{
    DWORD value = 0xCCCCCCCC;
    pfn(reinterpret_cast<BYTE*>(&value), 4, pSource, 4, 1, 1);
    return value;
}

DWORD Convert16(RowConverter pfn, WORD pixel)
{
    return Convert1(pfn, reinterpret_cast<BYTE*>(&pixel));
}

TEST(PixelConversion, PlainDefinitionsAtTheEdges)
{
    EXPECT_EQ(0x00FFFFFFu, Convert16(Convert555To32Plain, 0x7FFF));
    EXPECT_EQ(0x00FFFFFFu, Convert16(Convert555To32Plain, 0xFFFF)); // top bit ignored
    EXPECT_EQ(0x00FFFFFFu, Convert16(Convert565To32Plain, 0xFFFF));
    EXPECT_EQ(0u, Convert16(Convert555To32Plain, 0));
    EXPECT_EQ(0u, Convert16(Convert565To32Plain, 0));
    EXPECT_EQ(0x00FF0000u, Convert16(Convert555To32Plain, 0x7C00));
    EXPECT_EQ(0x0000FF00u, Convert16(Convert555To32Plain, 0x03E0));
    EXPECT_EQ(0x000000FFu, Convert16(Convert555To32Plain, 0x001F));
    EXPECT_EQ(0x00FF0000u, Convert16(Convert565To32Plain, 0xF800));
    EXPECT_EQ(0x0000FF00u, Convert16(Convert565To32Plain, 0x07E0));
    EXPECT_EQ(0x000000FFu, Convert16(Convert565To32Plain, 0x001F));
    // 5 bits 10000 -> 10000100; 6 bits 100000 -> 10000010.
    EXPECT_EQ(0x00848284u, Convert16(Convert565To32Plain, (16 << 11) | (32 << 5) | 16));
    EXPECT_EQ(0x00848484u, Convert16(Convert555To32Plain, (16 << 10) | (16 << 5) | 16));
    const BYTE white24[4] = {0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_EQ(0x00FFFFFFu, Convert1(Convert24To32Plain, white24) & 0x00FFFFFF);
    const BYTE bgr[4] = {0x12, 0x34, 0x56, 0x00};
    EXPECT_EQ(0x563412u, Convert1(Convert24To32Plain, bgr) & 0x00FFFFFF);
}

TEST(PixelConversion, FastVersionsMatchThePlainOnesForAllSixteenBitValues)
{
    std::vector<WORD> source(65536);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<WORD>(i);
    std::vector<DWORD> fast(65536), plain(65536);
    for (int n = 0; n < 2; ++n) {
        const Conversion& c = CONVERSIONS[n];
        c.pfnFast(reinterpret_cast<BYTE*>(fast.data()), 65536 * 4, reinterpret_cast<BYTE*>(source.data()), 65536 * 2,
                  65536, 1);
        c.pfnPlain(reinterpret_cast<BYTE*>(plain.data()), 65536 * 4, reinterpret_cast<BYTE*>(source.data()), 65536 * 2,
                   65536, 1);
        EXPECT_EQ(0, memcmp(fast.data(), plain.data(), fast.size() * 4)) << c.pszName;
    }
}

TEST(PixelConversion, FastVersionsMatchForRandomRowsOfEveryWidthWithoutReadingPastThem)
{
    std::mt19937 random(12345);
    for (const Conversion& c : CONVERSIONS) {
        for (int nWidth : {1, 2, 3, 5, 7, 8, 9, 13, 16, 17, 31, 33, 64, 101, 1280}) {
            const int nRows = 3;
            // Rows tightly packed (odd strides included) with the last byte against the guard.
            int nSourceStride = nWidth * c.nSourceBytes;
            CGuardedBuffer source(static_cast<size_t>(nSourceStride) * nRows);
            for (int i = 0; i < nSourceStride * nRows; ++i)
                source.Data()[i] = static_cast<BYTE>(random());
            int nDestStride = nWidth * 4 + 8;
            std::vector<BYTE> fast(static_cast<size_t>(nDestStride) * nRows, 0xAB);
            std::vector<BYTE> plain(fast);
            c.pfnFast(fast.data(), nDestStride, source.Data(), nSourceStride, nWidth, nRows);
            c.pfnPlain(plain.data(), nDestStride, source.Data(), nSourceStride, nWidth, nRows);
            EXPECT_EQ(fast, plain) << c.pszName << " width " << nWidth;
        }
    }
}

} // namespace
