// Prints what the wave-in capture loop costs: time and heap allocations per returned block
// against a stand-in device, and for a real recording from the default device the blocks,
// repeats, CPU time, first-block latency and stop time.
// Usage: bench_audio_capture.exe [seconds of real recording]
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "FakeSound.h"
#include "audio/CWaveInCapture.h"
#include "pipeline/CMediaStream.h"
#include "pipeline/CRelayStream.h"
#include "pipeline/CMediaWriter.h"
#include "pipeline/PerfClock.h"

namespace {
std::atomic<long> g_nAllocations{0};

class CCountingStream : public CRelayStream
{
public:
    int Deliver(const void*, DWORD, DWORD, DWORD, DWORD) override
    {
        ++m_nBlocks;
        return 1;
    }
    std::atomic<long> m_nBlocks{0};
};

class CIdleWriter : public CMediaWriter
{
public:
    CIdleWriter() : CMediaWriter(16) {}
    ~CIdleWriter() override { Stop(); }
    int Initialize() override { return 1; }
    void Uninitialize() override {}
};

class CLoopProbe : public CWaveInCapture
{
public:
    using CWaveInCapture::HandleMessage;
    using CWaveInCapture::OnThreadEnd;
    using CWaveInCapture::OnThreadStart;
};

double ProcessCpuMs()
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    GetProcessTimes(GetCurrentProcess(), &ftCreate, &ftExit, &ftKernel, &ftUser);
    auto toMs = [](const FILETIME& ft) {
        return double((ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000.0;
    };
    return toMs(ftKernel) + toMs(ftUser);
}

void BenchLoop(CIdleWriter& writer, CCountingStream& stream)
{
    const long kBlocks = 200000;
    CFakeSound fake;
    fake.bKeepLog = false;
    CLoopProbe capture;
    capture.SetSoundFunctions(fake.Functions());
    capture.SetBlockSize(4608);
    capture.SetStream(&stream);
    capture.OnThreadStart();
    stream.m_nBlocks = 0;
    long nAllocationsBefore = g_nAllocations.load();
    LONGLONG nStart = PerfClock(1000000);
    for (long i = 0; i < kBlocks; ++i) {
        MSG msg = {};
        msg.message = MM_WIM_DATA;
        msg.lParam = LPARAM(fake.ReturnNext(4608, 0));
        msg.time = DWORD(i * 26);
        capture.HandleMessage(msg);
    }
    LONGLONG nTook = PerfClock(1000000) - nStart;
    long nAllocations = g_nAllocations.load() - nAllocationsBefore;
    capture.OnThreadEnd();
    (void)writer;
    std::printf("loop_us_per_block=%.3f\n", double(nTook) / kBlocks);
    std::printf("loop_allocations_per_block=%.4f\n", double(nAllocations) / kBlocks);
    std::printf("loop_blocks_delivered=%ld of %ld\n", stream.m_nBlocks.load(), kBlocks);
}

void BenchRealCapture(CCountingStream& stream, DWORD dwSeconds)
{
    CWaveInCapture capture;
    capture.SetBlockSize(4608);
    capture.SetStream(&stream);
    stream.m_nBlocks = 0;
    double dCpuBefore = ProcessCpuMs();
    DWORD dwStart = GetTickCount();
    if (!capture.Start()) {
        std::printf("real_capture=failed to start\n");
        return;
    }
    while (!capture.IsReceiving() && GetTickCount() - dwStart < 5000)
        Sleep(1);
    DWORD dwFirst = GetTickCount() - dwStart;
    Sleep(dwSeconds * 1000);
    DWORD dwStopStart = GetTickCount();
    capture.Stop();
    DWORD dwStop = GetTickCount() - dwStopStart;
    double dCpu = ProcessCpuMs() - dCpuBefore;
    DWORD dwWall = GetTickCount() - dwStart;
    long nExpected = long((dwWall - dwFirst) * 44100.0 * 4 / 4608 / 1000);
    std::printf("real_first_block_ms=%lu\n", dwFirst);
    std::printf("real_blocks=%ld (about %ld by the clock since the first block)\n", stream.m_nBlocks.load(), nExpected);
    std::printf("real_last_stamp_ms=%lu\n", capture.BlockTimeMs(capture.BlockCount()));
    std::printf("real_cpu_percent=%.2f\n", 100.0 * dCpu / dwWall);
    std::printf("real_stop_ms=%lu\n", dwStop);
}
} // namespace

void* operator new(size_t cbSize)
{
    ++g_nAllocations;
    void* p = std::malloc(cbSize ? cbSize : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

int main(int argc, char** argv)
{
    DWORD dwSeconds = argc > 1 ? DWORD(std::atoi(argv[1])) : 10;
    CCountingStream stream;
    CIdleWriter writer;
    stream.SetWriter(&writer);
    writer.AddStream(&stream);
    writer.Start();
    for (int i = 0; i < 500 && !writer.IsWriting(); ++i)
        Sleep(2);
    BenchLoop(writer, stream);
    BenchRealCapture(stream, dwSeconds);
    return 0;
}
