#include "writer/CAviAudioStream.h"

#include <cstring>
#include <new>

#include "codec/CMp3Encoder.h"

namespace {
const DWORD kInterleaveMs = 1000;
}

CAviAudioStream::CAviAudioStream()
    : m_pEncoder(nullptr), m_nNextPosition(0), m_dwInterleaveMs(kInterleaveMs), m_dwGroupStart(0), m_nPendingChunks(0),
      m_cbPending(0), m_pPending(nullptr), m_cbPendingCapacity(0)
{
    std::memset(&m_waveFormat, 0, sizeof m_waveFormat);
}

CAviAudioStream::~CAviAudioStream()
{
    CAviAudioStream::Stop();
    delete[] m_pPending;
}

int CAviAudioStream::SetEncoder(void* pEncoder, int)
{
    m_pEncoder = static_cast<CMp3Encoder*>(pEncoder);
    return m_pEncoder != nullptr;
}

void CAviAudioStream::SetWaveFormat(const MPEGLAYER3WAVEFORMAT& format)
{
    m_waveFormat = format;
}

int CAviAudioStream::Start()
{
    ClearPending();
    return CAviStream::Start();
}

void CAviAudioStream::Stop()
{
    if (m_nPendingChunks && AviStream())
        WritePending(1);
    ClearPending();
    CAviStream::Stop();
}

int CAviAudioStream::CreateInFile(PAVIFILE pFile)
{
    if (m_pEncoder)
        m_waveFormat = *m_pEncoder->WaveFormat();
    const WAVEFORMATEX& wfx = m_waveFormat.wfx;
    if (!CAviStream::CreateInFile(pFile) || !wfx.nBlockAlign || !wfx.nAvgBytesPerSec)
        return 0;
    ResetInfo(streamtypeAUDIO, wfx.wFormatTag);
    AVISTREAMINFOA& info = Info();
    info.dwScale = wfx.nBlockAlign;
    info.dwRate = wfx.nAvgBytesPerSec;
    info.dwSampleSize = wfx.nBlockAlign;
    return CreateStream(&m_waveFormat, sizeof m_waveFormat);
}

int CAviAudioStream::WriteSample(CMediaSample* pSample)
{
    if (pSample->buffer == SAMPLEBUFFER_EMPTY)
        return 1;
    const SampleData* pData = DataOf(pSample);
    if (!pData || !AviStream())
        return 0;

    if (m_dwGroupStart == 0)
        m_dwGroupStart = pSample->time;
    if (!AppendPending(pData->pData, pData->cbData))
        return 0;
    if (pSample->time - m_dwGroupStart < m_dwInterleaveMs)
        return 1;

    int nOk = WritePending(0);
    m_dwGroupStart = pSample->time;
    return nOk;
}

int CAviAudioStream::Deliver(const void* pData, DWORD, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    // A block the encoder refuses becomes silence of the same length, not a gap that would
    // move all later sound earlier.
    if (!m_pEncoder || (!m_pEncoder->EncodeBlock(pData) && !m_pEncoder->EncodeSilence()))
        return 0;
    return QueueSample(m_pEncoder->OutputBuffer(), m_pEncoder->OutputSize(), dwTime, dwDuration, dwFlags);
}

// The buffer only grows, to exactly the size needed, keeping what it holds.
int CAviAudioStream::AppendPending(const BYTE* pData, DWORD cbData)
{
    DWORD cbNeeded = m_cbPending + cbData;
    if (cbNeeded > m_cbPendingCapacity) {
        BYTE* pGrown = new (std::nothrow) BYTE[cbNeeded];
        if (!pGrown)
            return 0;
        if (m_cbPending)
            std::memcpy(pGrown, m_pPending, m_cbPending);
        delete[] m_pPending;
        m_pPending = pGrown;
        m_cbPendingCapacity = cbNeeded;
    }
    std::memcpy(m_pPending + m_cbPending, pData, cbData);
    m_cbPending = cbNeeded;
    ++m_nPendingChunks;
    return 1;
}

// One write per group. The stream counts in bytes (sample size 1), so the group's byte count is
// its sample count; groups are appended at the end of the stream. A group that could not be
// written stays pending: the last write at Stop tries it once more.
int CAviAudioStream::WritePending(int bLast)
{
    DWORD dwSampleSize = Info().dwSampleSize ? Info().dwSampleSize : 1;
    LONG nSamples = static_cast<LONG>(m_cbPending / dwSampleSize);
    if (!WriteChunk(-1, nSamples, m_pPending, static_cast<LONG>(m_cbPending), AVIIF_KEYFRAME, bLast))
        return 0;
    m_nNextPosition += nSamples;
    m_nPendingChunks = 0;
    m_cbPending = 0;
    return 1;
}

void CAviAudioStream::ClearPending()
{
    m_nNextPosition = 0;
    m_dwGroupStart = 0;
    m_nPendingChunks = 0;
    m_cbPending = 0;
}
