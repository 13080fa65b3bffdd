#include "codecs/zmbv/CZmbvEncoder.h"

#include <emmintrin.h>
#include <string.h>

#include <algorithm>
#include <new>

namespace {
const BYTE kFlagKeyFrame = 0x01;
const BYTE kVersionHigh = 0;
const BYTE kVersionLow = 1;
const BYTE kCompressionZlib = 1;
const BYTE kFormat32Bpp = 8;

// Deflate runs raw, and the key frame writes the two-byte zlib header itself: decoders inflate
// each frame with a sync flush and never reach the stream's end, so the checksum that zlib
// would keep over every byte (a sixth of the time on full-screen changes) is never read.
const int kWindowBits = 15;
// zlib's hash table is cleared and slid along with its window every 32 KB of input; at 8K
// entries that costs a third of what the default 32K cost, for a few bytes more per frame.
const int kMemLevel = 6;
// zlib's fast levels match greedily; up to this level our own deflater does the same work
// several times faster on screen differences. zlib does the lazy matching of higher levels.
const int kOwnDeflaterLevels = 3;

// The exhaustive part of the motion search never looks further than this around a block.
const int kWindowRange = 6;
// Candidate positions the exhaustive search may look at in a frame before it gives up, and
// what each match found gives back: where nothing matches (a new picture) the search stops
// early, where blocks keep matching (scrolling) it goes on.
const long kSearchBudget = 16384;
const long kSearchRefund = 256;

// Pixels not equal, by the four-lane equality mask of one comparison.
const int kUnequalInMask[16] = {4, 3, 3, 2, 3, 2, 2, 1, 3, 2, 2, 1, 2, 1, 1, 0};

bool PixelsEqual(const uint32_t* pA, const uint32_t* pB, int nCount)
{
    int i = 0;
    // Sixteen pixels per test: one branch per 64 bytes keeps a still screen at memory speed.
    for (; i + 16 <= nCount; i += 16) {
        const __m128i* a = reinterpret_cast<const __m128i*>(pA + i);
        const __m128i* b = reinterpret_cast<const __m128i*>(pB + i);
        __m128i d0 = _mm_xor_si128(_mm_loadu_si128(a), _mm_loadu_si128(b));
        __m128i d1 = _mm_xor_si128(_mm_loadu_si128(a + 1), _mm_loadu_si128(b + 1));
        __m128i d2 = _mm_xor_si128(_mm_loadu_si128(a + 2), _mm_loadu_si128(b + 2));
        __m128i d3 = _mm_xor_si128(_mm_loadu_si128(a + 3), _mm_loadu_si128(b + 3));
        __m128i any = _mm_or_si128(_mm_or_si128(d0, d1), _mm_or_si128(d2, d3));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF)
            return false;
    }
    for (; i + 4 <= nCount; i += 4) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pA + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pB + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, b)) != 0xFFFF)
            return false;
    }
    for (; i < nCount; ++i) {
        if (pA[i] != pB[i])
            return false;
    }
    return true;
}

DWORD VectorBytes(int nBlocks)
{
    return (DWORD)((nBlocks * 2 + 3) & ~3);
}
} // namespace

CZmbvEncoder::CZmbvEncoder()
    : m_nWidth(0), m_nHeight(0), m_nBlocksX(0), m_nBlocksY(0), m_nLevel(1), m_nSearchRange(0), m_zs(),
      m_bZlibReady(false), m_pPrev(nullptr), m_pWork(nullptr), m_cbWork(0), m_pVectors(nullptr),
      m_pLastVectors(nullptr), m_pChanged(nullptr), m_common(), m_nCommon(0), m_found(), m_nFound(0),
      m_nSearchBudget(0), m_pSrc(nullptr), m_bSrcBottomUp(true), m_bHaveLast(false), m_bNeedKey(true), m_nLastFrame(0),
      m_bLastKey(false), m_pLastOut(nullptr), m_cbLastOut(0), m_cbLastOutMax(0)
{
}

CZmbvEncoder::~CZmbvEncoder()
{
    Release();
}

DWORD CZmbvEncoder::MaxFrameSize(int nWidth, int nHeight)
{
    if (nWidth <= 0 || nHeight <= 0)
        return 0;
    int nBlocks = ((nWidth + BlockSize - 1) / BlockSize) * ((nHeight + BlockSize - 1) / BlockSize);
    unsigned long long n = VectorBytes(nBlocks) + 4ull * nWidth * nHeight;
    // Stored deflate blocks cost 5 bytes per 64 KB; the rest covers the zlib header and flush.
    unsigned long long nMax = n + n / 256 + 64 + KeyHeaderSize;
    return nMax > 0x7FFFFFFFull ? 0 : (DWORD)nMax;
}

bool CZmbvEncoder::Begin(int nWidth, int nHeight, int nLevel, int nSearchRange)
{
    Release();
    DWORD cbMax = MaxFrameSize(nWidth, nHeight);
    if (cbMax == 0)
        return false;
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    m_nBlocksX = (nWidth + BlockSize - 1) / BlockSize;
    m_nBlocksY = (nHeight + BlockSize - 1) / BlockSize;
    m_nLevel = nLevel < 1 ? 1 : (nLevel > 9 ? 9 : nLevel);
    m_nSearchRange = nSearchRange < 0 ? 0 : (nSearchRange > MaxVector ? MaxVector : nSearchRange);

    size_t nPixels = (size_t)nWidth * nHeight;
    size_t nBlocks = (size_t)m_nBlocksX * m_nBlocksY;
    m_cbWork = VectorBytes((int)nBlocks) + (DWORD)(nPixels * 4);
    m_pPrev = new (std::nothrow) uint32_t[nPixels];
    // Our own deflater holds the vectors and differences it compresses; zlib reads them here.
    m_bOwnDeflater = m_nLevel <= kOwnDeflaterLevels;
    m_pWork = m_bOwnDeflater ? nullptr : new (std::nothrow) BYTE[m_cbWork];
    m_pVectors = new (std::nothrow) Vector[nBlocks]();
    m_pLastVectors = new (std::nothrow) Vector[nBlocks]();
    m_pChanged = new (std::nothrow) BYTE[nBlocks];
    m_pLastOut = new (std::nothrow) BYTE[cbMax];
    m_cbLastOutMax = cbMax;
    if (!m_pPrev || (!m_bOwnDeflater && !m_pWork) || !m_pVectors || !m_pLastVectors || !m_pChanged || !m_pLastOut) {
        Release();
        return false;
    }
    if (m_bOwnDeflater && !m_deflater.Begin(m_nLevel, std::max<DWORD>(m_cbWork, (DWORD)(nPixels * 4)))) {
        Release();
        return false;
    }
    memset(&m_zs, 0, sizeof(m_zs));
    if (!m_bOwnDeflater &&
        deflateInit2(&m_zs, m_nLevel, Z_DEFLATED, -kWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        Release();
        return false;
    }
    m_bZlibReady = !m_bOwnDeflater;
    m_bHaveLast = false;
    m_bNeedKey = true;
    m_nCommon = 0;
    return true;
}

void CZmbvEncoder::End()
{
    Release();
}

void CZmbvEncoder::Release()
{
    if (m_bZlibReady)
        deflateEnd(&m_zs);
    m_bZlibReady = false;
    m_deflater.End();
    delete[] m_pPrev;
    delete[] m_pWork;
    delete[] m_pVectors;
    delete[] m_pLastVectors;
    delete[] m_pChanged;
    delete[] m_pLastOut;
    m_pPrev = nullptr;
    m_pWork = nullptr;
    m_pVectors = nullptr;
    m_pLastVectors = nullptr;
    m_pChanged = nullptr;
    m_pLastOut = nullptr;
    m_cbWork = 0;
    m_cbLastOut = 0;
    m_cbLastOutMax = 0;
    m_bHaveLast = false;
    m_bNeedKey = true;
}

void CZmbvEncoder::SetSource(const BYTE* pBits, bool bBottomUp)
{
    m_pSrc = pBits;
    m_bSrcBottomUp = bBottomUp;
}

const uint32_t* CZmbvEncoder::CurRow(int nY) const
{
    int nRow = m_bSrcBottomUp ? m_nHeight - 1 - nY : nY;
    return reinterpret_cast<const uint32_t*>(m_pSrc) + (size_t)nRow * m_nWidth;
}

DWORD CZmbvEncoder::EncodeFrame(const BYTE* pBits, bool bBottomUp, LONG nFrameNum, bool bWantKey, BYTE* pOut,
                                DWORD cbOut, bool* pbKeyFrame)
{
    if (!IsStarted() || !pBits || !pOut)
        return 0;
    SetSource(pBits, bBottomUp);

    if (IsRepeatOfLast(nFrameNum, bWantKey) && cbOut >= m_cbLastOut && SourceMatchesReference()) {
        memcpy(pOut, m_pLastOut, m_cbLastOut);
        if (pbKeyFrame)
            *pbKeyFrame = m_bLastKey;
        return m_cbLastOut;
    }

    // A different picture under the last frame's number replaces that frame, whose
    // reference is gone: only a key frame can stand in for it.
    bool bReplacesLast = m_bHaveLast && nFrameNum == m_nLastFrame;
    bool bKey = bWantKey || m_bNeedKey || !m_bHaveLast || bReplacesLast;
    DWORD cbFrame = bKey ? EncodeKeyFrame(pOut, cbOut) : EncodeInterFrame(pOut, cbOut);
    if (cbFrame == 0) {
        m_bNeedKey = true;
        m_bHaveLast = false;
        return 0;
    }
    m_bNeedKey = false;
    m_bHaveLast = true;
    m_nLastFrame = nFrameNum;
    m_bLastKey = bKey;
    memcpy(m_pLastOut, pOut, cbFrame);
    m_cbLastOut = cbFrame;
    if (pbKeyFrame)
        *pbKeyFrame = bKey;
    return cbFrame;
}

bool CZmbvEncoder::IsRepeatOfLast(LONG nFrameNum, bool bWantKey) const
{
    return m_bHaveLast && nFrameNum == m_nLastFrame && (m_bLastKey || !bWantKey);
}

bool CZmbvEncoder::SourceMatchesReference() const
{
    for (int y = 0; y < m_nHeight; ++y) {
        if (!PixelsEqual(CurRow(y), PrevRow(y), m_nWidth))
            return false;
    }
    return true;
}

DWORD CZmbvEncoder::EncodeKeyFrame(BYTE* pOut, DWORD cbOut)
{
    if (cbOut <= KeyHeaderSize)
        return 0;
    for (int y = 0; y < m_nHeight; ++y)
        memcpy(m_pPrev + (size_t)y * m_nWidth, CurRow(y), (size_t)m_nWidth * 4);
    size_t nBlocks = (size_t)m_nBlocksX * m_nBlocksY;
    memset(m_pLastVectors, 0, nBlocks * sizeof(Vector));
    m_nCommon = 0;

    pOut[0] = kFlagKeyFrame;
    pOut[1] = kVersionHigh;
    pOut[2] = kVersionLow;
    pOut[3] = kCompressionZlib;
    pOut[4] = kFormat32Bpp;
    pOut[5] = BlockSize;
    pOut[6] = BlockSize;
    if (cbOut < KeyHeaderSize + ZlibHeaderSize)
        return 0;
    if (m_bOwnDeflater)
        m_deflater.Reset();
    else if (deflateReset(&m_zs) != Z_OK)
        return 0;
    WriteZlibHeader(pOut + KeyHeaderSize);
    const DWORD cbHeaders = KeyHeaderSize + ZlibHeaderSize;
    DWORD cbData = Deflate(reinterpret_cast<const BYTE*>(m_pPrev), (DWORD)((size_t)m_nWidth * m_nHeight * 4),
                           pOut + cbHeaders, cbOut - cbHeaders);
    return cbData ? cbData + cbHeaders : 0;
}

// The header zlib itself would write for this window and level (RFC 1950).
void CZmbvEncoder::WriteZlibHeader(BYTE* pOut) const
{
    unsigned nHeader = (Z_DEFLATED + ((kWindowBits - 8) << 4)) << 8;
    unsigned nLevelFlags = m_nLevel < 2 ? 0 : (m_nLevel < 6 ? 1 : (m_nLevel == 6 ? 2 : 3));
    nHeader |= nLevelFlags << 6;
    nHeader += 31 - (nHeader % 31);
    pOut[0] = (BYTE)(nHeader >> 8);
    pOut[1] = (BYTE)nHeader;
}

DWORD CZmbvEncoder::EncodeInterFrame(BYTE* pOut, DWORD cbOut)
{
    if (cbOut <= InterHeaderSize)
        return 0;
    int nBlocks = m_nBlocksX * m_nBlocksY;
    DWORD cbVectors = VectorBytes(nBlocks);
    // Our own deflater takes the vectors and differences where they are made.
    BYTE* pWork = m_bOwnDeflater ? m_deflater.PrepareInput() : m_pWork;
    if (!pWork)
        return 0;
    memset(pWork, 0, cbVectors);
    BYTE* pXor = pWork + cbVectors;
    m_nSearchBudget = kSearchBudget;
    m_nFound = 0;

    MarkChangedBlocks();
    int nIndex = 0;
    for (int by = 0; by < m_nBlocksY; ++by) {
        for (int bx = 0; bx < m_nBlocksX; ++bx, ++nIndex) {
            Vector mv = {0, 0};
            m_pVectors[nIndex] = mv;
            if (!m_pChanged[nIndex])
                continue;
            Block block = BlockAt(bx, by);
            int nDiff = 0;
            // The difference against the block's own place is written as it is counted: most
            // changed blocks keep it.
            mv = ChooseVector(block, nIndex, &nDiff, pXor);
            m_pVectors[nIndex] = mv;
            pWork[nIndex * 2] = (BYTE)((mv.nX * 2) | (nDiff ? 1 : 0));
            pWork[nIndex * 2 + 1] = (BYTE)(mv.nY * 2);
            if (nDiff && (mv.nX || mv.nY))
                pXor = WriteXor(block, mv, pXor);
            else if (nDiff)
                pXor += (size_t)block.nWidth * block.nHeight * 4;
        }
    }

    pOut[0] = 0;
    const DWORD cbWork = (DWORD)(pXor - pWork);
    DWORD cbData = m_bOwnDeflater ? m_deflater.CompressPrepared(cbWork, pOut + InterHeaderSize, cbOut - InterHeaderSize)
                                  : Deflate(pWork, cbWork, pOut + InterHeaderSize, cbOut - InterHeaderSize);
    if (cbData == 0)
        return 0;

    // The reference changes only after every block has been matched against the old one.
    nIndex = 0;
    for (int by = 0; by < m_nBlocksY; ++by) {
        for (int bx = 0; bx < m_nBlocksX; ++bx, ++nIndex) {
            if (m_pChanged[nIndex])
                CopyBlockToPrev(BlockAt(bx, by));
        }
    }
    UpdateCommonVectors();
    Vector* pSwap = m_pLastVectors;
    m_pLastVectors = m_pVectors;
    m_pVectors = pSwap;
    return cbData + InterHeaderSize;
}

void CZmbvEncoder::MarkChangedBlocks()
{
    // Whole rows first: on a still screen this is one straight pass over both frames.
    memset(m_pChanged, 0, (size_t)m_nBlocksX * m_nBlocksY);
    for (int y = 0; y < m_nHeight; ++y) {
        const uint32_t* pCur = CurRow(y);
        const uint32_t* pPrev = PrevRow(y);
        if (PixelsEqual(pCur, pPrev, m_nWidth))
            continue;
        BYTE* pChanged = m_pChanged + (size_t)(y / BlockSize) * m_nBlocksX;
        for (int bx = 0; bx < m_nBlocksX; ++bx) {
            if (pChanged[bx])
                continue;
            int x = bx * BlockSize;
            int nCount = m_nWidth - x < BlockSize ? m_nWidth - x : BlockSize;
            pChanged[bx] = !PixelsEqual(pCur + x, pPrev + x, nCount);
        }
    }
}

DWORD CZmbvEncoder::Deflate(const BYTE* pData, DWORD cbData, BYTE* pOut, DWORD cbOut)
{
    if (m_bOwnDeflater)
        return m_deflater.Compress(pData, cbData, pOut, cbOut);
    m_zs.next_in = const_cast<Bytef*>(pData);
    m_zs.avail_in = cbData;
    m_zs.next_out = pOut;
    m_zs.avail_out = cbOut;
    int nResult = deflate(&m_zs, Z_SYNC_FLUSH);
    // A full output buffer may hold back part of the flush: treat it as too small.
    if (nResult != Z_OK || m_zs.avail_in != 0 || m_zs.avail_out == 0)
        return 0;
    return cbOut - m_zs.avail_out;
}

CZmbvEncoder::Block CZmbvEncoder::BlockAt(int nBlockX, int nBlockY) const
{
    Block block;
    block.nX = nBlockX * BlockSize;
    block.nY = nBlockY * BlockSize;
    block.nWidth = m_nWidth - block.nX < BlockSize ? m_nWidth - block.nX : BlockSize;
    block.nHeight = m_nHeight - block.nY < BlockSize ? m_nHeight - block.nY : BlockSize;
    return block;
}

bool CZmbvEncoder::BlockMatches(const Block& block, const Vector& mv) const
{
    for (int j = 0; j < block.nHeight; ++j) {
        const uint32_t* pCur = CurRow(block.nY + j) + block.nX;
        const uint32_t* pPrev = PrevRow(block.nY + j + mv.nY) + block.nX + mv.nX;
        if (!PixelsEqual(pCur, pPrev, block.nWidth))
            return false;
    }
    return true;
}

bool CZmbvEncoder::ProbesMatch(const Block& block, const Vector& mv) const
{
    const int nProbes = 4;
    const int xs[nProbes] = {block.nWidth / 2, 0, block.nWidth - 1, block.nWidth / 4};
    const int ys[nProbes] = {block.nHeight / 2, 0, block.nHeight - 1, (block.nHeight * 3) / 4};
    for (int i = 0; i < nProbes; ++i) {
        int x = block.nX + xs[i];
        int y = block.nY + ys[i];
        if (CurRow(y)[x] != PrevRow(y + mv.nY)[x + mv.nX])
            return false;
    }
    return true;
}

int CZmbvEncoder::CountDifferences(const Block& block, const Vector& mv, int nLimit) const
{
    int nCount = 0;
    for (int j = 0; j < block.nHeight && nCount < nLimit; ++j) {
        const uint32_t* pCur = CurRow(block.nY + j) + block.nX;
        const uint32_t* pPrev = PrevRow(block.nY + j + mv.nY) + block.nX + mv.nX;
        int i = 0;
        for (; i + 4 <= block.nWidth; i += 4) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pCur + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pPrev + i));
            int nEqualMask = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(a, b)));
            nCount += kUnequalInMask[nEqualMask];
        }
        for (; i < block.nWidth; ++i)
            nCount += pCur[i] != pPrev[i];
    }
    return nCount;
}

bool CZmbvEncoder::IsValidVector(const Block& block, const Vector& mv) const
{
    // Vectors stay inside the frame: the decoder fills outside pixels with black.
    return mv.nX >= -MaxVector - 1 && mv.nX <= MaxVector && mv.nY >= -MaxVector - 1 && mv.nY <= MaxVector &&
           block.nX + mv.nX >= 0 && block.nX + mv.nX + block.nWidth <= m_nWidth && block.nY + mv.nY >= 0 &&
           block.nY + mv.nY + block.nHeight <= m_nHeight;
}

CZmbvEncoder::Vector CZmbvEncoder::ChooseVector(const Block& block, int nIndex, int* pnDiff, BYTE* pXor)
{
    Vector best = {0, 0};
    int nBestDiff = XorInPlace(block, pXor);

    // Screen motion is mostly shared: a block moves like its neighbours, like itself in the
    // last frame, like blocks found earlier in this frame, or like most of the last frame
    // (scrolling, a dragged window).
    Vector candidates[3 + MaxFound + MaxCommon];
    int nCandidates = 0;
    if (nIndex % m_nBlocksX > 0)
        candidates[nCandidates++] = m_pVectors[nIndex - 1];
    if (nIndex >= m_nBlocksX)
        candidates[nCandidates++] = m_pVectors[nIndex - m_nBlocksX];
    candidates[nCandidates++] = m_pLastVectors[nIndex];
    for (int i = 0; i < m_nFound; ++i)
        candidates[nCandidates++] = m_found[i];
    for (int i = 0; i < m_nCommon; ++i)
        candidates[nCandidates++] = m_common[i];

    for (int i = 0; i < nCandidates && nBestDiff > 0; ++i) {
        const Vector& mv = candidates[i];
        bool bSeen = mv.nX == 0 && mv.nY == 0;
        for (int k = 0; k < i && !bSeen; ++k)
            bSeen = candidates[k].nX == mv.nX && candidates[k].nY == mv.nY;
        if (bSeen || !IsValidVector(block, mv))
            continue;
        int nDiff = CountDifferences(block, mv, nBestDiff);
        if (nDiff < nBestDiff) {
            best = mv;
            nBestDiff = nDiff;
        }
    }

    Vector exact;
    if (nBestDiff > 0 && SearchExact(block, &exact)) {
        best = exact;
        nBestDiff = 0;
    }
    *pnDiff = nBestDiff;
    return best;
}

bool CZmbvEncoder::SearchExact(const Block& block, Vector* pmv)
{
    // Nearest first, ring by ring: along the axes as far as the search range (scrolling), off
    // the axes only close by (dragged windows).
    for (int d = 1; d <= m_nSearchRange; ++d) {
        const Vector axis[4] = {{0, d}, {0, -d}, {d, 0}, {-d, 0}};
        for (const Vector& mv : axis) {
            if (TryExact(block, mv, pmv))
                return true;
        }
        if (d > kWindowRange)
            continue;
        for (int k = 1; k <= d; ++k) {
            // The ring at distance d, without its axis points: (±k, ±d) and (±d, ±k).
            const Vector ring[8] = {{k, d}, {-k, d}, {k, -d}, {-k, -d}, {d, k}, {d, -k}, {-d, k}, {-d, -k}};
            int nPoints = k == d ? 4 : 8; // the corners appear twice
            for (int i = 0; i < nPoints; ++i) {
                if (TryExact(block, ring[i], pmv))
                    return true;
            }
        }
        if (m_nSearchBudget <= 0)
            return false;
    }
    // Wheel scrolling jumps by whole lines: go on along the vertical axis as far as vectors reach.
    for (int d = m_nSearchRange + 1; d <= MaxVector && m_nSearchRange > 0; ++d) {
        const Vector axis[2] = {{0, d}, {0, -d}};
        for (const Vector& mv : axis) {
            if (TryExact(block, mv, pmv))
                return true;
        }
        if (m_nSearchBudget <= 0)
            return false;
    }
    return false;
}

bool CZmbvEncoder::TryExact(const Block& block, const Vector& mv, Vector* pmv)
{
    if (m_nSearchBudget <= 0)
        return false;
    --m_nSearchBudget;
    if (!IsValidVector(block, mv) || !ProbesMatch(block, mv) || !BlockMatches(block, mv))
        return false;
    m_nSearchBudget += kSearchRefund;
    RememberFound(mv);
    *pmv = mv;
    return true;
}

void CZmbvEncoder::RememberFound(const Vector& mv)
{
    int nAt = 0;
    while (nAt < m_nFound && (m_found[nAt].nX != mv.nX || m_found[nAt].nY != mv.nY))
        ++nAt;
    if (nAt == m_nFound && m_nFound < MaxFound)
        ++m_nFound;
    if (nAt == MaxFound)
        nAt = MaxFound - 1;
    // Most recent first.
    for (int i = nAt; i > 0; --i)
        m_found[i] = m_found[i - 1];
    m_found[0] = mv;
}

BYTE* CZmbvEncoder::WriteXor(const Block& block, const Vector& mv, BYTE* pDst) const
{
    for (int j = 0; j < block.nHeight; ++j) {
        const uint32_t* pCur = CurRow(block.nY + j) + block.nX;
        const uint32_t* pPrev = PrevRow(block.nY + j + mv.nY) + block.nX + mv.nX;
        int i = 0;
        for (; i + 4 <= block.nWidth; i += 4, pDst += 16) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pCur + i));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pPrev + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst), _mm_xor_si128(a, b));
        }
        for (; i < block.nWidth; ++i, pDst += 4) {
            uint32_t nXor = pCur[i] ^ pPrev[i];
            memcpy(pDst, &nXor, 4);
        }
    }
    return pDst;
}

int CZmbvEncoder::XorInPlace(const Block& block, BYTE* pDst) const
{
    int nCount = 0;
    for (int j = 0; j < block.nHeight; ++j) {
        const uint32_t* pCur = CurRow(block.nY + j) + block.nX;
        const uint32_t* pPrev = PrevRow(block.nY + j) + block.nX;
        int i = 0;
        for (; i + 4 <= block.nWidth; i += 4, pDst += 16) {
            __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pCur + i)),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(pPrev + i)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pDst), x);
            int nEqualMask = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(x, _mm_setzero_si128())));
            nCount += kUnequalInMask[nEqualMask];
        }
        for (; i < block.nWidth; ++i, pDst += 4) {
            uint32_t nXor = pCur[i] ^ pPrev[i];
            memcpy(pDst, &nXor, 4);
            nCount += nXor != 0;
        }
    }
    return nCount;
}

void CZmbvEncoder::CopyBlockToPrev(const Block& block)
{
    for (int j = 0; j < block.nHeight; ++j) {
        memcpy(m_pPrev + (size_t)(block.nY + j) * m_nWidth + block.nX, CurRow(block.nY + j) + block.nX,
               (size_t)block.nWidth * 4);
    }
}

void CZmbvEncoder::UpdateCommonVectors()
{
    const int nSlots = 16;
    Vector seen[nSlots];
    int counts[nSlots];
    int nSeen = 0;
    int nBlocks = m_nBlocksX * m_nBlocksY;
    for (int i = 0; i < nBlocks; ++i) {
        const Vector& mv = m_pVectors[i];
        if (mv.nX == 0 && mv.nY == 0)
            continue;
        int k = 0;
        while (k < nSeen && (seen[k].nX != mv.nX || seen[k].nY != mv.nY))
            ++k;
        if (k < nSeen)
            ++counts[k];
        else if (nSeen < nSlots) {
            seen[nSeen] = mv;
            counts[nSeen++] = 1;
        }
    }
    m_nCommon = 0;
    while (m_nCommon < MaxCommon) {
        int nBest = -1;
        for (int k = 0; k < nSeen; ++k) {
            if (counts[k] > 0 && (nBest < 0 || counts[k] > counts[nBest]))
                nBest = k;
        }
        if (nBest < 0)
            break;
        m_common[m_nCommon++] = seen[nBest];
        counts[nBest] = 0;
    }
}
