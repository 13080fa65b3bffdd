#pragma once

#include <windows.h>

#include "pipeline/CMediaSample.h"

class CMediaWriter;

// One stream of an output file. Producers hand it data through Deliver (on their own
// threads); the writer's thread hands each queued sample back through WriteSample.
// AllocSample/FillSample (producer) must be safe against FreeSample/WriteSample (writer) on
// other buffers.
class CMediaStream
{
public:
    CMediaStream();
    virtual ~CMediaStream();

    // Takes the compressor or encoder whose output format the stream adopts.
    virtual int SetEncoder(void* pEncoder, int nReserved) = 0;
    virtual int IsVariableBitRate();
    virtual int Start();
    virtual void Stop();
    virtual SAMPLEBUFFER AllocSample(DWORD cbSize) = 0;
    virtual void FreeSample(SAMPLEBUFFER hBuffer) = 0;
    virtual int FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize) = 0;
    // Runs on the writer's thread; 0 reports a write failure.
    virtual int WriteSample(CMediaSample* pSample) = 0;
    virtual int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags);
    // Queues data as it is, never waiting for room in the writer's queue: for a caller that
    // must not wait, such as the window's thread handing over an encoder's last output.
    int DeliverNow(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags);

    void SetWriter(CMediaWriter* pWriter) { m_pWriter = pWriter; }
    CMediaWriter* GetWriter() const { return m_pWriter; }
    DWORD GetNextTime() const { return m_nNextTime; }

protected:
    // Queues data as it is for the writer, waiting for room: what a stream's Deliver does
    // with the output of its compressor or encoder.
    int QueueSample(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags)
    {
        return Queue(pData, cbSize, dwTime, dwDuration, dwFlags, false);
    }
    // Returns the payload of a written or discarded sample, if it has one.
    void ReleaseBuffer(SAMPLEBUFFER hBuffer);

private:
    int Queue(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags, bool bNeverWait);

    CMediaStream(const CMediaStream&) = delete;
    CMediaStream& operator=(const CMediaStream&) = delete;

    CMediaWriter* m_pWriter;
    DWORD m_nNextTime;
};
