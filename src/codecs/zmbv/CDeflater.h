#pragma once
#include <windows.h>
#include <stdint.h>

#include <vector>

// A raw deflate stream (RFC 1951) written one call at a time, each call's data ending in a sync
// flush, so that a decoder inflating call by call gets each call's bytes back whole. Matches
// reach back into earlier calls' data as far as the 32 KB window allows.
//
// Greedy matching along hash chains, as zlib's fast levels do, but with positions that never
// need sliding and matches extended eight bytes at a time: screen differences are mostly long
// runs, where zlib spends its time comparing byte by byte and sliding its tables.
class CDeflater
{
public:
    enum { WindowSize = 32768, MinMatch = 3, MaxMatch = 258 };

    CDeflater();
    CDeflater(const CDeflater&) = delete;
    CDeflater& operator=(const CDeflater&) = delete;

    // Levels 1 to 3 trade speed for size as zlib's levels 1 to 3 do. cbMaxInput is the most
    // one call may pass.
    bool Begin(int nLevel, DWORD cbMaxInput);
    void End();
    // The next call starts a new stream: nothing before it may be referenced.
    void Reset();
    // Returns the bytes written to pOut, 0 when they do not fit in cbOut (the stream is then
    // broken: Reset before the next call).
    DWORD Compress(const BYTE* pData, DWORD cbData, BYTE* pOut, DWORD cbOut);
    // The same in two steps, for data made in place: where the next call's data (at most the
    // size given to Begin) is to be written, then the call for the cbData bytes written there.
    BYTE* PrepareInput();
    DWORD CompressPrepared(DWORD cbData, BYTE* pOut, DWORD cbOut);

private:
    struct Token
    {
        uint16_t nLength; // 0 for a literal
        uint16_t nValue;  // the literal byte, or the distance
    };
    struct Code
    {
        uint16_t nBits; // bit-reversed, ready to be sent first bit first
        uint8_t nLength;
    };
    class CBitWriter;

    void Insert(uint32_t nPos);
    uint32_t Hash(const BYTE* p) const;
    int FindMatch(uint32_t nPos, uint32_t nEnd, uint32_t* pnDistance) const;
    void Rebase();
    bool FlushBlock(CBitWriter& writer, const BYTE* pRaw, DWORD cbRaw);
    static void BuildLengths(const uint32_t* pFreqs, int nSymbols, int nMaxBits, uint8_t* pLengths);
    static void BuildCodes(const uint8_t* pLengths, int nSymbols, Code* pCodes);

    int m_nMaxChain = 32;
    int m_nNiceLength = 32;
    int m_nMaxInsert = 6;

    std::vector<BYTE> m_buffer;   // the window carried over, then the call's data
    uint32_t m_cbBuffer = 0;      // bytes of m_buffer in use
    uint32_t m_cbHistory = 0;     // bytes of m_buffer that came from earlier calls
    uint32_t m_nBase = 0;         // stream position of m_buffer[0]
    std::vector<uint32_t> m_head; // per hash: stream position + 1 of the latest string, 0 none
    std::vector<uint32_t> m_prev; // per position in the window: the one before with its hash
    std::vector<Token> m_tokens;
};
