// Prints what mixing a second sound device costs: the mixer's time per block and its share of
// one core while it mixes 44.1 kHz stereo blocks of two devices as they come in real time.
// Usage: bench_audio_mix.exe [seconds of sound]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/CSoundMixer.h"
#include "pipeline/PerfClock.h"
#include "pipeline/CRelayStream.h"

namespace {
const DWORD kRate = 44100;
const DWORD kFrames = 1152;

// Takes the mixed blocks and does nothing with them.
class CNullStream : public CRelayStream
{
public:
    int Deliver(const void*, DWORD, DWORD, DWORD, DWORD) override
    {
        ++m_nBlocks;
        return 1;
    }
    long m_nBlocks = 0;
};

// Two devices started 7 ms apart, both running.
class CBenchMixer : public CSoundMixer
{
protected:
    bool FirstOrigin(DWORD* p) const override { return (*p = 1000, true); }
    bool SecondOrigin(DWORD* p) const override { return (*p = 1007, true); }
    bool SecondEnded() const override { return false; }
};

double ThreadCpuMs()
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    GetThreadTimes(GetCurrentThread(), &ftCreate, &ftExit, &ftKernel, &ftUser);
    auto toMs = [](const FILETIME& ft) {
        return double((ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) / 10000.0;
    };
    return toMs(ftKernel) + toMs(ftUser);
}
} // namespace

int main(int argc, char** argv)
{
    const double dSeconds = argc > 1 ? atof(argv[1]) : 600;
    const long nBlocks = long(dSeconds * kRate / kFrames);
    std::vector<short> first(kFrames * 2), second(kFrames * 2);
    for (size_t i = 0; i < first.size(); ++i) {
        first[i] = short((i * 37) % 20000 - 10000);
        second[i] = short((i * 53) % 30000 - 15000);
    }
    CNullStream out;
    CBenchMixer mixer;
    CMediaStream* pInput = mixer.Begin(&out, nullptr, nullptr, kRate);
    mixer.SetSecondVolume(40000);
    CMediaStream* pSecond = mixer.SecondInput();

    const double dCpuBefore = ThreadCpuMs();
    const LONGLONG nStart = PerfClock(1000000);
    for (long i = 0; i < nBlocks; ++i) {
        pSecond->Deliver(second.data(), DWORD(second.size() * 2), DWORD(i * 26), 26, 0);
        pInput->Deliver(first.data(), DWORD(first.size() * 2), DWORD(i * 26), 26, 0);
    }
    const double dWallUs = double(PerfClock(1000000) - nStart);
    const double dCpuMs = ThreadCpuMs() - dCpuBefore;
    const double dSoundMs = double(nBlocks) * kFrames * 1000.0 / kRate;
    std::printf("mix_blocks=%ld (passed on %ld)\n", nBlocks, out.m_nBlocks);
    std::printf("mix_sound_seconds=%.1f\n", dSoundMs / 1000.0);
    std::printf("mix_us_per_block=%.3f\n", dWallUs / nBlocks);
    std::printf("mix_cpu_ms=%.1f\n", dCpuMs);
    std::printf("mix_core_percent=%.4f\n", 100.0 * dWallUs / 1000.0 / dSoundMs);
    return 0;
}
