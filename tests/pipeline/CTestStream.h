#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "pipeline/CMediaStream.h"

// A stream that keeps what it is asked to write and counts its live sample buffers. It can
// fail the n-th write, hold the writing thread on a gate event, and append payloads to a
// file so that the writer's size check sees a growing file.
class CTestStream : public CMediaStream
{
public:
    struct Written
    {
        DWORD dwTime;
        DWORD dwDuration;
        DWORD dwFlags;
        bool bEmpty;
        std::string payload;
        DWORD dwThreadId;
    };

    CTestStream();
    ~CTestStream() override;

    int SetEncoder(void* pEncoder, int nReserved) override;
    SAMPLEBUFFER AllocSample(DWORD cbSize) override;
    void FreeSample(SAMPLEBUFFER hBuffer) override;
    int FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize) override;
    int WriteSample(CMediaSample* pSample) override;

    int DeliverText(const std::string& text, DWORD dwTime, DWORD dwDuration = 40);
    void FailWriteNumber(int nWrite) { m_nFailAt = nWrite; }
    void FailAllocations() { m_bFailAlloc = true; }
    bool AppendToFile(const char* pszPath);
    void CloseFile();
    void HoldWrites();
    void ReleaseWrites();

    int LiveBuffers() const { return m_nLiveBuffers.load(); }
    int AllocCount() const { return m_nAllocs.load(); }
    int WriteCalls() const { return m_nWriteCalls.load(); }
    // Read only after the writer's thread has ended.
    const std::vector<Written>& Writes() const { return m_writes; }

private:
    struct Buffer
    {
        DWORD cbSize;
        char* pData;
    };

    std::atomic<int> m_nLiveBuffers{0};
    std::atomic<int> m_nAllocs{0};
    std::atomic<int> m_nWriteCalls{0};
    int m_nFailAt = 0;
    bool m_bFailAlloc = false;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    HANDLE m_hGate;
    std::vector<Written> m_writes;
};
