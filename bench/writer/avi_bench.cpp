// Prints how fast the AVI writer gets samples into a file: uncompressed frames and MP3
// chunks delivered as fast as possible, timed from the first Deliver until Stop has closed
// the file.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pipeline/PerfClock.h"
#include "writer/CAviAudioStream.h"
#include "writer/CAviVideoStream.h"
#include "writer/CAviWriter.h"

namespace {
double NowMs()
{
    return static_cast<double>(PerfClock(1000000)) / 1000.0;
}

std::string TempFile(const char* pszName)
{
    char szDir[MAX_PATH];
    GetTempPathA(MAX_PATH, szDir);
    return std::string(szDir) + pszName;
}

MPEGLAYER3WAVEFORMAT Mp3Format()
{
    MPEGLAYER3WAVEFORMAT format = {};
    format.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    format.wfx.nChannels = 2;
    format.wfx.nSamplesPerSec = 44100;
    format.wfx.nAvgBytesPerSec = 16000;
    format.wfx.nBlockAlign = 1;
    format.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    format.wID = MPEGLAYER3_ID_MPEG;
    format.nBlockSize = 417;
    format.nFramesPerBlock = 1;
    return format;
}

void MeasureVideo(LONG nWidth, LONG nHeight, DWORD nFrames)
{
    BITMAPINFOHEADER bmih = {};
    bmih.biSize = sizeof bmih;
    bmih.biWidth = nWidth;
    bmih.biHeight = nHeight;
    bmih.biPlanes = 1;
    bmih.biBitCount = 24;
    bmih.biSizeImage = ((nWidth * 3 + 3) & ~3) * nHeight;
    std::vector<BYTE> frame(bmih.biSizeImage, 0x40);

    std::string path = TempFile("orvane_bench_video.avi");
    CAviWriter writer;
    CAviVideoStream video;
    video.SetFormat(&bmih, sizeof bmih, 1, 25, bmih.biSizeImage);
    video.SetWriter(&writer);
    writer.AddStream(&video);
    writer.SetFileName(path.c_str());
    if (!writer.Start()) {
        std::printf("video: start failed\n");
        return;
    }
    double dStart = NowMs();
    for (DWORD n = 0; n < nFrames; ++n)
        video.CMediaStream::Deliver(frame.data(), bmih.biSizeImage, n * 40, 40, AVIIF_KEYFRAME);
    writer.Stop();
    double dSeconds = (NowMs() - dStart) / 1000.0;
    std::printf("video %ldx%ld raw, %lu frames: %.0f frames/s, %.1f MB/s into the file\n", nWidth, nHeight, nFrames,
                nFrames / dSeconds, nFrames * static_cast<double>(bmih.biSizeImage) / 1048576.0 / dSeconds);
    DeleteFileA(path.c_str());
}

void MeasureAudio(DWORD nChunks)
{
    std::vector<BYTE> chunk(417, 0);
    chunk[0] = 0xFF;
    chunk[1] = 0xFB;
    chunk[2] = 0x90;
    std::string path = TempFile("orvane_bench_audio.avi");
    CAviWriter writer;
    CAviAudioStream audio;
    audio.SetWaveFormat(Mp3Format());
    audio.SetWriter(&writer);
    writer.AddStream(&audio);
    writer.SetFileName(path.c_str());
    if (!writer.Start()) {
        std::printf("audio: start failed\n");
        return;
    }
    double dStart = NowMs();
    for (DWORD n = 0; n < nChunks; ++n)
        audio.CMediaStream::Deliver(chunk.data(), static_cast<DWORD>(chunk.size()), n * 26, 26, 0);
    writer.Stop();
    double dSeconds = (NowMs() - dStart) / 1000.0;
    std::printf("audio MP3 chunks (26 ms, one-second groups), %lu chunks: %.0f chunks/s "
                "(%.0fx real time)\n",
                nChunks, nChunks / dSeconds, nChunks * 0.026 / dSeconds);
    DeleteFileA(path.c_str());
}
} // namespace

int main()
{
    MeasureVideo(640, 480, 500);
    MeasureVideo(1280, 800, 200);
    MeasureAudio(20000);
    return 0;
}
