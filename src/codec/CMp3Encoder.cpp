#include "codec/CMp3Encoder.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const int kSupportedRates[] = {16000, 22050, 24000, 32000, 44100, 48000};
const int kMinBitrate[] = {40, 48, 56, 80, 96, 112};
const int kMaxBitrate[] = {160, 160, 160, 320, 320, 320};
const int kMpeg1Bitrates[] = {80, 96, 112, 128, 160, 192, 224, 256, 320};
const int kMpeg2Bitrates[] = {40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
const int kRateCount = sizeof(kSupportedRates) / sizeof(kSupportedRates[0]);
const int kMpeg1Count = sizeof(kMpeg1Bitrates) / sizeof(kMpeg1Bitrates[0]);
const int kMpeg2Count = sizeof(kMpeg2Bitrates) / sizeof(kMpeg2Bitrates[0]);
const int kHighestQualityIndex = 9;
const int kMpeg1RateAbove = 24000;
const WORD kFramesPerBlock = 1;

int NearestRateIndex(int nHz)
{
    int nBest = 0;
    for (int i = 1; i < kRateCount; ++i) {
        if (std::abs(kSupportedRates[i] - nHz) < std::abs(kSupportedRates[nBest] - nHz))
            nBest = i;
    }
    return nBest;
}

int DefaultBitrate(bool bMpeg1, int nQuality)
{
    if (bMpeg1)
        return kMpeg1Bitrates[8 - (8 * nQuality) / 9];
    return kMpeg2Bitrates[9 - nQuality];
}

int Clamp(int nValue, int nLow, int nHigh)
{
    if (nValue < nLow)
        return nLow;
    if (nValue > nHigh)
        return nHigh;
    return nValue;
}

// First table entry not below the value, unless the value is above them all.
int RoundUpToTable(int nValue, const int* pTable, int nCount)
{
    for (int i = 0; i < nCount; ++i) {
        if (pTable[i] >= nValue)
            return pTable[i];
    }
    return nValue;
}

// Last table entry not above the value, unless the value is below them all.
int RoundDownToTable(int nValue, const int* pTable, int nCount)
{
    for (int i = nCount - 1; i >= 0; --i) {
        if (pTable[i] <= nValue)
            return pTable[i];
    }
    return nValue;
}

bool ProgramDirectoryFile(const char* pszName, char* pszPath, DWORD cbPath)
{
    DWORD nLength = GetModuleFileNameA(nullptr, pszPath, cbPath);
    if (nLength == 0 || nLength >= cbPath)
        return false;
    char* pSlash = std::strrchr(pszPath, '\\');
    if (!pSlash)
        return false;
    pSlash[1] = '\0';
    if (std::strlen(pszPath) + std::strlen(pszName) >= cbPath)
        return false;
    std::strcat(pszPath, pszName);
    return true;
}

} // namespace

CMp3Encoder::CMp3Encoder() = default;

CMp3Encoder::~CMp3Encoder()
{
    End();
    Unload();
    FreeOutput();
}

bool CMp3Encoder::Load(const char* pszPath)
{
    Unload();
    if (pszPath)
        m_hModule.Reset(LoadLibraryA(pszPath));
    if (!m_hModule) {
        char szBeside[MAX_PATH];
        if (ProgramDirectoryFile("lame_enc.dll", szBeside, sizeof(szBeside)))
            m_hModule.Reset(LoadLibraryA(szBeside));
    }
    if (!m_hModule)
        m_hModule.Reset(LoadLibraryA("lame_enc.dll"));
    if (!m_hModule)
        return false;
    if (!ResolveEntryPoints()) {
        Unload();
        return false;
    }
    return true;
}

bool CMp3Encoder::ResolveEntryPoints()
{
    // GetProcAddress returns FARPROC; the casts go through void* to keep the compiler quiet.
    m_pfnInitStream = reinterpret_cast<mp3api::BeInitStreamFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule.Get(), "beInitStream")));
    m_pfnEncodeChunk = reinterpret_cast<mp3api::BeEncodeChunkFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule.Get(), "beEncodeChunk")));
    m_pfnDeinitStream = reinterpret_cast<mp3api::BeDeinitStreamFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule.Get(), "beDeinitStream")));
    m_pfnCloseStream = reinterpret_cast<mp3api::BeCloseStreamFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule.Get(), "beCloseStream")));
    m_pfnVersion =
        reinterpret_cast<mp3api::BeVersionFn>(reinterpret_cast<void*>(GetProcAddress(m_hModule.Get(), "beVersion")));
    m_pfnWriteVbrHeader = reinterpret_cast<mp3api::BeWriteVbrHeaderFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule.Get(), "beWriteVBRHeader")));
    m_pfnWriteInfoTag = reinterpret_cast<mp3api::BeWriteInfoTagFn>(
        reinterpret_cast<void*>(GetProcAddress(m_hModule.Get(), "beWriteInfoTag")));
    return m_pfnInitStream && m_pfnEncodeChunk && m_pfnDeinitStream && m_pfnCloseStream && m_pfnVersion &&
           m_pfnWriteVbrHeader && m_pfnWriteInfoTag;
}

void CMp3Encoder::Unload()
{
    // A stream must not outlive the code that runs it.
    End();
    m_hModule.Reset();
    m_pfnInitStream = nullptr;
    m_pfnEncodeChunk = nullptr;
    m_pfnDeinitStream = nullptr;
    m_pfnCloseStream = nullptr;
    m_pfnVersion = nullptr;
    m_pfnWriteVbrHeader = nullptr;
    m_pfnWriteInfoTag = nullptr;
}

void CMp3Encoder::SupportedRates(std::vector<int>& list)
{
    list.assign(kSupportedRates, kSupportedRates + kRateCount);
}

void CMp3Encoder::SetQuality(int nQuality)
{
    if (nQuality > kHighestQualityIndex)
        nQuality = kHighestQualityIndex;
    if (nQuality < 0)
        nQuality = 0;
    m_nQuality = nQuality;
}

DWORD CMp3Encoder::InputBlockBytes() const
{
    return m_waveFormat.nFramesPerBlock * m_dwSamplesPerChunk * 2;
}

bool CMp3Encoder::BuildConfig()
{
    std::memset(&m_config, 0, sizeof(m_config));
    mp3api::LameConfig& lame = m_config.format.LHV1;
    m_config.dwConfig = mp3api::kConfigLame;
    lame.dwStructVersion = mp3api::kStructVersion;
    lame.dwStructSize = mp3api::kStructSize;

    if (m_nChannels == 2)
        lame.nMode = mp3api::kModeJointStereo;
    else if (m_nChannels == 1)
        lame.nMode = mp3api::kModeMono;
    else
        return false;
    lame.nPreset = mp3api::kNoPreset;

    const int nRate = NearestRateIndex(m_nSampleRate);
    lame.dwSampleRate = kSupportedRates[nRate];
    const bool bMpeg1 = kSupportedRates[nRate] > kMpeg1RateAbove;
    const int* pTable = bMpeg1 ? kMpeg1Bitrates : kMpeg2Bitrates;
    const int nTableCount = bMpeg1 ? kMpeg1Count : kMpeg2Count;

    const int nDefault = DefaultBitrate(bMpeg1, m_nQuality);
    int nBitrate = (m_nBitrate != 0 || m_bVbr) ? m_nBitrate : nDefault;
    int nMaxBitrate = nDefault;
    nBitrate = Clamp(nBitrate, kMinBitrate[nRate], kMaxBitrate[nRate]);
    nMaxBitrate = Clamp(nMaxBitrate, kMinBitrate[nRate], kMaxBitrate[nRate]);
    if (nBitrate > nMaxBitrate) {
        const int nSwap = nBitrate;
        nBitrate = nMaxBitrate;
        nMaxBitrate = nSwap;
    }
    nBitrate = RoundUpToTable(nBitrate, pTable, nTableCount);
    nMaxBitrate = RoundDownToTable(nMaxBitrate, pTable, nTableCount);
    if (!m_bVbr)
        nMaxBitrate = nBitrate;
    else if (nMaxBitrate < nBitrate)
        nMaxBitrate = nBitrate;

    lame.dwBitrate = nBitrate;
    lame.dwMaxBitrate = nMaxBitrate;
    lame.dwMpegVersion = bMpeg1 ? mp3api::kMpeg1 : mp3api::kMpeg2;
    lame.bEnableVBR = m_bVbr ? TRUE : FALSE;
    lame.nVBRQuality = 0;
    lame.nVbrMethod = 0;
    lame.bNoRes = TRUE;
    // The library only trusts the quality when the high byte is the complement of the low byte.
    lame.nQuality = static_cast<WORD>((m_nQuality & 0xFF) | ((~m_nQuality & 0xFF) << 8));
    return true;
}

void CMp3Encoder::FillWaveFormat()
{
    const mp3api::LameConfig& lame = m_config.format.LHV1;
    std::memset(&m_waveFormat, 0, sizeof(m_waveFormat));
    m_waveFormat.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    m_waveFormat.wfx.nChannels = static_cast<WORD>(m_nChannels);
    m_waveFormat.wfx.nSamplesPerSec = m_nSampleRate;
    const DWORD dwMeanKbps = lame.dwBitrate + (lame.dwMaxBitrate - lame.dwBitrate) / 2;
    m_waveFormat.wfx.nAvgBytesPerSec = dwMeanKbps * 1000 / 8;
    m_waveFormat.wfx.nBlockAlign = 1;
    m_waveFormat.wfx.wBitsPerSample = 0;
    m_waveFormat.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    m_waveFormat.wID = MPEGLAYER3_ID_MPEG;
    m_waveFormat.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    m_waveFormat.nBlockSize =
        m_nSampleRate > 0 ? static_cast<WORD>(m_waveFormat.wfx.nAvgBytesPerSec * 1152 / m_nSampleRate) : 0;
    m_waveFormat.nFramesPerBlock = kFramesPerBlock;
    m_waveFormat.nCodecDelay = 1393;
}

bool CMp3Encoder::AllocateOutput()
{
    FreeOutput();
    const size_t cbOutput = static_cast<size_t>(m_waveFormat.nFramesPerBlock) * m_dwChunkOutputBytes;
    if (cbOutput == 0)
        return false;
    try {
        m_output.resize(cbOutput);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CMp3Encoder::FreeOutput()
{
    std::vector<BYTE>().swap(m_output);
    m_dwOutputBytes = 0;
}

bool CMp3Encoder::Open()
{
    End();
    if (!m_hModule)
        return false;
    if (!BuildConfig())
        return false;
    DWORD dwSamples = 0;
    DWORD dwBufferBytes = 0;
    mp3api::HBE_STREAM hStream = nullptr;
    if (m_pfnInitStream(&m_config, &dwSamples, &dwBufferBytes, &hStream) != mp3api::kSuccess)
        return false;
    m_hStream = hStream;
    m_dwSamplesPerChunk = dwSamples;
    m_dwChunkOutputBytes = dwBufferBytes;
    FillWaveFormat();
    if (!AllocateOutput()) {
        m_pfnCloseStream(m_hStream);
        m_hStream = nullptr;
        return false;
    }
    m_bOpen = true;
    return true;
}

bool CMp3Encoder::EncodeBlock(const void* pPcm)
{
    if (!m_hModule || !m_hStream || m_dwSamplesPerChunk == 0 || !pPcm || m_output.empty() || !m_bOpen)
        return false;
    m_dwOutputBytes = 0;
    const SHORT* pSamples = static_cast<const SHORT*>(pPcm);
    for (WORD nChunk = 0; nChunk < m_waveFormat.nFramesPerBlock; ++nChunk) {
        DWORD dwWritten = 0;
        // The library takes a non-const pointer but only reads the samples. No output is no
        // failure (the library holds the first frames back); an error is.
        if (m_pfnEncodeChunk(m_hStream, m_dwSamplesPerChunk,
                             const_cast<SHORT*>(pSamples + nChunk * m_dwSamplesPerChunk),
                             m_output.data() + m_dwOutputBytes, &dwWritten) != mp3api::kSuccess)
            return false;
        m_dwOutputBytes += dwWritten;
    }
    return true;
}

bool CMp3Encoder::EncodeBlock(const void* pPcm, DWORD cbPcm)
{
    if (cbPcm < InputBlockBytes())
        return false;
    return EncodeBlock(pPcm);
}

bool CMp3Encoder::EncodeSilence()
{
    const size_t nSamples = InputBlockBytes() / sizeof(SHORT);
    if (!nSamples)
        return false;
    try {
        m_silence.assign(nSamples, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return EncodeBlock(m_silence.data());
}

void CMp3Encoder::End()
{
    if (m_hModule && m_hStream && !m_output.empty() && m_bOpen) {
        DWORD dwFlushed = 0;
        m_pfnDeinitStream(m_hStream, m_output.data(), &dwFlushed);
        m_dwOutputBytes = dwFlushed;
        m_pfnCloseStream(m_hStream);
        m_hStream = nullptr;
    }
    m_bOpen = false;
}
