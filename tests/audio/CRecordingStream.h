#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "pipeline/CMediaStream.h"
#include "pipeline/CMediaWriter.h"
#include "support/CNullWriter.h"

// An audio or video stream for tests: remembers every Deliver (size, time, duration, payload)
// and, when asked to, queues it for the writer like a real stream.
class CRecordingStream : public CMediaStream
{
public:
    struct Delivery
    {
        DWORD cbSize;
        DWORD dwTime;
        DWORD dwDuration;
        DWORD dwFlags;
        std::string payload;
        DWORD dwTick; // GetTickCount when it was delivered
    };

    explicit CRecordingStream(bool bQueue = false) : m_bQueue(bQueue) {}

    int SetEncoder(void*, int) override { return 1; }
    SAMPLEBUFFER AllocSample(DWORD cbSize) override;
    void FreeSample(SAMPLEBUFFER hBuffer) override;
    int FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize) override;
    int WriteSample(CMediaSample*) override { return 1; }
    int Deliver(const void* pData, DWORD cbSize, DWORD dwTime, DWORD dwDuration, DWORD dwFlags) override;

    std::vector<Delivery> Deliveries();
    size_t DeliveryCount();

private:
    bool m_bQueue;
    std::mutex m_lock;
    std::vector<Delivery> m_deliveries;
};

// A writer without a file that can wait until its thread writes.
class CStartedWriter : public CNullWriter
{
public:
    // Starts the writing thread and waits until it reports writing.
    bool StartAndWait();
};
