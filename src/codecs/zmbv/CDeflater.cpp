#include "codecs/zmbv/CDeflater.h"

#include <string.h>

#include <algorithm>

namespace {
const int kHashBits = 15;
const uint32_t kHashSize = 1u << kHashBits;
const uint32_t kWindowMask = CDeflater::WindowSize - 1;
// Tokens per block: each block gets Huffman codes of its own.
const size_t kBlockTokens = 16384;
// Stream positions are 32-bit; the tables are moved back long before they could wrap.
const uint32_t kRebaseAt = 1u << 30;
const DWORD kMaxStored = 65535;

const int kLiteralCodes = 286;      // literals, end of block, lengths
const int kFixedLiteralCodes = 288; // the fixed code counts two unused lengths too
const int kEndOfBlock = 256;
const int kDistanceCodes = 30;
const int kCodeLengthCodes = 19;
const int kMaxCodeBits = 15;
const int kMaxCodeLengthBits = 7;

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block sends the code lengths of the code-length alphabet.
const uint8_t kCodeLengthOrder[kCodeLengthCodes] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Length 3..258 to its code (0..28, sent as 257 + code).
struct CLengthCodes
{
    uint8_t codes[CDeflater::MaxMatch + 1];
    CLengthCodes()
    {
        memset(codes, 0, sizeof(codes));
        for (int nCode = 0; nCode < 29; ++nCode) {
            int nLast = nCode + 1 < 29 ? kLengthBase[nCode + 1] - 1 : CDeflater::MaxMatch;
            if (nCode == 27)
                nLast = 257; // 258 has a code of its own
            for (int nLength = kLengthBase[nCode]; nLength <= nLast; ++nLength)
                codes[nLength] = (uint8_t)nCode;
        }
    }
};

int LengthCode(unsigned nLength)
{
    static const CLengthCodes s_codes;
    return s_codes.codes[nLength];
}

int DistanceCode(unsigned nDistance)
{
    if (nDistance <= 4)
        return (int)nDistance - 1;
    unsigned x = nDistance - 1;
    int nTop = 31 - __builtin_clz(x);
    return 2 * nTop + (int)((x >> (nTop - 1)) & 1);
}

int FixedLiteralLength(int nSymbol)
{
    return nSymbol < 144 ? 8 : (nSymbol < 256 ? 9 : (nSymbol < 280 ? 7 : 8));
}

unsigned MatchLength(const BYTE* p, const BYTE* q, unsigned nMax)
{
    unsigned n = 0;
    for (; n + 8 <= nMax; n += 8) {
        uint64_t a, b;
        memcpy(&a, p + n, 8);
        memcpy(&b, q + n, 8);
        if (a != b)
            return n + (unsigned)(__builtin_ctzll(a ^ b) >> 3);
    }
    while (n < nMax && p[n] == q[n])
        ++n;
    return n;
}

// One step of the code-length encoding: a length, or a run (16 repeats the last length,
// 17 and 18 repeat zero) with its extra bits.
struct LengthRun
{
    uint8_t nSymbol;
    uint8_t nExtra;
    uint8_t nExtraBits;
};

int RunLengths(const uint8_t* pLengths, int nCount, LengthRun* pRuns)
{
    int nRuns = 0;
    for (int i = 0; i < nCount;) {
        const uint8_t nLength = pLengths[i];
        int nRun = 1;
        while (i + nRun < nCount && pLengths[i + nRun] == nLength)
            ++nRun;
        i += nRun;
        if (nLength == 0) {
            while (nRun >= 11) {
                int nTake = std::min(nRun, 138);
                pRuns[nRuns++] = {18, (uint8_t)(nTake - 11), 7};
                nRun -= nTake;
            }
            if (nRun >= 3) {
                pRuns[nRuns++] = {17, (uint8_t)(nRun - 3), 3};
                nRun = 0;
            }
        } else {
            pRuns[nRuns++] = {nLength, 0, 0};
            --nRun;
            while (nRun >= 3) {
                int nTake = std::min(nRun, 6);
                pRuns[nRuns++] = {16, (uint8_t)(nTake - 3), 2};
                nRun -= nTake;
            }
        }
        while (nRun-- > 0)
            pRuns[nRuns++] = {nLength, 0, 0};
    }
    return nRuns;
}
} // namespace

// Bits go out first bit first, as deflate sends them; whole bytes are written as they fill.
class CDeflater::CBitWriter
{
public:
    CBitWriter(BYTE* pOut, DWORD cbOut) : m_pStart(pOut), m_p(pOut), m_pEnd(pOut + cbOut) {}

    void Put(uint32_t nBits, int nCount)
    {
        m_nAcc |= (uint64_t)nBits << m_nCount;
        m_nCount += nCount;
        if (m_nCount >= 32) {
            if (m_pEnd - m_p < 4) {
                m_bOverflow = true;
                m_p = m_pEnd;
            } else {
                uint32_t nWord = (uint32_t)m_nAcc;
                memcpy(m_p, &nWord, 4);
                m_p += 4;
            }
            m_nAcc >>= 32;
            m_nCount -= 32;
        }
    }
    void Put(const Code& code) { Put(code.nBits, code.nLength); }
    // Pads to a byte boundary and writes out every whole byte.
    void Align()
    {
        if (m_nCount & 7)
            Put(0, 8 - (m_nCount & 7));
        while (m_nCount > 0) {
            if (m_p == m_pEnd)
                m_bOverflow = true;
            else
                *m_p++ = (BYTE)m_nAcc;
            m_nAcc >>= 8;
            m_nCount -= 8;
        }
    }
    // After Align.
    void PutBytes(const BYTE* pData, DWORD cbData)
    {
        if ((DWORD)(m_pEnd - m_p) < cbData) {
            m_bOverflow = true;
            m_p = m_pEnd;
            return;
        }
        memcpy(m_p, pData, cbData);
        m_p += cbData;
    }
    bool Overflowed() const { return m_bOverflow; }
    DWORD Written() const { return (DWORD)(m_p - m_pStart); }

private:
    BYTE* m_pStart;
    BYTE* m_p;
    BYTE* m_pEnd;
    uint64_t m_nAcc = 0;
    int m_nCount = 0;
    bool m_bOverflow = false;
};

CDeflater::CDeflater()
{
}

bool CDeflater::Begin(int nLevel, DWORD cbMaxInput)
{
    End();
    // Chain length, the length that ends the search, and the longest match whose strings are
    // all entered into the hash chains: zlib's choices for its levels 1 to 3.
    if (nLevel <= 1) {
        m_nMaxChain = 4;
        m_nNiceLength = 8;
        m_nMaxInsert = 4;
    } else if (nLevel == 2) {
        m_nMaxChain = 8;
        m_nNiceLength = 16;
        m_nMaxInsert = 5;
    } else {
        m_nMaxChain = 32;
        m_nNiceLength = 32;
        m_nMaxInsert = 6;
    }
    try {
        m_buffer.resize((size_t)cbMaxInput + WindowSize);
        m_head.assign(kHashSize, 0);
        m_prev.assign(WindowSize, 0);
        m_tokens.reserve(kBlockTokens);
    } catch (const std::bad_alloc&) {
        End();
        return false;
    }
    Reset();
    return true;
}

void CDeflater::End()
{
    std::vector<BYTE>().swap(m_buffer);
    std::vector<uint32_t>().swap(m_head);
    std::vector<uint32_t>().swap(m_prev);
    std::vector<Token>().swap(m_tokens);
    m_cbBuffer = 0;
    m_cbHistory = 0;
    m_nBase = 0;
}

void CDeflater::Reset()
{
    std::fill(m_head.begin(), m_head.end(), 0u);
    m_cbBuffer = 0;
    m_cbHistory = 0;
    m_nBase = 0;
}

uint32_t CDeflater::Hash(const BYTE* p) const
{
    uint32_t n = ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
    return (n * 2654435761u) >> (32 - kHashBits);
}

// Enters the string at buffer offset nPos into its hash chain.
void CDeflater::Insert(uint32_t nPos)
{
    const uint32_t h = Hash(&m_buffer[nPos]);
    const uint32_t nStream = m_nBase + nPos;
    m_prev[nStream & kWindowMask] = m_head[h];
    m_head[h] = nStream + 1;
}

// The longest match for the string at buffer offset nPos (already in its chain) among the
// earlier strings of its chain, 0 if none of MinMatch bytes. Stale chain entries are harmless:
// every candidate is compared and must lie in the window.
int CDeflater::FindMatch(uint32_t nPos, uint32_t nEnd, uint32_t* pnDistance) const
{
    const uint32_t nStream = m_nBase + nPos;
    const unsigned nMax = std::min<unsigned>(MaxMatch, nEnd - nPos);
    const BYTE* p = &m_buffer[nPos];
    unsigned nBest = MinMatch - 1;
    uint32_t nCandidate = m_prev[nStream & kWindowMask];
    for (int nChain = m_nMaxChain; nCandidate && nChain > 0; --nChain) {
        const uint32_t nCandidateStream = nCandidate - 1;
        if (nCandidateStream >= nStream || nStream - nCandidateStream > WindowSize || nCandidateStream < m_nBase)
            break;
        const BYTE* q = &m_buffer[nCandidateStream - m_nBase];
        if (q[nBest] == p[nBest] && q[0] == p[0] && q[1] == p[1]) {
            unsigned nLength = MatchLength(p, q, nMax);
            if (nLength > nBest) {
                nBest = nLength;
                *pnDistance = nStream - nCandidateStream;
                if (nLength >= (unsigned)m_nNiceLength || nLength == nMax)
                    break;
            }
        }
        nCandidate = m_prev[nCandidateStream & kWindowMask];
    }
    return nBest >= MinMatch ? (int)nBest : 0;
}

void CDeflater::Rebase()
{
    const uint32_t nDelta = m_nBase;
    for (uint32_t& n : m_head)
        n = n > nDelta ? n - nDelta : 0;
    for (uint32_t& n : m_prev)
        n = n > nDelta ? n - nDelta : 0;
    // Ring slots follow the stream position: keep them where the new positions look.
    if (nDelta & kWindowMask) {
        std::vector<uint32_t> moved(WindowSize);
        for (uint32_t i = 0; i < WindowSize; ++i)
            moved[(i - nDelta) & kWindowMask] = m_prev[i];
        m_prev.swap(moved);
    }
    m_nBase = 0;
}

DWORD CDeflater::Compress(const BYTE* pData, DWORD cbData, BYTE* pOut, DWORD cbOut)
{
    BYTE* pInput = PrepareInput();
    if (!pInput || (!pData && cbData) || cbData > m_buffer.size() - m_cbHistory)
        return 0;
    if (cbData)
        memcpy(pInput, pData, cbData);
    return CompressPrepared(cbData, pOut, cbOut);
}

BYTE* CDeflater::PrepareInput()
{
    if (m_head.empty())
        return nullptr;
    // Keep the window the decoder holds; the new data goes after it.
    const uint32_t cbKeep = std::min<uint32_t>(m_cbBuffer, WindowSize);
    const uint32_t cbDrop = m_cbBuffer - cbKeep;
    if (cbDrop)
        memmove(m_buffer.data(), m_buffer.data() + cbDrop, cbKeep);
    m_nBase += cbDrop;
    m_cbHistory = m_cbBuffer = cbKeep;
    return m_buffer.data() + cbKeep;
}

DWORD CDeflater::CompressPrepared(DWORD cbData, BYTE* pOut, DWORD cbOut)
{
    if (m_head.empty() || cbData > m_buffer.size() - m_cbHistory)
        return 0;
    m_cbBuffer = m_cbHistory + cbData;
    if (m_nBase + m_cbBuffer >= kRebaseAt)
        Rebase();

    CBitWriter writer(pOut, cbOut);
    const uint32_t nEnd = m_cbBuffer;
    uint32_t nBlockStart = m_cbHistory;
    m_tokens.clear();
    for (uint32_t i = m_cbHistory; i < nEnd;) {
        uint32_t nDistance = 0;
        int nLength = 0;
        if (nEnd - i >= (uint32_t)MinMatch) {
            Insert(i);
            nLength = FindMatch(i, nEnd, &nDistance);
        }
        if (nLength) {
            m_tokens.push_back({(uint16_t)nLength, (uint16_t)nDistance});
            if (nLength <= m_nMaxInsert) {
                for (uint32_t k = i + 1; k < i + (uint32_t)nLength && nEnd - k >= (uint32_t)MinMatch; ++k)
                    Insert(k);
            }
            i += (uint32_t)nLength;
        } else {
            m_tokens.push_back({0, m_buffer[i]});
            ++i;
        }
        if (m_tokens.size() >= kBlockTokens) {
            if (!FlushBlock(writer, &m_buffer[nBlockStart], i - nBlockStart))
                return 0;
            nBlockStart = i;
        }
    }
    if (!m_tokens.empty() && !FlushBlock(writer, &m_buffer[nBlockStart], nEnd - nBlockStart))
        return 0;
    // The sync flush: an empty stored block brings the stream to a byte boundary.
    writer.Put(0, 3);
    writer.Align();
    writer.Put(0x0000, 16);
    writer.Put(0xFFFF, 16);
    writer.Align();
    return writer.Overflowed() ? 0 : writer.Written();
}

// Writes the tokens as one block (never the stream's last: a sync flush follows), with
// codes of its own, the fixed codes or stored as it is, whichever is smallest.
bool CDeflater::FlushBlock(CBitWriter& writer, const BYTE* pRaw, DWORD cbRaw)
{
    uint32_t literalFreqs[kLiteralCodes] = {};
    uint32_t distanceFreqs[kDistanceCodes] = {};
    uint64_t nExtraBits = 0;
    for (const Token& token : m_tokens) {
        if (!token.nLength) {
            ++literalFreqs[token.nValue];
            continue;
        }
        const int nLengthCode = LengthCode(token.nLength);
        const int nDistanceCode = DistanceCode(token.nValue);
        ++literalFreqs[257 + nLengthCode];
        ++distanceFreqs[nDistanceCode];
        nExtraBits += kLengthExtra[nLengthCode] + kDistanceExtra[nDistanceCode];
    }
    literalFreqs[kEndOfBlock] = 1;

    uint8_t literalLengths[kFixedLiteralCodes] = {};
    uint8_t distanceLengths[kDistanceCodes];
    BuildLengths(literalFreqs, kLiteralCodes, kMaxCodeBits, literalLengths);
    BuildLengths(distanceFreqs, kDistanceCodes, kMaxCodeBits, distanceLengths);
    int nLiterals = kLiteralCodes;
    while (nLiterals > 257 && literalLengths[nLiterals - 1] == 0)
        --nLiterals;
    int nDistances = kDistanceCodes;
    while (nDistances > 1 && distanceLengths[nDistances - 1] == 0)
        --nDistances;

    uint8_t allLengths[kLiteralCodes + kDistanceCodes];
    memcpy(allLengths, literalLengths, nLiterals);
    memcpy(allLengths + nLiterals, distanceLengths, nDistances);
    LengthRun runs[kLiteralCodes + kDistanceCodes];
    const int nRuns = RunLengths(allLengths, nLiterals + nDistances, runs);
    uint32_t runFreqs[kCodeLengthCodes] = {};
    for (int i = 0; i < nRuns; ++i)
        ++runFreqs[runs[i].nSymbol];
    uint8_t runLengths[kCodeLengthCodes];
    BuildLengths(runFreqs, kCodeLengthCodes, kMaxCodeLengthBits, runLengths);
    int nRunCodes = kCodeLengthCodes;
    while (nRunCodes > 4 && runLengths[kCodeLengthOrder[nRunCodes - 1]] == 0)
        --nRunCodes;

    uint64_t nDynamicBits = 3 + 5 + 5 + 4 + 3 * (uint64_t)nRunCodes + nExtraBits;
    for (int i = 0; i < nRuns; ++i)
        nDynamicBits += runLengths[runs[i].nSymbol] + runs[i].nExtraBits;
    uint64_t nFixedBits = 3 + nExtraBits;
    for (int i = 0; i < kLiteralCodes; ++i) {
        nDynamicBits += (uint64_t)literalFreqs[i] * literalLengths[i];
        nFixedBits += (uint64_t)literalFreqs[i] * FixedLiteralLength(i);
    }
    for (int i = 0; i < kDistanceCodes; ++i) {
        nDynamicBits += (uint64_t)distanceFreqs[i] * distanceLengths[i];
        nFixedBits += (uint64_t)distanceFreqs[i] * 5;
    }
    const uint64_t nStoredBits = 8ull * cbRaw + 40ull * (cbRaw / kMaxStored + 1) + 7;

    if (nStoredBits < nDynamicBits && nStoredBits < nFixedBits) {
        for (DWORD cbDone = 0; cbDone < cbRaw;) {
            const DWORD cbChunk = std::min(cbRaw - cbDone, kMaxStored);
            writer.Put(0, 3);
            writer.Align();
            writer.Put(cbChunk, 16);
            writer.Put(~cbChunk & 0xFFFF, 16);
            writer.Align();
            writer.PutBytes(pRaw + cbDone, cbChunk);
            cbDone += cbChunk;
        }
        m_tokens.clear();
        return !writer.Overflowed();
    }

    Code literalCodes[kFixedLiteralCodes];
    Code distanceCodes[kDistanceCodes];
    if (nFixedBits <= nDynamicBits) {
        for (int i = 0; i < kFixedLiteralCodes; ++i)
            literalLengths[i] = (uint8_t)FixedLiteralLength(i);
        for (int i = 0; i < kDistanceCodes; ++i)
            distanceLengths[i] = 5;
        writer.Put(1 << 1, 3);
    } else {
        writer.Put(2 << 1, 3);
        writer.Put(nLiterals - 257, 5);
        writer.Put(nDistances - 1, 5);
        writer.Put(nRunCodes - 4, 4);
        for (int i = 0; i < nRunCodes; ++i)
            writer.Put(runLengths[kCodeLengthOrder[i]], 3);
        Code runCodes[kCodeLengthCodes];
        BuildCodes(runLengths, kCodeLengthCodes, runCodes);
        for (int i = 0; i < nRuns; ++i) {
            writer.Put(runCodes[runs[i].nSymbol]);
            if (runs[i].nExtraBits)
                writer.Put(runs[i].nExtra, runs[i].nExtraBits);
        }
    }
    BuildCodes(literalLengths, kFixedLiteralCodes, literalCodes);
    BuildCodes(distanceLengths, kDistanceCodes, distanceCodes);
    for (const Token& token : m_tokens) {
        if (!token.nLength) {
            writer.Put(literalCodes[token.nValue]);
            continue;
        }
        const int nLengthCode = LengthCode(token.nLength);
        writer.Put(literalCodes[257 + nLengthCode]);
        if (kLengthExtra[nLengthCode])
            writer.Put(token.nLength - kLengthBase[nLengthCode], kLengthExtra[nLengthCode]);
        const int nDistanceCode = DistanceCode(token.nValue);
        writer.Put(distanceCodes[nDistanceCode]);
        if (kDistanceExtra[nDistanceCode])
            writer.Put(token.nValue - kDistanceBase[nDistanceCode], kDistanceExtra[nDistanceCode]);
    }
    writer.Put(literalCodes[kEndOfBlock]);
    m_tokens.clear();
    return !writer.Overflowed();
}

// Huffman code lengths for the frequencies, none longer than nMaxBits. Symbols that never occur
// get no code; at least two symbols always get one, so that every code is complete.
void CDeflater::BuildLengths(const uint32_t* pFreqs, int nSymbols, int nMaxBits, uint8_t* pLengths)
{
    memset(pLengths, 0, nSymbols);
    uint32_t weights[2 * kLiteralCodes];
    int parents[2 * kLiteralCodes];
    int symbols[kLiteralCodes];
    int nLeaves = 0;
    for (int i = 0; i < nSymbols; ++i) {
        if (pFreqs[i])
            symbols[nLeaves++] = i;
    }
    for (int i = 0; nLeaves < 2 && i < nSymbols; ++i) {
        if (!pFreqs[i] && std::find(symbols, symbols + nLeaves, i) == symbols + nLeaves)
            symbols[nLeaves++] = i;
    }
    // Least frequent first; the two-queue construction then needs no heap.
    std::sort(symbols, symbols + nLeaves,
              [pFreqs](int a, int b) { return pFreqs[a] != pFreqs[b] ? pFreqs[a] < pFreqs[b] : a < b; });
    for (int i = 0; i < nLeaves; ++i)
        weights[i] = pFreqs[symbols[i]] ? pFreqs[symbols[i]] : 1;
    int nNextLeaf = 0;
    int nNextNode = nLeaves;
    int nNodes = nLeaves;
    auto takeSmallest = [&]() {
        if (nNextLeaf < nLeaves && (nNextNode >= nNodes || weights[nNextLeaf] <= weights[nNextNode]))
            return nNextLeaf++;
        return nNextNode++;
    };
    while (nNodes < 2 * nLeaves - 1) {
        const int a = takeSmallest();
        const int b = takeSmallest();
        weights[nNodes] = weights[a] + weights[b];
        parents[a] = parents[b] = nNodes;
        ++nNodes;
    }
    // Depths, root first (the root is the last node made).
    int depths[2 * kLiteralCodes];
    depths[nNodes - 1] = 0;
    for (int i = nNodes - 2; i >= 0; --i)
        depths[i] = depths[parents[i]] + 1;

    // How many codes of each length, with the longest brought down to nMaxBits: each step
    // takes one code of the longest length away and splits a shorter one in two, lowering the
    // Kraft sum by one unit until the code is complete again.
    int counts[2 * kLiteralCodes] = {};
    for (int i = 0; i < nLeaves; ++i)
        ++counts[std::min(depths[i], nMaxBits)];
    uint32_t nKraft = 0;
    for (int nBits = 1; nBits <= nMaxBits; ++nBits)
        nKraft += (uint32_t)counts[nBits] << (nMaxBits - nBits);
    while (nKraft > (1u << nMaxBits) && counts[nMaxBits] > 0) {
        int nBits = nMaxBits - 1;
        while (nBits > 0 && counts[nBits] == 0)
            --nBits;
        if (nBits == 0)
            break;
        --counts[nMaxBits];
        --counts[nBits];
        counts[nBits + 1] += 2;
        --nKraft;
    }
    // The longest codes go to the least frequent symbols.
    int nLeaf = 0;
    for (int nBits = nMaxBits; nBits >= 1; --nBits) {
        for (int k = 0; k < counts[nBits]; ++k)
            pLengths[symbols[nLeaf++]] = (uint8_t)nBits;
    }
}

// Canonical codes for the lengths (RFC 1951, 3.2.2), bit-reversed for sending.
void CDeflater::BuildCodes(const uint8_t* pLengths, int nSymbols, Code* pCodes)
{
    int counts[kMaxCodeBits + 1] = {};
    for (int i = 0; i < nSymbols; ++i)
        ++counts[pLengths[i]];
    counts[0] = 0;
    uint32_t nextCode[kMaxCodeBits + 1] = {};
    uint32_t nCode = 0;
    for (int nBits = 1; nBits <= kMaxCodeBits; ++nBits) {
        nCode = (nCode + counts[nBits - 1]) << 1;
        nextCode[nBits] = nCode;
    }
    for (int i = 0; i < nSymbols; ++i) {
        const int nLength = pLengths[i];
        pCodes[i].nLength = (uint8_t)nLength;
        pCodes[i].nBits = 0;
        if (!nLength)
            continue;
        uint32_t n = nextCode[nLength]++;
        uint32_t nReversed = 0;
        for (int b = 0; b < nLength; ++b, n >>= 1)
            nReversed = (nReversed << 1) | (n & 1);
        pCodes[i].nBits = (uint16_t)nReversed;
    }
}
