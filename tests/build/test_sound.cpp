// Sound reaches Wine: a 1 kHz tone played through waveOut into the session's null sink is
// heard through waveIn on the sink's monitor.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <cmath>
#include <vector>

namespace {

const DWORD kRate = 44100;

WAVEFORMATEX StereoPcm16()
{
    WAVEFORMATEX wfx = {};
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = kRate;
    wfx.wBitsPerSample = 16;
    wfx.nBlockAlign = 4;
    wfx.nAvgBytesPerSec = kRate * 4;
    return wfx;
}

TEST(Sound, ToneThroughTheNullSinkIsCapturedFromItsMonitor)
{
    WAVEFORMATEX wfx = StereoPcm16();
    HWAVEIN hIn = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR, waveInOpen(&hIn, WAVE_MAPPER, &wfx, 0, 0, CALLBACK_NULL));
    HWAVEOUT hOut = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutOpen(&hOut, WAVE_MAPPER, &wfx, 0, 0, CALLBACK_NULL));

    std::vector<short> tone(kRate * 3 * 2);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<short>(12000 * sin(2 * 3.14159265358979 * 1000 * (i / 2) / double(kRate)));
    WAVEHDR outHeader = {};
    outHeader.lpData = reinterpret_cast<LPSTR>(tone.data());
    outHeader.dwBufferLength = DWORD(tone.size() * sizeof(short));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutPrepareHeader(hOut, &outHeader, sizeof(outHeader)));
    ASSERT_EQ(MMSYSERR_NOERROR, waveOutWrite(hOut, &outHeader, sizeof(outHeader)));
    Sleep(300);

    std::vector<short> captured(kRate * 2);
    WAVEHDR inHeader = {};
    inHeader.lpData = reinterpret_cast<LPSTR>(captured.data());
    inHeader.dwBufferLength = DWORD(captured.size() * sizeof(short));
    ASSERT_EQ(MMSYSERR_NOERROR, waveInPrepareHeader(hIn, &inHeader, sizeof(inHeader)));
    ASSERT_EQ(MMSYSERR_NOERROR, waveInAddBuffer(hIn, &inHeader, sizeof(inHeader)));
    ASSERT_EQ(MMSYSERR_NOERROR, waveInStart(hIn));
    for (int i = 0; i < 100 && !(inHeader.dwFlags & WHDR_DONE); ++i)
        Sleep(50);
    ASSERT_TRUE(inHeader.dwFlags & WHDR_DONE);
    waveInReset(hIn);
    waveInUnprepareHeader(hIn, &inHeader, sizeof(inHeader));
    waveInClose(hIn);
    waveOutReset(hOut);
    waveOutUnprepareHeader(hOut, &outHeader, sizeof(outHeader));
    waveOutClose(hOut);

    ASSERT_EQ(captured.size() * sizeof(short), inHeader.dwBytesRecorded);
    double dSum = 0;
    for (short s : captured)
        dSum += double(s) * s;
    double dRms = sqrt(dSum / captured.size());
    EXPECT_GT(dRms, 1000.0) << "the capture is silent";
}

} // namespace
