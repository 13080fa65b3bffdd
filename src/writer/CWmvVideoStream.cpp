#include "writer/CWmvVideoStream.h"

#include <cstring>
#include <vector>

#include "codec/CVideoCompressor.h"

CWmvVideoStream::CWmvVideoStream() : m_pCompressor(nullptr)
{
}

int CWmvVideoStream::SetEncoder(void* pEncoder, int)
{
    CVideoCompressor* pCompressor = static_cast<CVideoCompressor*>(pEncoder);
    if (!pCompressor)
        return 0;
    if (!SetFormat(pCompressor->OutputFormat(), pCompressor->OutputFormatSize(), pCompressor->GetScale(),
                   pCompressor->GetRate(), pCompressor->GetDataRate()))
        return 0;
    m_pCompressor = pCompressor;
    m_bHasLastTime = false;
    return 1;
}

int CWmvVideoStream::SetFormat(const BITMAPINFOHEADER* pFormat, int cbFormat, DWORD dwScale, DWORD dwRate,
                               DWORD dwDataRate)
{
    if (!pFormat || cbFormat < static_cast<int>(sizeof(BITMAPINFOHEADER)))
        return 0;
    const size_t cbHeader = offsetof(WMVIDEOINFOHEADER, bmiHeader);
    std::vector<BYTE> format(cbHeader + cbFormat, 0);
    WMVIDEOINFOHEADER* pInfo = reinterpret_cast<WMVIDEOINFOHEADER*>(format.data());
    pInfo->dwBitRate = dwDataRate;
    pInfo->dwBitErrorRate = 0;
    // A rate of 0 would divide by zero; such a stream has no known frame interval.
    pInfo->AvgTimePerFrame = dwRate ? static_cast<LONGLONG>(dwScale) * 10000000 / dwRate : 0;
    std::memcpy(format.data() + cbHeader, pFormat, cbFormat);

    WM_MEDIA_TYPE type = {};
    type.majortype = WMMEDIATYPE_Video;
    type.subtype = WmfFourCCGuid(pFormat->biCompression);
    type.bFixedSizeSamples = FALSE;
    type.bTemporalCompression = TRUE;
    type.lSampleSize = 0;
    type.formattype = WMFORMAT_VideoInfo;
    SetMediaType(type, format.data(), static_cast<DWORD>(format.size()));
    return 1;
}

int CWmvVideoStream::IsVariableBitRate()
{
    return 1;
}

int CWmvVideoStream::Deliver(const void* pData, DWORD, DWORD dwTime, DWORD, DWORD)
{
    if (!m_pCompressor || !m_pCompressor->CompressFrame(pData))
        return 0;
    const DWORD dwRate = m_pCompressor->GetRate();
    const DWORD dwDuration = dwRate ? m_pCompressor->GetScale() * 1000 / dwRate : 0;
    const DWORD dwFlags = m_pCompressor->LastWasKeyFrame() ? WM_SF_CLEANPOINT : 0;
    // ASF presentation times must grow: two ticks can fall in the same millisecond when the
    // source catches up after a late tick.
    if (m_bHasLastTime && static_cast<LONG>(dwTime - m_dwLastTime) <= 0)
        dwTime = m_dwLastTime + 1;
    m_dwLastTime = dwTime;
    m_bHasLastTime = true;
    return QueueSample(m_pCompressor->OutputBuffer(), m_pCompressor->LastFrameSize(), dwTime, dwDuration, dwFlags);
}

int CWmvVideoStream::CodecType() const
{
    return WMT_CODECINFO_VIDEO;
}

GUID CWmvVideoStream::MediaTypeGuid() const
{
    return WMMEDIATYPE_Video;
}

WORD CWmvVideoStream::StreamNumber() const
{
    return 1;
}

DWORD CWmvVideoStream::Bitrate() const
{
    return 0;
}

DWORD CWmvVideoStream::BufferWindow() const
{
    return BufferWindowFor(Bitrate());
}
