#include "writer/CAviVideoStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "codec/CVideoCompressor.h"
#include "pipeline/CStageTimer.h"

namespace {
const DWORD kKeyFrameFlag = AVIIF_KEYFRAME;
}

CAviVideoStream::CAviVideoStream()
    : m_pCompressor(nullptr), m_pFormat(nullptr), m_cbFormat(0), m_dwScale(1), m_dwRate(0), m_dwMaxFrameSize(0),
      m_nNextPosition(0)
{
}

CAviVideoStream::~CAviVideoStream()
{
    CAviVideoStream::Stop();
    FreeFormat();
}

int CAviVideoStream::SetEncoder(void* pEncoder, int)
{
    CVideoCompressor* pCompressor = static_cast<CVideoCompressor*>(pEncoder);
    if (!pCompressor)
        return 0;
    m_pCompressor = pCompressor;
    return SetFormat(pCompressor->OutputFormat(), pCompressor->OutputFormatSize(), pCompressor->GetScale(),
                     pCompressor->GetRate(), pCompressor->MaxFrameSize());
}

int CAviVideoStream::SetFormat(const BITMAPINFOHEADER* pFormat, int cbFormat, DWORD dwScale, DWORD dwRate,
                               DWORD dwMaxFrameSize)
{
    if (!pFormat || cbFormat < static_cast<int>(sizeof(BITMAPINFOHEADER)))
        return 0;
    BYTE* pCopy = new (std::nothrow) BYTE[cbFormat];
    if (!pCopy)
        return 0;
    std::memcpy(pCopy, pFormat, cbFormat);
    FreeFormat();
    m_pFormat = reinterpret_cast<BITMAPINFOHEADER*>(pCopy);
    m_cbFormat = cbFormat;
    m_dwScale = dwScale;
    m_dwRate = dwRate;
    m_dwMaxFrameSize = dwMaxFrameSize;
    return 1;
}

int CAviVideoStream::IsVariableBitRate()
{
    return 1;
}

int CAviVideoStream::Start()
{
    m_nNextPosition = 0;
    return CAviStream::Start();
}

void CAviVideoStream::Stop()
{
    m_nNextPosition = 0;
    CAviStream::Stop();
}

int CAviVideoStream::CreateInFile(PAVIFILE pFile)
{
    if (!CAviStream::CreateInFile(pFile) || !m_pFormat || !m_dwRate || !m_dwScale)
        return 0;
    ResetInfo(streamtypeVIDEO, m_pFormat->biCompression);
    AVISTREAMINFOA& info = Info();
    info.dwScale = m_dwScale;
    info.dwRate = m_dwRate;
    info.dwSuggestedBufferSize = m_dwMaxFrameSize;
    info.rcFrame.right = m_pFormat->biWidth;
    info.rcFrame.bottom = std::abs(m_pFormat->biHeight);
    return CreateStream(m_pFormat, m_cbFormat);
}

int CAviVideoStream::WriteSample(CMediaSample* pSample)
{
    if (pSample->buffer == SAMPLEBUFFER_EMPTY)
        return 1; // a frame the compressor dropped
    const SampleData* pData = DataOf(pSample);
    if (!pData || !AviStream())
        return 0;

    LONG nPosition = PositionFor(pSample->time);
    if (!WriteChunk(nPosition, 1, pData->pData, static_cast<LONG>(pData->cbData), pSample->flags & kKeyFrameFlag))
        return 0;
    m_nNextPosition = nPosition + 1;
    return 1;
}

// The first frame after Start goes to position 0; later ones to the position nearest their
// time stamp, but never before the next free position. Time stamps on the frame-rate grid are
// whole milliseconds (33 ms for the first frame at 30 fps): rounding down would put such a
// frame one position early.
LONG CAviVideoStream::PositionFor(DWORD dwTime) const
{
    if (m_nNextPosition <= 0)
        return m_nNextPosition;
    double dFrameMs = m_dwScale * 1000.0 / m_dwRate;
    LONG nByTime = static_cast<LONG>(dwTime / dFrameMs + 0.5);
    return std::max(m_nNextPosition, nByTime);
}

int CAviVideoStream::Deliver(const void* pData, DWORD, DWORD dwTime, DWORD, DWORD)
{
    if (!m_pCompressor)
        return 0;
    // The pass-through writes straight into the sample buffer that goes to the writer.
    const BYTE* pOut = m_pCompressor->OutputBuffer();
    {
        CStageTimer timer(STAGE_COMPRESS);
        BYTE* pSample = m_pCompressor->CanCompressInto() ? PrepareSample(m_pCompressor->MaxFrameSize()) : nullptr;
        if (pSample ? !m_pCompressor->CompressFrameInto(pData, pSample) : !m_pCompressor->CompressFrame(pData))
            return 0;
        if (pSample)
            pOut = pSample;
    }
    DWORD dwFlags = m_pCompressor->LastWasKeyFrame() ? kKeyFrameFlag : 0;
    DWORD dwRate = m_pCompressor->GetRate();
    DWORD dwDuration = dwRate ? m_pCompressor->GetScale() * 1000 / dwRate : 0;
    CStageTimer timer(STAGE_QUEUE);
    return QueueSample(pOut, m_pCompressor->LastFrameSize(), dwTime, dwDuration, dwFlags);
}

void CAviVideoStream::FreeFormat()
{
    delete[] reinterpret_cast<BYTE*>(m_pFormat);
    m_pFormat = nullptr;
    m_cbFormat = 0;
}
