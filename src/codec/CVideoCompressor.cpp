#include "codec/CVideoCompressor.h"

#include "base/DibStride.h"

#include <cstdint>
#include <cstring>

namespace {

const DWORD kHandlerHuffyuv = mmioFOURCC('H', 'F', 'Y', 'U');
const DWORD kDroppingCodes[] = {mmioFOURCC('D', 'X', '5', '0'), mmioFOURCC('d', 'x', '5', '0'),
                                mmioFOURCC('X', 'V', 'I', 'D'), mmioFOURCC('x', 'v', 'i', 'd')};
const BYTE kDroppedFrameByte = 0x7F;
const int kDefaultQuality = 75;
const DWORD kDefaultDataRate = 1000000;
const int kQualityStep = 1000;
const int kMarkNudge = 100;
const DWORD kFirstFrameSize = 0xFFFFFF;
const LONG kFramesInfoCount = 0x0FFFFFFF;
const int kCatalogueProbeLimit = 4096;
// A compressor's settings blob; anything larger is not a state but a wrong answer.
const LONG kMaxStateSize = 1024 * 1024;

// A compressor's answer read as the signed 32-bit value it is. The size macros cast it to DWORD,
// which in a 64-bit process turns an error code such as ICERR_UNSUPPORTED into a size of 4 GB.
LONG Answer(LRESULT nResult)
{
    return static_cast<LONG>(static_cast<DWORD>(nResult));
}

DWORD AbsHeight(const BITMAPINFOHEADER* pHeader)
{
    return static_cast<DWORD>(pHeader->biHeight < 0 ? -pHeader->biHeight : pHeader->biHeight);
}

bool HasFlag(DWORD dwFlags, DWORD dwFlag)
{
    return (dwFlags & dwFlag) != 0;
}

// Keeps the first three bytes of each 32-bit pixel: four pixels (16 bytes, read as two 64-bit
// words) become 12 bytes, stored as one 64-bit and one 32-bit word; the last pixels of the row
// one by one.
void ConvertRow32To24(const BYTE* pSrc, BYTE* pDst, LONG nWidth)
{
    LONG x = 0;
    for (; x + 4 <= nWidth; x += 4, pSrc += 16, pDst += 12) {
        uint64_t p01, p23;
        std::memcpy(&p01, pSrc, 8);
        std::memcpy(&p23, pSrc + 8, 8);
        const uint64_t q0 = (p01 & 0xFFFFFFull) | ((p01 >> 8) & 0xFFFFFF000000ull) | (p23 << 48);
        const uint32_t q1 = static_cast<uint32_t>(((p23 >> 16) & 0xFFu) | ((p23 >> 24) & 0xFFFFFF00u));
        std::memcpy(pDst, &q0, 8);
        std::memcpy(pDst + 8, &q1, 4);
    }
    for (; x < nWidth; ++x, pSrc += 4, pDst += 3) {
        pDst[0] = pSrc[0];
        pDst[1] = pSrc[1];
        pDst[2] = pSrc[2];
    }
}

int Distance(int nA, int nB)
{
    return nA > nB ? nA - nB : nB - nA;
}

} // namespace

CVideoCompressor::~CVideoCompressor()
{
    End();
    CloseCompressor();
}

bool CVideoCompressor::SetInputFormat(const BITMAPINFOHEADER* pHeader, int nSize)
{
    // The running sequence compresses from this format on the capture thread.
    if (m_bStarted || !pHeader || nSize < static_cast<int>(sizeof(BITMAPINFOHEADER)))
        return false;
    const BYTE* pBytes = reinterpret_cast<const BYTE*>(pHeader);
    m_inputFormat.assign(pBytes, pBytes + nSize);
    return true;
}

int CVideoCompressor::GetKeyFrameRate() const
{
    if (m_nKeyFrameOverride != 0)
        return m_nKeyFrameOverride;
    if (m_hIC) {
        DWORD dwRate = 0;
        ICSendMessage(m_hIC, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<DWORD_PTR>(&dwRate), 0);
        if (static_cast<int>(dwRate) > 0)
            return static_cast<int>(dwRate);
    }
    if (m_dwScale == 0)
        return 0;
    return static_cast<int>(m_dwRate * 10 / m_dwScale);
}

int CVideoCompressor::GetQuality() const
{
    if (m_nQualityOverride != 0)
        return m_nQualityOverride;
    if (!m_hIC)
        return kDefaultQuality;
    DWORD dwQuality = 0;
    ICSendMessage(m_hIC, ICM_GETDEFAULTQUALITY, reinterpret_cast<DWORD_PTR>(&dwQuality), 0);
    if (static_cast<int>(dwQuality) > 0)
        return static_cast<int>(dwQuality);
    return kDefaultQuality;
}

DWORD CVideoCompressor::GetDataRate() const
{
    if (m_nDataRateOverride != 0)
        return static_cast<DWORD>(m_nDataRateOverride);
    if (!InputHeader())
        return kDefaultDataRate;
    if (m_dwScale == 0)
        return 0;
    const long long nBitsPerFrame =
        static_cast<long long>(InputHeader()->biWidth) * InputHeader()->biHeight * InputHeader()->biBitCount;
    const DWORD dwBits = static_cast<DWORD>(nBitsPerFrame < 0 ? -nBitsPerFrame : nBitsPerFrame);
    return dwBits * m_dwRate / m_dwScale;
}

bool CVideoCompressor::BuildCatalogue(std::vector<std::string>& names)
{
    names.clear();
    if (!InputHeader())
        return false;
    End();
    m_catalogue.clear();
    if (InputHeader()->biBitCount >= 24)
        m_catalogue.push_back(CCodecEntry::PassThrough());

    HIC hProbe = nullptr;
    for (int i = 0; i < kCatalogueProbeLimit; ++i) {
        ICINFO info;
        std::memset(&info, 0, sizeof(info));
        info.dwSize = sizeof(info);
        if (!ICInfo(ICTYPE_VIDEO, static_cast<DWORD>(i), &info))
            break;
        if (hProbe)
            ICClose(hProbe);
        hProbe = ICOpen(info.fccType, info.fccHandler, ICMODE_COMPRESS);
        if (!hProbe)
            continue;
        ICGetInfo(hProbe, &info, sizeof(info));
        if (info.fccType != ICTYPE_VIDEO || FindByHandler(info.fccHandler) >= 0)
            continue;
        if (ICCompressQuery(hProbe, InputHeader(), nullptr) == ICERR_OK)
            m_catalogue.push_back(CCodecEntry(info));
    }
    if (hProbe)
        ICClose(hProbe);
    CloseCompressor();

    for (const CCodecEntry& entry : m_catalogue) {
        char szName[sizeof(entry.m_info.szDescription)];
        if (!WideCharToMultiByte(CP_ACP, 0, entry.m_info.szDescription, -1, szName, sizeof(szName), nullptr, nullptr))
            szName[0] = '\0';
        names.push_back(szName);
    }
    return true;
}

int CVideoCompressor::FindByHandler(DWORD fccHandler) const
{
    for (size_t i = 0; i < m_catalogue.size(); ++i) {
        if (m_catalogue[i].Type() == ICTYPE_VIDEO && m_catalogue[i].Handler() == fccHandler)
            return static_cast<int>(i);
    }
    return -1;
}

bool CVideoCompressor::Select(int nIndex)
{
    if (nIndex < 0 || nIndex >= CatalogueSize())
        return false;
    End();
    CloseCompressor();
    m_selected = m_catalogue[nIndex];
    m_bSelected = true;
    if (m_selected.IsPassThrough())
        return true;
    m_hIC = ICOpen(m_selected.Type(), m_selected.Handler(), ICMODE_COMPRESS);
    return m_hIC != nullptr;
}

void CVideoCompressor::CloseCompressor()
{
    if (m_hIC)
        ICClose(m_hIC);
    m_hIC = nullptr;
}

bool CVideoCompressor::CanConfigure() const
{
    return m_hIC && ICQueryConfigure(m_hIC);
}

bool CVideoCompressor::Configure(HWND hParent)
{
    return m_hIC && ICConfigure(m_hIC, hParent) == ICERR_OK;
}

bool CVideoCompressor::About(HWND hParent)
{
    return m_hIC && ICAbout(m_hIC, hParent) == ICERR_OK;
}

bool CVideoCompressor::IsPassThroughInput() const
{
    return m_bSelected && m_selected.IsPassThrough() && InputHeader() &&
           (InputHeader()->biBitCount == 24 || InputHeader()->biBitCount == 32);
}

DWORD CVideoCompressor::InputImageSize() const
{
    if (InputHeader()->biSizeImage != 0)
        return InputHeader()->biSizeImage;
    return DibRowStride(InputHeader()->biBitCount, InputHeader()->biWidth) * AbsHeight(InputHeader());
}

// ---------------------------------------------------------------------------------------------
// Sequence start and end

bool CVideoCompressor::Begin()
{
    End();
    m_guard.Reset();
    if (!InputHeader() || m_dwRate == 0 || m_dwScale == 0)
        return false;
    bool bStarted = false;
    if (m_hIC)
        bStarted = m_guard.Run(CCodecGuard::STAGE_BEGIN, [this] { return BeginWithCompressor(); });
    else if (m_bSelected && m_selected.IsPassThrough() && InputHeader()->biBitCount >= 24)
        bStarted = BeginPassThrough();
    if (!bStarted) {
        ReleaseSequenceBuffers();
        return false;
    }
    StartSequenceState();
    return true;
}

void CVideoCompressor::StartSequenceState()
{
    m_bStarted = true;
    m_bLastKey = false;
    m_nKeyCountdown = 1;
    m_nFrameNum = 0;
    m_nBalance = 0;
    m_nKeyBalance = 0;
    m_nQualityLow = 0;
    m_nQualityCurrent = kQualityMax;
    m_nQualityHigh = kQualityMax;
    m_dwLastFrameSize = 0;
    m_nLastTarget = 0;
}

bool CVideoCompressor::BeginPassThrough()
{
    m_outputFormat.assign(sizeof(BITMAPINFOHEADER), 0);
    m_nOutputFormatSize = sizeof(BITMAPINFOHEADER);
    OutputHeader()->biSize = sizeof(BITMAPINFOHEADER);
    OutputHeader()->biWidth = InputHeader()->biWidth;
    OutputHeader()->biHeight = InputHeader()->biHeight;
    OutputHeader()->biPlanes = 1;
    OutputHeader()->biBitCount = 24;
    OutputHeader()->biCompression = BI_RGB;
    OutputHeader()->biSizeImage = AbsHeight(InputHeader()) * DibRowStride(24, InputHeader()->biWidth);
    m_dwMaxFrameSize = OutputHeader()->biSizeImage;
    m_output.assign(m_dwMaxFrameSize ? m_dwMaxFrameSize : 1, 0);
    m_nKeyInterval = GetKeyFrameRate();
    m_nQuality = GetQuality();
    m_nTargetBytes = 0;
    return true;
}

// The size of the compressor's state, 0 when it keeps none (it then answers ICERR_UNSUPPORTED).
LRESULT CVideoCompressor::StateSize() const
{
    const LONG nSize = Answer(ICGetStateSize(m_hIC));
    return nSize > 0 && nSize <= kMaxStateSize ? nSize : 0;
}

void CVideoCompressor::RestoreEntryState()
{
    const LRESULT nStateSize = StateSize();
    if (nStateSize > 0) {
        m_selected.m_state.resize(static_cast<size_t>(nStateSize));
        ICGetState(m_hIC, m_selected.m_state.data(), static_cast<DWORD>(nStateSize));
    }
    if (!m_selected.m_state.empty())
        ICSetState(m_hIC, m_selected.m_state.data(), static_cast<DWORD>(m_selected.m_state.size()));
}

bool CVideoCompressor::AllocateOutputFormat()
{
    const LONG nFormatSize = Answer(ICCompressGetFormatSize(m_hIC, InputHeader()));
    if (nFormatSize <= 0)
        return false;
    size_t cbAlloc = static_cast<size_t>(nFormatSize);
    if (cbAlloc < sizeof(BITMAPINFOHEADER))
        cbAlloc = sizeof(BITMAPINFOHEADER);
    m_outputFormat.assign(cbAlloc, 0);
    m_nOutputFormatSize = static_cast<int>(nFormatSize);
    return ICCompressGetFormat(m_hIC, InputHeader(), OutputHeader()) == ICERR_OK;
}

bool CVideoCompressor::AllocatePreviousFrame()
{
    const DWORD dwFlags = m_selected.Flags();
    if (!HasFlag(dwFlags, VIDCF_TEMPORAL) || HasFlag(dwFlags, VIDCF_FASTTEMPORALC))
        return true;
    m_prevFrame.assign(InputImageSize(), 0);
    return true;
}

bool CVideoCompressor::AllocateOutputBuffer()
{
    const LONG nSize = Answer(ICCompressGetSize(m_hIC, InputHeader(), OutputHeader()));
    if (nSize <= 0)
        return false;
    DWORD dwSize = static_cast<DWORD>(nSize);
    if (m_selected.Handler() == kHandlerHuffyuv) {
        const DWORD dwPixels = static_cast<DWORD>(InputHeader()->biWidth) * AbsHeight(InputHeader());
        const DWORD dwWorst = InputHeader()->biCompression == BI_RGB ? dwPixels * 51 / 8 : dwPixels * 43 / 8;
        if (dwSize < dwWorst)
            dwSize = dwWorst;
    }
    m_output.assign(dwSize, 0);
    m_dwMaxFrameSize = dwSize;
    return true;
}

void CVideoCompressor::SaveCompressorState()
{
    const LRESULT nStateSize = StateSize();
    if (nStateSize <= 0)
        return;
    m_savedState.assign(static_cast<size_t>(nStateSize), 0);
    if (ICGetState(m_hIC, m_savedState.data(), static_cast<DWORD>(nStateSize)) > 0)
        ICSetState(m_hIC, m_savedState.data(), static_cast<DWORD>(nStateSize));
}

void CVideoCompressor::SendFramesInfo()
{
    ICCOMPRESSFRAMES frames;
    std::memset(&frames, 0, sizeof(frames));
    // The flag word stays 0: an address of lKeyRate would not fit into it in a 64-bit process.
    frames.dwFlags = 0;
    frames.lStartFrame = 0;
    frames.lFrameCount = kFramesInfoCount;
    frames.lQuality = m_nQuality;
    frames.lDataRate = static_cast<LONG>(GetDataRate());
    frames.lKeyRate = m_nKeyInterval;
    frames.dwRate = m_dwRate;
    frames.dwScale = m_dwScale;
    ICSendMessage(m_hIC, ICM_COMPRESS_FRAMES_INFO, reinterpret_cast<DWORD_PTR>(&frames), sizeof(frames));
}

bool CVideoCompressor::BeginWithCompressor()
{
    RestoreEntryState();
    if (ICCompressQuery(m_hIC, InputHeader(), nullptr) != ICERR_OK)
        return false;
    if (!AllocateOutputFormat() || !AllocatePreviousFrame() || !AllocateOutputBuffer())
        return false;
    SaveCompressorState();

    m_nKeyInterval = GetKeyFrameRate();
    m_nQuality = GetQuality();
    const DWORD dwDataRate = GetDataRate();
    const int nMicrosPerFrame = MulDiv(1000000, static_cast<int>(m_dwScale), static_cast<int>(m_dwRate));
    m_nTargetBytes = 0;
    if (static_cast<int>(dwDataRate) > 0 && HasFlag(m_selected.Flags(), VIDCF_QUALITY | VIDCF_CRUNCH))
        m_nTargetBytes = MulDiv(static_cast<int>(dwDataRate), nMicrosPerFrame, 1000000);

    SendFramesInfo();
    if (ICCompressBegin(m_hIC, InputHeader(), OutputHeader()) != ICERR_OK)
        return false;
    if (!m_prevFrame.empty() && ICDecompressBegin(m_hIC, OutputHeader(), InputHeader()) != ICERR_OK) {
        ICCompressEnd(m_hIC);
        return false;
    }
    return true;
}

void CVideoCompressor::End()
{
    if (!m_bStarted)
        return;
    if (m_hIC && !m_guard.HasFaulted()) {
        m_guard.Run(CCodecGuard::STAGE_END, [this] {
            if (!m_prevFrame.empty())
                ICDecompressEnd(m_hIC);
            ICCompressEnd(m_hIC);
            if (!m_savedState.empty())
                ICSetState(m_hIC, m_savedState.data(), static_cast<DWORD>(m_savedState.size()));
            return true;
        });
    }
    ReleaseSequenceBuffers();
    m_bStarted = false;
}

void CVideoCompressor::ReleaseSequenceBuffers()
{
    m_outputFormat.clear();
    m_nOutputFormatSize = 0;
    m_output.clear();
    m_dwMaxFrameSize = 0;
    m_dwLastFrameSize = 0;
    m_prevFrame.clear();
    m_savedState.clear();
}

// ---------------------------------------------------------------------------------------------
// Per-frame work

bool CVideoCompressor::CompressFrame(const void* pBits)
{
    if (!m_bStarted || !pBits)
        return false;
    if (m_hIC)
        return !m_guard.HasFaulted() &&
               m_guard.Run(CCodecGuard::STAGE_FRAME, [this, pBits] { return CompressWithCompressor(pBits); });
    return CompressPassThrough(pBits, m_output.data());
}

bool CVideoCompressor::CanCompressInto() const
{
    return m_bStarted && !m_hIC && IsPassThroughInput() && !m_output.empty();
}

bool CVideoCompressor::CompressFrameInto(const void* pBits, BYTE* pOut)
{
    if (!CanCompressInto() || !pBits || !pOut)
        return false;
    return CompressPassThrough(pBits, pOut);
}

bool CVideoCompressor::CompressPassThrough(const void* pBits, BYTE* pOut)
{
    if (!IsPassThroughInput() || !pOut)
        return false;
    const int nBits = InputHeader()->biBitCount;
    const DWORD dwInStride = DibRowStride(nBits, InputHeader()->biWidth);
    const DWORD dwOutStride = DibRowStride(24, InputHeader()->biWidth);
    const DWORD dwRows = AbsHeight(InputHeader());
    const LONG nWidth = InputHeader()->biWidth;
    // Both formats carry the same height sign, so row i of one is row i of the other in memory.
    const BYTE* pIn = static_cast<const BYTE*>(pBits);
    for (DWORD nRow = 0; nRow < dwRows; ++nRow, pIn += dwInStride, pOut += dwOutStride) {
        if (nBits == 24) {
            std::memcpy(pOut, pIn, dwOutStride < dwInStride ? dwOutStride : dwInStride);
            continue;
        }
        ConvertRow32To24(pIn, pOut, nWidth);
        // The row's padding bytes are written too, so that the file never holds stale memory.
        for (DWORD nPad = static_cast<DWORD>(nWidth) * 3; nPad < dwOutStride; ++nPad)
            pOut[nPad] = 0;
    }
    m_bLastKey = true;
    m_dwLastFrameSize = OutputHeader()->biSizeImage;
    ++m_nFrameNum;
    return true;
}

bool CVideoCompressor::CompressOnce(const void* pBits, bool bForcedKey, int nQuality, DWORD dwFrameSize)
{
    DWORD dwCkid = 0;
    m_dwOutFlags = bForcedKey ? AVIIF_KEYFRAME : 0;
    const DWORD dwSizeBefore = OutputHeader()->biSizeImage;
    const bool bWithPrevious = !bForcedKey && !m_prevFrame.empty();
    const DWORD dwResult =
        ICCompress(m_hIC, bForcedKey ? ICCOMPRESS_KEYFRAME : 0, OutputHeader(), m_output.data(), InputHeader(),
                   const_cast<void*>(pBits), &dwCkid, &m_dwOutFlags, m_nFrameNum,
                   m_nFrameNum == 0 ? kFirstFrameSize : dwFrameSize, static_cast<DWORD>(nQuality),
                   bWithPrevious ? InputHeader() : nullptr, bWithPrevious ? m_prevFrame.data() : nullptr);
    m_dwLastResultSize = OutputHeader()->biSizeImage;
    OutputHeader()->biSizeImage = dwSizeBefore;
    // A compressor claiming more than the buffer it was given would make readers overrun it.
    return dwResult == ICERR_OK && m_dwLastResultSize <= m_dwMaxFrameSize;
}

bool CVideoCompressor::BinarySearch(const void* pBits, int nLo, int nHi, int nTarget, int nTolerance, int& nMid)
{
    while (nLo <= nHi) {
        nMid = (nLo + nHi) / 2;
        if (!CompressOnce(pBits, false, nMid, 0))
            return false;
        const int nError = static_cast<int>(m_dwLastResultSize) - nTarget;
        if (nError < -nTolerance)
            nLo = nMid + 1;
        else if (nError <= nTolerance)
            break;
        else
            nHi = nMid - 1;
    }
    return true;
}

bool CVideoCompressor::SearchUpward(const void* pBits, int nTarget, int nTolerance)
{
    if (!CompressOnce(pBits, false, m_nQualityHigh, 0))
        return false;
    int nSize = static_cast<int>(m_dwLastResultSize);
    if (Distance(nSize, nTarget) <= nTolerance) {
        m_nQualityCurrent = m_nQualityHigh;
        m_nQualityHigh = (m_nQualityHigh + kQualityMax + 1) >> 1;
        return true;
    }
    if (nSize < nTarget) {
        m_nQualityCurrent = m_nQualityHigh;
        m_nQualityHigh = kQualityMax;
    }
    if (m_nQualityHigh > m_nQualityCurrent + kQualityStep)
        m_nQualityHigh = m_nQualityCurrent + kQualityStep;
    int nMid = m_nQualityCurrent;
    if (!BinarySearch(pBits, m_nQualityCurrent, m_nQualityHigh, nTarget, nTolerance, nMid))
        return false;
    if (2 * nMid > m_nQualityHigh + m_nQualityCurrent)
        m_nQualityHigh += kMarkNudge;
    else
        m_nQualityHigh -= kMarkNudge;
    if (nMid + kMarkNudge >= m_nQualityHigh)
        m_nQualityHigh = nMid + kMarkNudge;
    if (m_nQualityHigh > kQualityMax)
        m_nQualityHigh = kQualityMax;
    m_nQualityCurrent = nMid;
    return true;
}

bool CVideoCompressor::SearchDownward(const void* pBits, int nTarget, int nTolerance)
{
    if (!CompressOnce(pBits, false, m_nQualityLow, 0))
        return false;
    int nSize = static_cast<int>(m_dwLastResultSize);
    if (Distance(nSize, nTarget) * 20 <= nTarget) {
        m_nQualityCurrent = m_nQualityLow;
        m_nQualityLow = m_nQualityLow >> 1;
        return true;
    }
    if (nSize > nTarget) {
        m_nQualityCurrent = m_nQualityLow;
        m_nQualityLow = 1;
    }
    if (m_nQualityLow < m_nQualityCurrent - kQualityStep)
        m_nQualityLow = m_nQualityCurrent - kQualityStep;
    int nMid = m_nQualityCurrent;
    if (!BinarySearch(pBits, m_nQualityLow, m_nQualityCurrent, nTarget, nTolerance, nMid))
        return false;
    if (2 * nMid < m_nQualityLow + m_nQualityCurrent)
        m_nQualityLow -= kMarkNudge;
    else
        m_nQualityLow += kMarkNudge;
    if (m_nQualityLow >= nMid - kMarkNudge)
        m_nQualityLow = nMid - kMarkNudge;
    if (m_nQualityLow < 1)
        m_nQualityLow = 1;
    m_nQualityCurrent = nMid;
    return true;
}

bool CVideoCompressor::SearchQuality(const void* pBits, bool bForcedKey, int nTarget)
{
    const int nTolerance = m_nTargetBytes / 20 + 1;
    if (!CompressOnce(pBits, bForcedKey, m_nQualityCurrent, 0))
        return false;
    const int nSize = static_cast<int>(m_dwLastResultSize);
    if (Distance(nSize, nTarget) <= nTolerance || bForcedKey)
        return true;
    if (nSize < nTarget)
        return SearchUpward(pBits, nTarget, nTolerance);
    return SearchDownward(pBits, nTarget, nTolerance);
}

bool CVideoCompressor::IsDroppedFrame() const
{
    if (m_dwLastResultSize != 1 || m_output[0] != kDroppedFrameByte)
        return false;
    for (DWORD dwCode : kDroppingCodes) {
        if (OutputHeader()->biCompression == dwCode)
            return true;
    }
    return false;
}

bool CVideoCompressor::DecompressIntoPrevious()
{
    // The decoder reads the compressed length from the format, so it carries this frame's size.
    const DWORD dwSizeBefore = OutputHeader()->biSizeImage;
    OutputHeader()->biSizeImage = m_dwLastResultSize;
    const DWORD dwFlags = HasFlag(m_dwOutFlags, AVIIF_KEYFRAME) ? 0 : ICDECOMPRESS_NOTKEYFRAME;
    const DWORD dwResult =
        ICDecompress(m_hIC, dwFlags, OutputHeader(), m_output.data(), InputHeader(), m_prevFrame.data());
    OutputHeader()->biSizeImage = dwSizeBefore;
    return dwResult == ICERR_OK;
}

void CVideoCompressor::UpdateBalances(bool bForcedKey)
{
    if (m_nTargetBytes <= 0)
        return;
    const int nSurplus = m_nTargetBytes - static_cast<int>(m_dwLastResultSize);
    if (bForcedKey && m_nKeyInterval > 0)
        m_nKeyBalance += nSurplus;
    else
        m_nBalance += nSurplus;
    if (m_nKeyInterval > 0 && m_nKeyCountdown != 0) {
        const int nShare = m_nKeyBalance / m_nKeyCountdown;
        m_nKeyBalance -= nShare;
        m_nBalance += nShare;
    }
}

bool CVideoCompressor::CompressWithCompressor(const void* pBits)
{
    if (m_output.empty() || m_outputFormat.empty())
        return false;
    const int nCountdownBefore = m_nKeyCountdown;
    bool bForcedKey = false;
    if (m_nKeyInterval > 0) {
        if (--m_nKeyCountdown <= 0) {
            bForcedKey = true;
            m_nKeyCountdown = m_nKeyInterval;
        }
    } else {
        bForcedKey = m_nFrameNum == 0;
    }

    int nTarget = 0;
    if (m_nTargetBytes > 0) {
        nTarget = m_nTargetBytes + (m_nBalance >> 2);
        if (nTarget < m_nTargetBytes / 2)
            nTarget = m_nTargetBytes / 2;
    }
    m_nLastTarget = nTarget;

    bool bOk;
    if (m_nTargetBytes <= 0 || HasFlag(m_selected.Flags(), VIDCF_CRUNCH))
        bOk = CompressOnce(pBits, bForcedKey, m_nQuality, static_cast<DWORD>(nTarget));
    else
        bOk = SearchQuality(pBits, bForcedKey, nTarget);
    if (!bOk) {
        m_nKeyCountdown = nCountdownBefore;
        return false;
    }

    if (IsDroppedFrame()) {
        m_nKeyCountdown = nCountdownBefore;
        m_bLastKey = false;
        m_dwLastFrameSize = 0;
        return true;
    }

    if (!m_prevFrame.empty() && (m_nKeyInterval == 0 || m_nKeyCountdown > 1) && !DecompressIntoPrevious())
        return false;

    ++m_nFrameNum;
    m_dwLastFrameSize = m_dwLastResultSize;
    UpdateBalances(bForcedKey);

    if (HasFlag(m_dwOutFlags, AVIIF_KEYFRAME)) {
        m_bLastKey = true;
        m_nKeyCountdown = m_nKeyInterval;
    } else {
        m_bLastKey = false;
    }
    return true;
}
