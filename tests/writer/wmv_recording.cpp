// Writes a short recording through the WMV writer the way a recording runs: 32-bit frames
// compressed by the video compressor (ZMBV, or the uncompressed pass-through) and a tone
// encoded by lame_enc.dll, both delivered through their streams to the writer's queue and
// thread, and on through the Windows Media runtime.
// Usage: wmv_recording.exe <file.wmv> [seconds] [width] [height] [raw|zmbv]
// Prints key=value lines with what was delivered; exit code 0 on success.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "codec/CMp3Encoder.h"
#include "codec/CVideoCompressor.h"
#include "codecs/zmbv/CZmbvCodec.h"
#include "codecs/zmbv/ZmbvDriver.h"
#include "wmf/WmfRuntime.h"
#include "writer/CWmvAudioStream.h"
#include "writer/CWmvVideoStream.h"
#include "writer/CWmvWriter.h"

namespace {
const DWORD kFps = 25;
const int kSampleRate = 44100;

std::string ProgramFolder()
{
    char szPath[MAX_PATH];
    DWORD nLength = GetModuleFileNameA(nullptr, szPath, sizeof szPath);
    std::string path(szPath, nLength);
    return path.substr(0, path.find_last_of('\\') + 1);
}

BITMAPINFOHEADER FrameFormat(LONG nWidth, LONG nHeight)
{
    BITMAPINFOHEADER bmih = {};
    bmih.biSize = sizeof bmih;
    bmih.biWidth = nWidth;
    bmih.biHeight = nHeight;
    bmih.biPlanes = 1;
    bmih.biBitCount = 32;
    bmih.biCompression = BI_RGB;
    bmih.biSizeImage = nWidth * 4 * nHeight;
    return bmih;
}

// A vertical bar moving across a grey background.
void PaintFrame(std::vector<DWORD>& pixels, LONG nWidth, LONG nHeight, DWORD nFrame)
{
    LONG nBar = static_cast<LONG>(nFrame * 4 % nWidth);
    for (LONG y = 0; y < nHeight; ++y)
        for (LONG x = 0; x < nWidth; ++x)
            pixels[y * nWidth + x] = (x >= nBar && x < nBar + 8) ? 0x00FF4020 : 0x00808080;
}

void MakeTone(std::vector<short>& pcm, DWORD nBlock)
{
    size_t nFrames = pcm.size() / 2;
    for (size_t i = 0; i < nFrames; ++i) {
        double t = static_cast<double>(nBlock * nFrames + i) / kSampleRate;
        short nValue = static_cast<short>(6000 * std::sin(2 * 3.14159265358979 * 440 * t));
        pcm[2 * i] = pcm[2 * i + 1] = nValue;
    }
}

int Fail(const char* pszWhat)
{
    std::printf("error=%s\n", pszWhat);
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage");
    const char* pszFile = argv[1];
    DWORD nSeconds = argc > 2 ? std::atoi(argv[2]) : 2;
    LONG nWidth = argc > 3 ? std::atoi(argv[3]) : 160;
    LONG nHeight = argc > 4 ? std::atoi(argv[4]) : 120;
    bool bZmbv = argc > 5 && std::string(argv[5]) == "zmbv";
    if (bZmbv && !ZmbvInstallForProcess())
        return Fail("zmbv install");

    BITMAPINFOHEADER input = FrameFormat(nWidth, nHeight);
    CVideoCompressor compressor;
    std::vector<std::string> names;
    compressor.SetInputFormat(&input, sizeof input);
    compressor.SetRate(kFps);
    compressor.SetScale(1);
    if (!compressor.BuildCatalogue(names))
        return Fail("catalogue");
    int nCodec = bZmbv ? compressor.FindByHandler(ZmbvHandler) : 0;
    if (nCodec < 0 || !compressor.Select(nCodec) || !compressor.Begin())
        return Fail("compressor");

    CMp3Encoder encoder;
    encoder.SetChannels(2);
    encoder.SetSampleRate(kSampleRate);
    encoder.SetQuality(5);
    if (!encoder.Load((ProgramFolder() + "..\\lame_enc.dll").c_str()) || !encoder.Open())
        return Fail("encoder");

    CWmvWriter writer;
    CWmvVideoStream video;
    CWmvAudioStream audio;
    if (!writer.Initialize())
        return Fail("initialize");
    if (!video.SetEncoder(&compressor, 0) || !audio.SetEncoder(&encoder, 0))
        return Fail("streams");
    video.SetWriter(&writer);
    writer.AddStream(&video);
    audio.SetWriter(&writer);
    writer.AddStream(&audio);
    writer.SetFileName(pszFile);
    if (!writer.Start())
        return Fail("start");

    std::vector<DWORD> pixels(nWidth * nHeight);
    std::vector<short> pcm(encoder.InputBlockBytes() / sizeof(short));
    DWORD nBlockFrames = static_cast<DWORD>(pcm.size() / 2);
    DWORD nFrames = nSeconds * kFps, nBlocks = 0, nAudioBytes = 0, nKeyFrames = 0;
    for (DWORD nFrame = 0; nFrame < nFrames; ++nFrame) {
        DWORD dwTime = nFrame * 1000 / kFps;
        for (;;) {
            DWORD dwBlockTime = static_cast<DWORD>(nBlocks * 1000ull * nBlockFrames / kSampleRate);
            if (dwBlockTime > dwTime)
                break;
            MakeTone(pcm, nBlocks);
            DWORD dwDuration = nBlockFrames * 1000 / kSampleRate;
            if (!audio.Deliver(pcm.data(), encoder.InputBlockBytes(), dwBlockTime, dwDuration, 0))
                return Fail("audio deliver");
            nAudioBytes += encoder.OutputSize();
            ++nBlocks;
        }
        PaintFrame(pixels, nWidth, nHeight, nFrame);
        if (!video.Deliver(pixels.data(), input.biSizeImage, dwTime, 1000 / kFps, 0))
            return Fail("video deliver");
        nKeyFrames += compressor.LastWasKeyFrame() ? 1 : 0;
    }
    encoder.End();
    if (encoder.OutputSize()) {
        nAudioBytes += encoder.OutputSize();
        audio.CMediaStream::Deliver(encoder.OutputBuffer(), encoder.OutputSize(),
                                    nBlocks * 1000 * nBlockFrames / kSampleRate, 0, 0);
    }
    writer.Stop();
    compressor.End();

    if (bZmbv)
        ZmbvRemoveFromProcess();
    std::printf("frames=%lu\nkey_frames=%lu\naudio_blocks=%lu\naudio_bytes=%lu\nsystem_runtime=%d\n", nFrames,
                nKeyFrames, nBlocks, nAudioBytes, CWmfRuntime::IsSystemRuntime() ? 1 : 0);
    return 0;
}
