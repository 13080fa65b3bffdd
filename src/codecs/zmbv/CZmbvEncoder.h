#pragma once
#include <windows.h>
#include <zlib.h>
#include <stdint.h>

#include "codecs/zmbv/CDeflater.h"

// Zip Motion Block Video encoder, 32 bits per pixel. Frames are split into 16x16 blocks;
// each block is either unchanged, a copy of the previous frame at a motion vector, or such a
// copy XORed with the difference. One zlib stream runs across frames and restarts at key frames;
// at the fast levels its deflate data comes from our own deflater, at the others from zlib.
// The encoder keeps its own previous frame, so callers never pass one.
class CZmbvEncoder
{
public:
    enum {
        BlockSize = 16,
        KeyHeaderSize = 7,
        ZlibHeaderSize = 2,
        InterHeaderSize = 1,
        MaxVector = 63,
        MaxCommon = 3,
        MaxFound = 4
    };

    CZmbvEncoder();
    ~CZmbvEncoder();
    CZmbvEncoder(const CZmbvEncoder&) = delete;
    CZmbvEncoder& operator=(const CZmbvEncoder&) = delete;

    // Width and height in pixels (both > 0). Level is the deflate level 1..9; search range the
    // largest motion searched along the axes (0..63).
    bool Begin(int nWidth, int nHeight, int nLevel, int nSearchRange);
    void End();
    bool IsStarted() const { return m_pPrev != nullptr; }

    // Largest compressed frame for a size, header included.
    static DWORD MaxFrameSize(int nWidth, int nHeight);

    // Compresses one 32-bit frame whose rows are DWORD-packed, bottom-up when bBottomUp.
    // A frame with the same number as the previous call is a re-compression of that frame:
    // the same picture gives back the same bytes. Returns the compressed size, 0 on failure.
    DWORD EncodeFrame(const BYTE* pBits, bool bBottomUp, LONG nFrameNum, bool bWantKey, BYTE* pOut, DWORD cbOut,
                      bool* pbKeyFrame);

private:
    struct Vector
    {
        int nX;
        int nY;
    };
    struct Block
    {
        int nX;
        int nY;
        int nWidth;
        int nHeight;
    };

    void Release();
    void SetSource(const BYTE* pBits, bool bBottomUp);
    const uint32_t* CurRow(int nY) const;
    const uint32_t* PrevRow(int nY) const { return m_pPrev + (size_t)nY * m_nWidth; }
    bool IsRepeatOfLast(LONG nFrameNum, bool bWantKey) const;
    bool SourceMatchesReference() const;

    DWORD EncodeKeyFrame(BYTE* pOut, DWORD cbOut);
    DWORD EncodeInterFrame(BYTE* pOut, DWORD cbOut);
    void MarkChangedBlocks();
    DWORD Deflate(const BYTE* pData, DWORD cbData, BYTE* pOut, DWORD cbOut);
    void WriteZlibHeader(BYTE* pOut) const;

    Block BlockAt(int nBlockX, int nBlockY) const;
    bool BlockMatches(const Block& block, const Vector& mv) const;
    bool ProbesMatch(const Block& block, const Vector& mv) const;
    int CountDifferences(const Block& block, const Vector& mv, int nLimit) const;
    bool IsValidVector(const Block& block, const Vector& mv) const;
    // pXor receives the block's difference against its own place in the reference (the zero
    // vector), whichever vector is chosen.
    Vector ChooseVector(const Block& block, int nIndex, int* pnDiff, BYTE* pXor);
    bool SearchExact(const Block& block, Vector* pmv);
    bool TryExact(const Block& block, const Vector& mv, Vector* pmv);
    void RememberFound(const Vector& mv);
    BYTE* WriteXor(const Block& block, const Vector& mv, BYTE* pDst) const;
    // Writes the zero vector's difference and returns how many pixels differ.
    int XorInPlace(const Block& block, BYTE* pDst) const;
    void CopyBlockToPrev(const Block& block);
    void UpdateCommonVectors();

    int m_nWidth;
    int m_nHeight;
    int m_nBlocksX;
    int m_nBlocksY;
    int m_nLevel;
    int m_nSearchRange;
    z_stream m_zs;
    bool m_bZlibReady;
    CDeflater m_deflater;
    bool m_bOwnDeflater = false;

    uint32_t* m_pPrev; // previous frame, top-down
    BYTE* m_pWork;     // vectors and XOR data of one inter frame
    DWORD m_cbWork;
    Vector* m_pVectors;         // this frame's vector per block
    Vector* m_pLastVectors;     // previous frame's vector per block
    BYTE* m_pChanged;           // per block: 1 when it differs from the previous frame
    Vector m_common[MaxCommon]; // vectors most used in the previous frame
    int m_nCommon;
    Vector m_found[MaxFound]; // vectors the search found in this frame, latest first
    int m_nFound;
    long m_nSearchBudget;

    const BYTE* m_pSrc; // the frame being compressed
    bool m_bSrcBottomUp;

    bool m_bHaveLast;
    bool m_bNeedKey;
    LONG m_nLastFrame;
    bool m_bLastKey;
    BYTE* m_pLastOut; // bytes of the last frame, for re-compressions
    DWORD m_cbLastOut;
    DWORD m_cbLastOutMax;
};
