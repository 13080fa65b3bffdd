#include "writer/CWmvAudioStream.h"

#include "codec/CMp3Encoder.h"

namespace {

const BYTE kMp3CodecInfo[4] = {0x55, 0x00, 0x00, 0x00};

} // namespace

CWmvAudioStream::CWmvAudioStream() : m_pEncoder(nullptr)
{
}

int CWmvAudioStream::SetEncoder(void* pEncoder, int)
{
    m_pEncoder = static_cast<CMp3Encoder*>(pEncoder);
    if (!m_pEncoder)
        return 0;
    SetWaveFormat(*m_pEncoder->WaveFormat());
    return 1;
}

void CWmvAudioStream::SetWaveFormat(const MPEGLAYER3WAVEFORMAT& format)
{
    WM_MEDIA_TYPE type = {};
    type.majortype = WMMEDIATYPE_Audio;
    type.subtype = WMMEDIASUBTYPE_MP3;
    type.bFixedSizeSamples = !IsVariableBitRate();
    type.bTemporalCompression = TRUE;
    type.lSampleSize = 0;
    type.formattype = WMFORMAT_WaveFormatEx;
    SetMediaType(type, &format, sizeof(format));
}

int CWmvAudioStream::IsVariableBitRate()
{
    return 1;
}

int CWmvAudioStream::Deliver(const void* pData, DWORD, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    // A block the encoder refuses becomes silence of the same length, not a gap that would
    // move all later sound earlier.
    if (!m_pEncoder || (!m_pEncoder->EncodeBlock(pData) && !m_pEncoder->EncodeSilence()))
        return 0;
    return QueueSample(m_pEncoder->OutputBuffer(), m_pEncoder->OutputSize(), dwTime, dwDuration, dwFlags);
}

const wchar_t* CWmvAudioStream::CodecName() const
{
    return L"MPEG Audio Layer-3";
}

int CWmvAudioStream::CodecType() const
{
    return WMT_CODECINFO_AUDIO;
}

WORD CWmvAudioStream::CodecInfoSize() const
{
    return sizeof(kMp3CodecInfo);
}

const BYTE* CWmvAudioStream::CodecInfo() const
{
    return kMp3CodecInfo;
}

GUID CWmvAudioStream::MediaTypeGuid() const
{
    return WMMEDIATYPE_Audio;
}

WORD CWmvAudioStream::StreamNumber() const
{
    return 2;
}

DWORD CWmvAudioStream::Bitrate() const
{
    return 0;
}

DWORD CWmvAudioStream::BufferWindow() const
{
    return BufferWindowFor(Bitrate());
}
