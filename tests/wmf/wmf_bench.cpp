// Payload throughput of the built-in runtime:  wmf_bench OUT.wmv MEGABYTES [VIDEO_SAMPLE_BYTES]
// Writes video samples of the given size (default 30000, a key frame in every 30) interleaved
// with 418-byte audio samples, and prints the payload rate.
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>

#include "wmf/WmfTestFile.h"

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const ULONGLONG cbTotal = static_cast<ULONGLONG>(atoi(argv[2])) << 20;
    const DWORD cbVideo = argc > 3 ? static_cast<DWORD>(atoi(argv[3])) : 30000;
    wchar_t szPath[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, szPath, MAX_PATH);

    BITMAPINFOHEADER bmi = {};
    bmi.biSize = sizeof(bmi);
    bmi.biWidth = 1280;
    bmi.biHeight = 720;
    bmi.biPlanes = 1;
    bmi.biBitCount = 24;
    bmi.biCompression = MAKEFOURCC('X', 'V', 'I', 'D');
    std::vector<BYTE> format = WmfTestFile::VideoFormat(bmi, 333333);
    WM_MEDIA_TYPE videoType = WmfTestFile::VideoType(format);
    MPEGLAYER3WAVEFORMAT wave = {};
    wave.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    wave.wfx.nChannels = 2;
    wave.wfx.nSamplesPerSec = 44100;
    wave.wfx.nAvgBytesPerSec = 16000;
    wave.wfx.nBlockAlign = 1;
    wave.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    WM_MEDIA_TYPE audioType = WmfTestFile::AudioType(wave);

    WmfTestFile file;
    if (!file.Create() || FAILED(file.AddStream(WMMEDIATYPE_Video, 1, &videoType)) ||
        FAILED(file.AddStream(WMMEDIATYPE_Audio, 2, &audioType)) || FAILED(file.Begin(szPath, true)))
        return 1;
    std::vector<BYTE> video(cbVideo, 0x5a), audio(418, 0xa5);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ULONGLONG cbDone = 0;
    DWORD nFrame = 0;
    LONGLONG nWriteTicks = 0;
    while (cbDone < cbTotal) {
        const DWORD dwMs = nFrame * 33;
        if (FAILED(file.Write(1, dwMs, 33, nFrame % 30 == 0 ? WM_SF_CLEANPOINT : 0, video, &nWriteTicks)) ||
            FAILED(file.Write(2, dwMs, 26, 0, audio, &nWriteTicks)))
            return 1;
        cbDone += video.size() + audio.size();
        ++nFrame;
    }
    LARGE_INTEGER endStart;
    QueryPerformanceCounter(&endStart);
    if (FAILED(file.End()))
        return 1;
    QueryPerformanceCounter(&end);
    nWriteTicks += end.QuadPart - endStart.QuadPart;
    const double dSeconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    const double dWriteSeconds = static_cast<double>(nWriteTicks) / frequency.QuadPart;
    printf("payload %.1f MB in %.3f s: %.1f MB/s overall, %.1f MB/s in WriteStreamSample and EndWriting"
           " (%lu-byte video samples, %lu samples)\n",
           cbDone / 1048576.0, dSeconds, cbDone / 1048576.0 / dSeconds, cbDone / 1048576.0 / dWriteSeconds,
           static_cast<unsigned long>(cbVideo), static_cast<unsigned long>(nFrame * 2));
    return 0;
}
