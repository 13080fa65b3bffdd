#include "video/PixelConversion.h"

#include <emmintrin.h>

#include <cstring>

namespace {

inline DWORD Expand5(DWORD v)
{
    return (v << 3) | (v >> 2);
}
inline DWORD Expand6(DWORD v)
{
    return (v << 2) | (v >> 4);
}

inline DWORD Pixel555(WORD p)
{
    return Expand5(p & 0x1F) | (Expand5((p >> 5) & 0x1F) << 8) | (Expand5((p >> 10) & 0x1F) << 16);
}

inline DWORD Pixel565(WORD p)
{
    return Expand5(p & 0x1F) | (Expand6((p >> 5) & 0x3F) << 8) | (Expand5(p >> 11) << 16);
}

inline WORD LoadWord(const BYTE* p)
{
    WORD w;
    memcpy(&w, p, sizeof(w));
    return w;
}

inline void StoreDword(BYTE* p, DWORD v)
{
    memcpy(p, &v, sizeof(v));
}

inline DWORD Pixel24(const BYTE* p)
{
    return p[0] | (p[1] << 8) | (static_cast<DWORD>(p[2]) << 16);
}

// Eight 16-bit pixels to eight 32-bit ones. Blue and green are built as the low and high
// byte of one 16-bit lane, red alone in another; interleaving the two gives B, G, R, 0.
template <bool bGreen6> inline void Convert8Pixels16(BYTE* pDest, const BYTE* pSource)
{
    const __m128i five = _mm_set1_epi16(0x1F);
    __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSource));
    __m128i b = _mm_and_si128(p, five);
    b = _mm_or_si128(_mm_slli_epi16(b, 3), _mm_srli_epi16(b, 2));
    __m128i g;
    __m128i r;
    if (bGreen6) {
        g = _mm_and_si128(_mm_srli_epi16(p, 5), _mm_set1_epi16(0x3F));
        g = _mm_or_si128(_mm_slli_epi16(g, 2), _mm_srli_epi16(g, 4));
        r = _mm_srli_epi16(p, 11);
    } else {
        g = _mm_and_si128(_mm_srli_epi16(p, 5), five);
        g = _mm_or_si128(_mm_slli_epi16(g, 3), _mm_srli_epi16(g, 2));
        r = _mm_and_si128(_mm_srli_epi16(p, 10), five);
    }
    r = _mm_or_si128(_mm_slli_epi16(r, 3), _mm_srli_epi16(r, 2));
    __m128i bg = _mm_or_si128(b, _mm_slli_epi16(g, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pDest), _mm_unpacklo_epi16(bg, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pDest + 16), _mm_unpackhi_epi16(bg, r));
}

template <bool bGreen6>
void Convert16Rows(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows)
{
    for (int y = 0; y < nRows; ++y, pDest += nDestStride, pSource += nSourceStride) {
        int x = 0;
        for (; x + 8 <= nWidth; x += 8)
            Convert8Pixels16<bGreen6>(pDest + x * 4, pSource + x * 2);
        for (; x < nWidth; ++x) {
            WORD p = LoadWord(pSource + x * 2);
            StoreDword(pDest + x * 4, bGreen6 ? Pixel565(p) : Pixel555(p));
        }
    }
}

// Four 24-bit pixels from a 16-byte load (so the load reaches 4 bytes past the pixels).
inline __m128i Load4Pixels24(const BYTE* pSource)
{
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pSource));
    __m128i p01 = _mm_unpacklo_epi32(x, _mm_srli_si128(x, 3));
    __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(x, 6), _mm_srli_si128(x, 9));
    return _mm_unpacklo_epi64(p01, p23);
}

} // namespace

void Convert555To32Plain(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows)
{
    for (int y = 0; y < nRows; ++y, pDest += nDestStride, pSource += nSourceStride) {
        for (int x = 0; x < nWidth; ++x)
            StoreDword(pDest + x * 4, Pixel555(LoadWord(pSource + x * 2)));
    }
}

void Convert565To32Plain(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows)
{
    for (int y = 0; y < nRows; ++y, pDest += nDestStride, pSource += nSourceStride) {
        for (int x = 0; x < nWidth; ++x)
            StoreDword(pDest + x * 4, Pixel565(LoadWord(pSource + x * 2)));
    }
}

void Convert24To32Plain(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows)
{
    for (int y = 0; y < nRows; ++y, pDest += nDestStride, pSource += nSourceStride) {
        for (int x = 0; x < nWidth; ++x)
            StoreDword(pDest + x * 4, Pixel24(pSource + x * 3));
    }
}

void Convert555To32(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows)
{
    Convert16Rows<false>(pDest, nDestStride, pSource, nSourceStride, nWidth, nRows);
}

void Convert565To32(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows)
{
    Convert16Rows<true>(pDest, nDestStride, pSource, nSourceStride, nWidth, nRows);
}

void Convert24To32(BYTE* pDest, int nDestStride, const BYTE* pSource, int nSourceStride, int nWidth, int nRows)
{
    const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
    for (int y = 0; y < nRows; ++y, pDest += nDestStride, pSource += nSourceStride) {
        int x = 0;
        // Eight pixels per step read 24 + 4 bytes; stop while that stays inside the row.
        for (; (x + 8) * 3 + 4 <= nWidth * 3; x += 8) {
            __m128i lo = _mm_and_si128(Load4Pixels24(pSource + x * 3), rgb);
            __m128i hi = _mm_and_si128(Load4Pixels24(pSource + x * 3 + 12), rgb);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pDest + x * 4), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pDest + x * 4 + 16), hi);
        }
        for (; x < nWidth; ++x)
            StoreDword(pDest + x * 4, Pixel24(pSource + x * 3));
    }
}
