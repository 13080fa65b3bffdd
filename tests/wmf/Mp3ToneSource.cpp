#include "wmf/Mp3ToneSource.h"

#include <cmath>

#include "codec/Mp3EncoderApi.h"

namespace {

const DWORD SAMPLE_RATE = 44100;

} // namespace

Mp3ToneSource::Mp3ToneSource()
    : m_hLame(nullptr), m_pfnEncode(nullptr), m_pfnClose(nullptr), m_pStream(nullptr), m_nSamplesPerBlock(0),
      m_nDone(0), m_format()
{
}

Mp3ToneSource::~Mp3ToneSource()
{
    if (m_pStream)
        m_pfnClose(m_pStream);
    if (m_hLame)
        FreeLibrary(m_hLame);
}

bool Mp3ToneSource::Open(DWORD dwKbps)
{
    m_hLame = LoadLibraryA("..\\lame_enc.dll");
    if (!m_hLame)
        return false;
    auto pfnInit = reinterpret_cast<InitStreamFn>(reinterpret_cast<void*>(GetProcAddress(m_hLame, "beInitStream")));
    m_pfnEncode = reinterpret_cast<EncodeChunkFn>(reinterpret_cast<void*>(GetProcAddress(m_hLame, "beEncodeChunk")));
    m_pfnClose = reinterpret_cast<CloseStreamFn>(reinterpret_cast<void*>(GetProcAddress(m_hLame, "beCloseStream")));
    if (!pfnInit || !m_pfnEncode || !m_pfnClose)
        return false;
    mp3api::BE_CONFIG config = {};
    config.dwConfig = mp3api::kConfigLame;
    mp3api::LameConfig& lame = config.format.LHV1;
    lame.dwStructVersion = 1;
    lame.dwStructSize = sizeof(config);
    lame.dwSampleRate = SAMPLE_RATE;
    lame.nMode = 1;
    lame.dwBitrate = dwKbps;
    lame.dwMpegVersion = 1;
    DWORD dwOutSize = 0;
    if (pfnInit(&config, &m_nSamplesPerBlock, &dwOutSize, &m_pStream) != 0)
        return false;
    m_pcm.resize(m_nSamplesPerBlock);
    m_out.resize(dwOutSize);

    m_format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    m_format.wfx.nChannels = 2;
    m_format.wfx.nSamplesPerSec = SAMPLE_RATE;
    m_format.wfx.nAvgBytesPerSec = dwKbps * 1000 / 8;
    m_format.wfx.nBlockAlign = 1;
    m_format.wfx.wBitsPerSample = 0;
    m_format.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    m_format.wID = MPEGLAYER3_ID_MPEG;
    m_format.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    m_format.nBlockSize = static_cast<WORD>(144 * dwKbps * 1000 / SAMPLE_RATE);
    m_format.nFramesPerBlock = 1;
    m_format.nCodecDelay = 0;
    return true;
}

bool Mp3ToneSource::NextBlock(std::vector<BYTE>& out)
{
    for (DWORD i = 0; i < m_nSamplesPerBlock; ++i) {
        const double t = static_cast<double>((m_nDone + i) / 2) / SAMPLE_RATE;
        m_pcm[i] = static_cast<short>(12000 * sin(2 * 3.14159265358979 * 1000 * t));
    }
    m_nDone += m_nSamplesPerBlock;
    DWORD dwWritten = 0;
    if (m_pfnEncode(m_pStream, m_nSamplesPerBlock, m_pcm.data(), m_out.data(), &dwWritten) != 0)
        return false;
    out.assign(m_out.begin(), m_out.begin() + dwWritten);
    return true;
}

DWORD Mp3ToneSource::BlockStartMs(DWORD nBlock) const
{
    const ULONGLONG nFrames = static_cast<ULONGLONG>(nBlock) * (m_nSamplesPerBlock / 2);
    return static_cast<DWORD>(nFrames * 1000 / SAMPLE_RATE);
}
