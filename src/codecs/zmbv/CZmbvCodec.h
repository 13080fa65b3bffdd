#pragma once
#include <windows.h>
#include <vfw.h>

#include "codecs/zmbv/CZmbvEncoder.h"

// Settings kept by the compression manager's state messages.
struct ZmbvState
{
    DWORD dwMagic;       // ZmbvCodecStateMagic
    DWORD dwVersion;     // ZmbvCodecStateVersion
    DWORD dwZlibLevel;   // 1..9
    DWORD dwSearchRange; // 0..63 pixels
};

const DWORD ZmbvCodecStateMagic = mmioFOURCC('Z', 'M', 'B', 's');
const DWORD ZmbvCodecStateVersion = 1;
const DWORD ZmbvHandler = mmioFOURCC('Z', 'M', 'B', 'V');
const DWORD ZmbvDefaultKeyFrameRate = 300;

// One open instance of the compressor: answers the compression manager's messages.
class CZmbvCodec
{
public:
    CZmbvCodec();

    static ZmbvState DefaultState();
    static LRESULT GetInfo(ICINFO* pInfo, DWORD cbInfo);
    LRESULT GetState(void* pState, DWORD cbState) const;
    LRESULT SetState(const void* pState, DWORD cbState);
    const ZmbvState& State() const { return m_state; }

    LRESULT CompressQuery(const BITMAPINFOHEADER* pIn, const BITMAPINFOHEADER* pOut) const;
    LRESULT CompressGetFormat(const BITMAPINFOHEADER* pIn, BITMAPINFOHEADER* pOut) const;
    LRESULT CompressGetSize(const BITMAPINFOHEADER* pIn, const BITMAPINFOHEADER* pOut) const;
    LRESULT CompressFramesInfo(const ICCOMPRESSFRAMES* pFrames, DWORD cbFrames);
    LRESULT CompressBegin(const BITMAPINFOHEADER* pIn, const BITMAPINFOHEADER* pOut);
    LRESULT Compress(ICCOMPRESS* pCompress, DWORD cbCompress);
    LRESULT CompressEnd();
    LRESULT GetDefaultKeyFrameRate(DWORD* pdwRate) const;
    LRESULT GetDefaultQuality(DWORD* pdwQuality) const;
    LRESULT GetQuality(DWORD* pdwQuality) const;
    LRESULT SetQuality(DWORD dwQuality);

private:
    static bool IsAcceptedInput(const BITMAPINFOHEADER* pIn);

    ZmbvState m_state;
    CZmbvEncoder m_encoder;
    LONG m_nWidth;
    LONG m_nHeight;
    bool m_bBottomUp;
    DWORD m_dwQuality;
};
