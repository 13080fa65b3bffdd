#include "codecs/zmbv/CZmbvCodec.h"

#include <stddef.h>
#include <string.h>

namespace {
const LONG kMaxDimension = 16384;
const DWORD kMaxQuality = 10000;
const DWORD kMaxZlibLevel = 9;
// The strongest of zlib's fast levels: on screen recordings about a fifth smaller than level 1
// for the same time on ordinary frames; only full-screen changes take longer.
const DWORD kDefaultZlibLevel = 3;
const DWORD kDefaultSearchRange = 32;
const WCHAR kName[] = L"(Orvane) ZMBV";
const WCHAR kDescription[] = L"(Orvane) Lossless Screen Codec ZMBV";

LONG AbsHeight(const BITMAPINFOHEADER* pHeader)
{
    return pHeader->biHeight < 0 ? -pHeader->biHeight : pHeader->biHeight;
}
} // namespace

CZmbvCodec::CZmbvCodec()
    : m_state(DefaultState()), m_nWidth(0), m_nHeight(0), m_bBottomUp(true), m_dwQuality(kMaxQuality)
{
}

ZmbvState CZmbvCodec::DefaultState()
{
    ZmbvState state;
    state.dwMagic = ZmbvCodecStateMagic;
    state.dwVersion = ZmbvCodecStateVersion;
    state.dwZlibLevel = kDefaultZlibLevel;
    state.dwSearchRange = kDefaultSearchRange;
    return state;
}

LRESULT CZmbvCodec::GetInfo(ICINFO* pInfo, DWORD cbInfo)
{
    if (!pInfo)
        return sizeof(ICINFO);
    ICINFO info;
    memset(&info, 0, sizeof(info));
    info.dwSize = sizeof(ICINFO);
    info.fccType = ICTYPE_VIDEO;
    info.fccHandler = ZmbvHandler;
    // The compressor keeps its own previous frame and accepts (and ignores, being lossless)
    // any quality.
    info.dwFlags = VIDCF_TEMPORAL | VIDCF_FASTTEMPORALC | VIDCF_QUALITY;
    info.dwVersion = 1;
    info.dwVersionICM = ICVERSION;
    memcpy(info.szName, kName, sizeof(kName));
    memcpy(info.szDescription, kDescription, sizeof(kDescription));
    DWORD cbCopy = cbInfo < sizeof(info) ? cbInfo : (DWORD)sizeof(info);
    memcpy(pInfo, &info, cbCopy);
    return cbCopy;
}

LRESULT CZmbvCodec::GetState(void* pState, DWORD cbState) const
{
    if (!pState)
        return sizeof(ZmbvState);
    if (cbState < sizeof(ZmbvState))
        return 0;
    memcpy(pState, &m_state, sizeof(ZmbvState));
    return sizeof(ZmbvState);
}

LRESULT CZmbvCodec::SetState(const void* pState, DWORD cbState)
{
    if (!pState) {
        m_state = DefaultState();
        return 0;
    }
    // A blob of another size, kind or version is not ours to interpret: keep the settings.
    if (cbState != sizeof(ZmbvState))
        return 0;
    ZmbvState state;
    memcpy(&state, pState, sizeof(state));
    if (state.dwMagic != ZmbvCodecStateMagic || state.dwVersion != ZmbvCodecStateVersion || state.dwZlibLevel < 1 ||
        state.dwZlibLevel > kMaxZlibLevel || state.dwSearchRange > (DWORD)CZmbvEncoder::MaxVector)
        return 0;
    m_state = state;
    return sizeof(ZmbvState);
}

bool CZmbvCodec::IsAcceptedInput(const BITMAPINFOHEADER* pIn)
{
    return pIn && pIn->biSize >= sizeof(BITMAPINFOHEADER) && pIn->biCompression == BI_RGB && pIn->biBitCount == 32 &&
           pIn->biPlanes == 1 && pIn->biWidth > 0 && pIn->biWidth <= kMaxDimension && pIn->biHeight != 0 &&
           pIn->biHeight >= -kMaxDimension && pIn->biHeight <= kMaxDimension;
}

LRESULT CZmbvCodec::CompressQuery(const BITMAPINFOHEADER* pIn, const BITMAPINFOHEADER* pOut) const
{
    if (!IsAcceptedInput(pIn))
        return ICERR_BADFORMAT;
    if (pOut && (pOut->biCompression != ZmbvHandler || pOut->biWidth != pIn->biWidth ||
                 AbsHeight(pOut) != AbsHeight(pIn) || pOut->biBitCount != 32))
        return ICERR_BADFORMAT;
    return ICERR_OK;
}

LRESULT CZmbvCodec::CompressGetFormat(const BITMAPINFOHEADER* pIn, BITMAPINFOHEADER* pOut) const
{
    // Asked for the size, a refused input has no format at all.
    if (!IsAcceptedInput(pIn))
        return pOut ? ICERR_BADFORMAT : 0;
    if (!pOut)
        return sizeof(BITMAPINFOHEADER);
    memset(pOut, 0, sizeof(BITMAPINFOHEADER));
    pOut->biSize = sizeof(BITMAPINFOHEADER);
    pOut->biWidth = pIn->biWidth;
    pOut->biHeight = AbsHeight(pIn); // frames are stored top row first
    pOut->biPlanes = 1;
    pOut->biBitCount = 32;
    pOut->biCompression = ZmbvHandler;
    pOut->biSizeImage = CZmbvEncoder::MaxFrameSize(pIn->biWidth, AbsHeight(pIn));
    return ICERR_OK;
}

LRESULT CZmbvCodec::CompressGetSize(const BITMAPINFOHEADER* pIn, const BITMAPINFOHEADER* pOut) const
{
    if (CompressQuery(pIn, pOut) != ICERR_OK)
        return 0;
    return CZmbvEncoder::MaxFrameSize(pIn->biWidth, AbsHeight(pIn));
}

LRESULT CZmbvCodec::CompressFramesInfo(const ICCOMPRESSFRAMES* pFrames, DWORD cbFrames)
{
    // Only the quality is of interest; callers that size the record for 32-bit pointers
    // still reach it.
    if (!pFrames || cbFrames < offsetof(ICCOMPRESSFRAMES, lQuality) + sizeof(pFrames->lQuality))
        return ICERR_BADPARAM;
    if (pFrames->lQuality >= 0 && (DWORD)pFrames->lQuality <= kMaxQuality)
        m_dwQuality = (DWORD)pFrames->lQuality;
    return ICERR_OK;
}

LRESULT CZmbvCodec::CompressBegin(const BITMAPINFOHEADER* pIn, const BITMAPINFOHEADER* pOut)
{
    LRESULT nResult = CompressQuery(pIn, pOut);
    if (nResult != ICERR_OK)
        return nResult;
    if (!m_encoder.Begin(pIn->biWidth, AbsHeight(pIn), (int)m_state.dwZlibLevel, (int)m_state.dwSearchRange))
        return ICERR_MEMORY;
    m_nWidth = pIn->biWidth;
    m_nHeight = AbsHeight(pIn);
    m_bBottomUp = pIn->biHeight > 0;
    return ICERR_OK;
}

LRESULT CZmbvCodec::Compress(ICCOMPRESS* pCompress, DWORD cbCompress)
{
    if (!pCompress || cbCompress < sizeof(ICCOMPRESS) || !pCompress->lpInput || !pCompress->lpOutput ||
        !pCompress->lpbiOutput)
        return ICERR_BADPARAM;
    const BITMAPINFOHEADER* pIn = pCompress->lpbiInput;
    if (!IsAcceptedInput(pIn))
        return ICERR_BADFORMAT;
    // Callers that skip the begin message, or change the size, get a fresh sequence.
    if (!m_encoder.IsStarted() || pIn->biWidth != m_nWidth || AbsHeight(pIn) != m_nHeight ||
        (pIn->biHeight > 0) != m_bBottomUp) {
        LRESULT nResult = CompressBegin(pIn, nullptr);
        if (nResult != ICERR_OK)
            return nResult;
    }
    bool bKey = false;
    DWORD cbFrame =
        m_encoder.EncodeFrame(static_cast<const BYTE*>(pCompress->lpInput), m_bBottomUp, pCompress->lFrameNum,
                              (pCompress->dwFlags & ICCOMPRESS_KEYFRAME) != 0, static_cast<BYTE*>(pCompress->lpOutput),
                              CZmbvEncoder::MaxFrameSize(m_nWidth, m_nHeight), &bKey);
    if (cbFrame == 0)
        return ICERR_INTERNAL;
    pCompress->lpbiOutput->biSizeImage = cbFrame;
    if (pCompress->lpdwFlags)
        *pCompress->lpdwFlags = bKey ? AVIIF_KEYFRAME : 0;
    return ICERR_OK;
}

LRESULT CZmbvCodec::CompressEnd()
{
    m_encoder.End();
    return ICERR_OK;
}

LRESULT CZmbvCodec::GetDefaultKeyFrameRate(DWORD* pdwRate) const
{
    if (!pdwRate)
        return ICERR_BADPARAM;
    *pdwRate = ZmbvDefaultKeyFrameRate;
    return ICERR_OK;
}

LRESULT CZmbvCodec::GetDefaultQuality(DWORD* pdwQuality) const
{
    if (!pdwQuality)
        return ICERR_BADPARAM;
    *pdwQuality = kMaxQuality;
    return ICERR_OK;
}

LRESULT CZmbvCodec::GetQuality(DWORD* pdwQuality) const
{
    if (!pdwQuality)
        return ICERR_BADPARAM;
    *pdwQuality = m_dwQuality;
    return ICERR_OK;
}

LRESULT CZmbvCodec::SetQuality(DWORD dwQuality)
{
    if (dwQuality > kMaxQuality)
        return ICERR_BADPARAM;
    m_dwQuality = dwQuality;
    return ICERR_OK;
}
