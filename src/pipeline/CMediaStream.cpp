#include "pipeline/CMediaStream.h"

#include <new>

#include "pipeline/CMediaWriter.h"

CMediaStream::CMediaStream() : m_pWriter(nullptr), m_nNextTime(0)
{
}

CMediaStream::~CMediaStream()
{
}

int CMediaStream::IsVariableBitRate()
{
    return 0;
}

int CMediaStream::Start()
{
    m_nNextTime = 0;
    return 1;
}

void CMediaStream::Stop()
{
}

int CMediaStream::Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    return QueueSample(pData, cbSize, dwTime, dwDuration, dwFlags);
}

int CMediaStream::DeliverNow(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
{
    return Queue(pData, cbSize, dwTime, dwDuration, dwFlags, true);
}

int CMediaStream::Queue(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags, bool bNeverWait)
{
    if (!m_pWriter)
        return 0;

    SAMPLEBUFFER hBuffer = SAMPLEBUFFER_EMPTY;
    if (pData && cbSize) {
        // A failed allocation still travels (as buffer 0): the write fails and the writer
        // reports it.
        hBuffer = AllocSample(cbSize);
        if (HasSampleBuffer(hBuffer))
            FillSample(hBuffer, pData, cbSize);
    }

    CMediaSample* pSample = new (std::nothrow) CMediaSample;
    if (!pSample) {
        ReleaseBuffer(hBuffer);
        return 0;
    }
    pSample->stream = this;
    pSample->buffer = hBuffer;
    pSample->time = dwTime;
    pSample->duration = dwDuration;
    pSample->flags = dwFlags;

    m_nNextTime = dwTime + dwDuration;
    return m_pWriter->QueueSample(pSample, HasSampleBuffer(hBuffer) ? cbSize : 0, bNeverWait);
}

void CMediaStream::ReleaseBuffer(SAMPLEBUFFER hBuffer)
{
    if (HasSampleBuffer(hBuffer))
        FreeSample(hBuffer);
}
