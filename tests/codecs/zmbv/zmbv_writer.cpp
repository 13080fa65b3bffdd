// Compresses a synthetic desktop with the built-in ZMBV compressor, calling it the way the
// program's video compressor does, and writes the frames into an AVI file through AVIFile.
// Optionally writes the original frames (top row first, B G R 0 bytes) to a file or stdout.
// Prints frame counts, sizes and compression times per kind of frame.
#include <windows.h>
#include <vfw.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

#include "codecs/zmbv/CDesktopScene.h"
#include "codecs/zmbv/CZmbvCodec.h"
#include "codecs/zmbv/ZmbvDriver.h"

namespace {
struct Options
{
    std::string avi;
    std::string raw;
    int nWidth = 320;
    int nHeight = 240;
    int nFrames = 100;
    int nFps = 30;
    int nRepeat = 1;
    int nKeyRate = 300;
    bool bTopDown = false;
    int nLevel = 0;  // 0: the compressor's default
    int nRange = -1; // -1: the compressor's default
    int nScroll = 3; // pixels the text window scrolls per frame
};

struct KindStats
{
    int nCount = 0;
    double dTotalMs = 0;
    double dMaxMs = 0;
    double dTotalAllMs = 0;
    double dCpuMs = 0;
    unsigned long long nBytes = 0;
    std::vector<double> times;

    // On a busy machine the mean carries the time slices lost to other processes; the
    // median shows what a frame costs.
    double Percentile(int nPercent)
    {
        if (times.empty())
            return 0;
        std::sort(times.begin(), times.end());
        return times[(times.size() - 1) * (size_t)nPercent / 100];
    }
};

bool ParseOptions(int argc, char** argv, Options* pOptions)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool bHasValue = i + 1 < argc;
        if (arg == "--topdown")
            pOptions->bTopDown = true;
        else if (arg == "--avi" && bHasValue)
            pOptions->avi = argv[++i];
        else if (arg == "--raw" && bHasValue)
            pOptions->raw = argv[++i];
        else if (arg == "--width" && bHasValue)
            pOptions->nWidth = atoi(argv[++i]);
        else if (arg == "--height" && bHasValue)
            pOptions->nHeight = atoi(argv[++i]);
        else if (arg == "--frames" && bHasValue)
            pOptions->nFrames = atoi(argv[++i]);
        else if (arg == "--fps" && bHasValue)
            pOptions->nFps = atoi(argv[++i]);
        else if (arg == "--repeat" && bHasValue)
            pOptions->nRepeat = atoi(argv[++i]);
        else if (arg == "--level" && bHasValue)
            pOptions->nLevel = atoi(argv[++i]);
        else if (arg == "--scroll" && bHasValue)
            pOptions->nScroll = atoi(argv[++i]);
        else if (arg == "--range" && bHasValue)
            pOptions->nRange = atoi(argv[++i]);
        else if (arg == "--keyrate" && bHasValue)
            pOptions->nKeyRate = atoi(argv[++i]);
        else
            return false;
    }
    return !pOptions->avi.empty() && pOptions->nWidth > 0 && pOptions->nHeight > 0 && pOptions->nFrames > 0 &&
           pOptions->nFps > 0 && pOptions->nRepeat > 0;
}

double Milliseconds(LARGE_INTEGER start, LARGE_INTEGER end)
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    return (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

class CAviOutput
{
public:
    ~CAviOutput()
    {
        if (m_pStream)
            AVIStreamRelease(m_pStream);
        if (m_pFile)
            AVIFileRelease(m_pFile);
        AVIFileExit();
    }

    bool Open(const std::string& path, const BITMAPINFOHEADER& format, int nFps)
    {
        AVIFileInit();
        DeleteFileA(path.c_str());
        if (AVIFileOpenA(&m_pFile, path.c_str(), OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK)
            return false;
        AVISTREAMINFOA info;
        memset(&info, 0, sizeof(info));
        info.fccType = streamtypeVIDEO;
        info.fccHandler = format.biCompression;
        info.dwScale = 1;
        info.dwRate = (DWORD)nFps;
        info.dwSuggestedBufferSize = format.biSizeImage;
        SetRect(&info.rcFrame, 0, 0, format.biWidth, format.biHeight);
        if (AVIFileCreateStreamA(m_pFile, &m_pStream, &info) != AVIERR_OK)
            return false;
        return AVIStreamSetFormat(m_pStream, 0, const_cast<BITMAPINFOHEADER*>(&format), sizeof(format)) == AVIERR_OK;
    }

    bool Write(LONG nFrame, const void* pData, DWORD cbData, bool bKey)
    {
        return AVIStreamWrite(m_pStream, nFrame, 1, const_cast<void*>(pData), (LONG)cbData, bKey ? AVIIF_KEYFRAME : 0,
                              nullptr, nullptr) == AVIERR_OK;
    }

private:
    PAVIFILE m_pFile = nullptr;
    PAVISTREAM m_pStream = nullptr;
};

// CPU time of this thread. It advances in scheduler ticks, so only sums over many frames
// mean something; unlike the clock, it leaves out the time other processes take.
double ThreadCpuMilliseconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) / 10000.0;
}

int Fail(const char* pszWhat)
{
    fprintf(stderr, "zmbv_writer: %s\n", pszWhat);
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options))
        return Fail("usage: --avi out.avi [--raw out.raw|-] [--width W --height H --frames N --fps F "
                    "--repeat R --keyrate K --level L --range R --scroll S --topdown]");
    bool bRawToStdout = options.raw == "-";
    FILE* pReport = bRawToStdout ? stderr : stdout;
    FILE* pRaw = nullptr;
    if (bRawToStdout) {
        _setmode(_fileno(stdout), _O_BINARY);
        pRaw = stdout;
    } else if (!options.raw.empty()) {
        pRaw = fopen(options.raw.c_str(), "wb");
        if (!pRaw)
            return Fail("cannot create the raw file");
    }

    if (!ZmbvInstallForProcess())
        return Fail("cannot install the compressor");
    HIC hic = ICOpen(ICTYPE_VIDEO, mmioFOURCC('Z', 'M', 'B', 'V'), ICMODE_COMPRESS);
    if (!hic)
        return Fail("cannot open the compressor");

    if (options.nLevel > 0 || options.nRange >= 0) {
        ZmbvState state;
        if (ICGetState(hic, &state, sizeof(state)) != sizeof(state))
            return Fail("cannot read the compressor state");
        if (options.nLevel > 0)
            state.dwZlibLevel = (DWORD)options.nLevel;
        if (options.nRange >= 0)
            state.dwSearchRange = (DWORD)options.nRange;
        if (ICSetState(hic, &state, sizeof(state)) != sizeof(state))
            return Fail("the compressor refuses the state");
    }

    BITMAPINFOHEADER input;
    memset(&input, 0, sizeof(input));
    input.biSize = sizeof(input);
    input.biWidth = options.nWidth;
    input.biHeight = options.bTopDown ? -options.nHeight : options.nHeight;
    input.biPlanes = 1;
    input.biBitCount = 32;
    input.biCompression = BI_RGB;
    input.biSizeImage = (DWORD)(options.nWidth * options.nHeight * 4);

    BITMAPINFOHEADER output;
    if (ICCompressQuery(hic, &input, nullptr) != ICERR_OK || ICCompressGetFormatSize(hic, &input) != sizeof(output) ||
        ICCompressGetFormat(hic, &input, &output) != ICERR_OK)
        return Fail("the compressor refuses the format");
    DWORD cbMax = ICCompressGetSize(hic, &input, &output);
    std::vector<BYTE> out(cbMax);
    ICCOMPRESSFRAMES frames;
    memset(&frames, 0, sizeof(frames));
    frames.lFrameCount = 0x0FFFFFFF;
    frames.lQuality = 7500;
    frames.lKeyRate = options.nKeyRate;
    frames.dwRate = (DWORD)options.nFps;
    frames.dwScale = 1;
    ICSendMessage(hic, ICM_COMPRESS_FRAMES_INFO, (DWORD_PTR)&frames, sizeof(frames));
    if (ICCompressBegin(hic, &input, &output) != ICERR_OK)
        return Fail("compress begin refused");

    CAviOutput avi;
    if (!avi.Open(options.avi, output, options.nFps))
        return Fail("cannot create the AVI file");

    CDesktopScene scene(options.nWidth, options.nHeight, options.nScroll);
    std::vector<uint32_t> dib((size_t)options.nWidth * options.nHeight);
    KindStats stats[3];
    double dBudgetMs = 1000.0 / options.nFps;
    double dTotalMs = 0;
    int nOverBudget = 0;
    unsigned long long nTotalBytes = 0;
    int nKeyFrames = 0;
    int nCountdown = 1;
    for (int nFrame = 0; nFrame < options.nFrames; ++nFrame) {
        scene.Render(nFrame);
        if (options.bTopDown)
            memcpy(dib.data(), scene.Pixels(), dib.size() * 4);
        else
            scene.CopyBottomUp(dib.data());
        bool bForceKey = options.nKeyRate > 0 ? --nCountdown == 0 : nFrame == 0;

        DWORD dwFlags = 0;
        DWORD dwOrigSize = output.biSizeImage;
        double dFirstMs = 0;
        LARGE_INTEGER start, end;
        double dCpuStart = ThreadCpuMilliseconds();
        double dCpuFirst = dCpuStart;
        QueryPerformanceCounter(&start);
        for (int r = 0; r < options.nRepeat; ++r) {
            dwFlags = bForceKey ? AVIIF_KEYFRAME : 0;
            output.biSizeImage = dwOrigSize;
            LARGE_INTEGER one;
            DWORD dwResult =
                ICCompress(hic, bForceKey ? ICCOMPRESS_KEYFRAME : 0, &output, out.data(), &input, dib.data(), nullptr,
                           &dwFlags, nFrame, nFrame == 0 ? 0xFFFFFF : 0, 7500, bForceKey ? nullptr : &input, nullptr);
            QueryPerformanceCounter(&one);
            if (r == 0) {
                dFirstMs = Milliseconds(start, one);
                dCpuFirst = ThreadCpuMilliseconds();
            }
            if (dwResult != ICERR_OK)
                return Fail("compression failed");
        }
        QueryPerformanceCounter(&end);
        DWORD cbFrame = output.biSizeImage;
        output.biSizeImage = dwOrigSize;
        bool bKey = (dwFlags & AVIIF_KEYFRAME) != 0;
        if (bKey) {
            ++nKeyFrames;
            nCountdown = options.nKeyRate;
        }
        if (!avi.Write(nFrame, out.data(), cbFrame, bKey))
            return Fail("cannot write the AVI file");

        dTotalMs += Milliseconds(start, end);
        nOverBudget += Milliseconds(start, end) > dBudgetMs;
        KindStats& kind = stats[nFrame == 0 ? CDesktopScene::KindFull : CDesktopScene::KindOf(nFrame)];
        ++kind.nCount;
        kind.dTotalMs += dFirstMs;
        kind.dTotalAllMs += Milliseconds(start, end);
        kind.dMaxMs = dFirstMs > kind.dMaxMs ? dFirstMs : kind.dMaxMs;
        kind.times.push_back(dFirstMs);
        kind.dCpuMs += dCpuFirst - dCpuStart;
        kind.nBytes += cbFrame;
        nTotalBytes += cbFrame;
        if (pRaw && fwrite(scene.Pixels(), 4, dib.size(), pRaw) != dib.size())
            return Fail("cannot write the raw frames");
    }
    ICCompressEnd(hic);
    ICClose(hic);
    if (pRaw && pRaw != stdout)
        fclose(pRaw);
    if (pRaw == stdout)
        fflush(stdout);

    fprintf(pReport, "frames=%d keyframes=%d bytes=%llu raw_bytes=%llu\n", options.nFrames, nKeyFrames, nTotalBytes,
            (unsigned long long)options.nFrames * dib.size() * 4);
    fprintf(pReport, "total_ms=%.1f over_budget=%d budget_ms=%.2f\n", dTotalMs, nOverBudget, dBudgetMs);
    const char* names[3] = {"still", "partial", "full"};
    for (int k = 0; k < 3; ++k) {
        if (stats[k].nCount == 0)
            continue;
        fprintf(pReport,
                "kind=%s count=%d mean_ms=%.3f cpu_mean_ms=%.3f median_ms=%.3f p95_ms=%.3f max_ms=%.3f "
                "mean_ms_all_calls=%.3f mean_bytes=%llu\n",
                names[k], stats[k].nCount, stats[k].dTotalMs / stats[k].nCount, stats[k].dCpuMs / stats[k].nCount,
                stats[k].Percentile(50), stats[k].Percentile(95), stats[k].dMaxMs,
                stats[k].dTotalAllMs / stats[k].nCount, stats[k].nBytes / stats[k].nCount);
    }
    return 0;
}
