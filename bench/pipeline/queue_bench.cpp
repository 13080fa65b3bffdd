// Prints the throughput of samples through Deliver -> queue -> writing thread, and how long
// a producer blocked on a full writer queue takes to wake up once room is made.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "pipeline/CMediaStream.h"
#include "pipeline/CMediaWriter.h"
#include "pipeline/CSampleQueue.h"
#include "pipeline/PerfClock.h"

namespace {
class CBenchStream : public CMediaStream
{
public:
    int SetEncoder(void*, int) override { return 1; }
    SAMPLEBUFFER AllocSample(DWORD cbSize) override
    {
        char* pData = new (std::nothrow) char[cbSize + sizeof(DWORD)];
        return reinterpret_cast<SAMPLEBUFFER>(pData);
    }
    void FreeSample(SAMPLEBUFFER hBuffer) override { delete[] reinterpret_cast<char*>(hBuffer); }
    int FillSample(SAMPLEBUFFER hBuffer, const void* pData, DWORD cbSize) override
    {
        char* pBuffer = reinterpret_cast<char*>(hBuffer);
        std::memcpy(pBuffer, &cbSize, sizeof cbSize);
        std::memcpy(pBuffer + sizeof cbSize, pData, cbSize);
        return 1;
    }
    int WriteSample(CMediaSample*) override
    {
        ++m_nWritten;
        return 1;
    }
    std::atomic<long> m_nWritten{0};
};

class CBenchWriter : public CMediaWriter
{
public:
    CBenchWriter() : CMediaWriter(1000) {}
    ~CBenchWriter() override { Stop(); }
    int Initialize() override { return 1; }
    void Uninitialize() override {}
};

double NowMs()
{
    return static_cast<double>(PerfClock(1000000)) / 1000.0;
}

void MeasureThroughput(DWORD cbPayload, long nSamples)
{
    CBenchWriter writer;
    CBenchStream stream;
    stream.SetWriter(&writer);
    writer.AddStream(&stream);
    writer.Start();
    while (!writer.IsWriting())
        Sleep(1);

    std::vector<char> payload(cbPayload ? cbPayload : 1, 'x');
    double dStart = NowMs();
    for (long n = 0; n < nSamples; ++n)
        stream.Deliver(cbPayload ? payload.data() : nullptr, cbPayload, n, 1, 0);
    writer.Stop(); // drains: returns once every sample is written
    double dElapsed = NowMs() - dStart;
    std::printf("throughput payload=%6lu B samples=%ld written=%ld: %10.0f samples/s (%.1f MB/s)\n", cbPayload,
                nSamples, stream.m_nWritten.load(), nSamples * 1000.0 / dElapsed,
                nSamples * static_cast<double>(cbPayload) / 1048576.0 / (dElapsed / 1000.0));
}

void MeasureBlockedWakeUp(int nRounds)
{
    const int nCapacity = 1000;
    CSampleQueue queue(nCapacity, 100);
    for (int n = 0; n < nCapacity; ++n)
        queue.Put(reinterpret_cast<void*>(static_cast<uintptr_t>(n + 1)));

    std::vector<double> latencies;
    for (int nRound = 0; nRound < nRounds; ++nRound) {
        std::atomic<double> dReturned{0};
        std::thread producer([&] {
            queue.Put(reinterpret_cast<void*>(static_cast<uintptr_t>(5000 + nRound)));
            dReturned = NowMs();
        });
        Sleep(150 + (nRound * 37) % 100); // the producer is asleep in its retry loop
        double dGet = NowMs();
        queue.Get(nullptr);
        producer.join();
        latencies.push_back(dReturned.load() - dGet);
    }
    std::sort(latencies.begin(), latencies.end());
    double dSum = 0;
    for (double d : latencies)
        dSum += d;
    std::printf("blocked producer wake-up after Get (retry 100 ms, %d rounds): min %.1f ms, "
                "median %.1f ms, mean %.1f ms, max %.1f ms\n",
                nRounds, latencies.front(), latencies[latencies.size() / 2], dSum / nRounds, latencies.back());
}
} // namespace

int main()
{
    MeasureThroughput(0, 100000);
    MeasureThroughput(1024, 100000);
    MeasureThroughput(65536, 20000);
    MeasureThroughput(1048576, 1000);
    MeasureBlockedWakeUp(20);
    return 0;
}
