// Tries to record from the default wave-in device (for 1.5 s, or the seconds given) and reports what happened:
// the devices seen, whether the capture started, how long start and stop took and how many
// blocks arrived. Used to check the behaviour without a usable sound server.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/CWaveInCapture.h"
#include "pipeline/CMediaStream.h"
#include "pipeline/CRelayStream.h"
#include "pipeline/CMediaWriter.h"
#include "support/CNullWriter.h"

namespace {
// Counts delivered blocks; never queues them.
class CCountingStream : public CRelayStream
{
public:
    int Deliver(const void*, DWORD, DWORD, DWORD, DWORD) override
    {
        ++m_nBlocks;
        return 1;
    }
    volatile LONG m_nBlocks = 0;
};

} // namespace

int main(int argc, char** argv)
{
    DWORD dwMs = argc > 1 ? DWORD(atof(argv[1]) * 1000) : 1500;
    CWaveInCapture capture;
    std::vector<std::string> names;
    const DWORD dwListStart = GetTickCount();
    capture.ListDevices(names);
    std::printf("devices=%u\ndevices_ms=%lu\n", unsigned(names.size()), GetTickCount() - dwListStart);

    CCountingStream stream;
    CNullWriter writer(16);
    stream.SetWriter(&writer);
    writer.AddStream(&stream);
    writer.Start();
    capture.SetStream(&stream);
    capture.SetBlockSize(4608);

    DWORD dwStart = GetTickCount();
    int nStarted = capture.Start();
    std::printf("start=%d\nstart_ms=%lu\n", nStarted, GetTickCount() - dwStart);
    std::fflush(stdout);
    // A loaded machine can take a while to hand over the first block: past the asked time, wait
    // for one block (up to ten seconds) rather than report none.
    while (nStarted &&
           (GetTickCount() - dwStart < dwMs || (stream.m_nBlocks == 0 && GetTickCount() - dwStart < dwMs + 10000)))
        Sleep(20);
    DWORD dwStop = GetTickCount();
    capture.Stop();
    std::printf("stop_ms=%lu\nblocks=%ld\n", GetTickCount() - dwStop, long(stream.m_nBlocks));
    return 0;
}
