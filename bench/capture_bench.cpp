// Screen capture figures on the session's display (run by bench/capture.sh):
//  - capture driver: cost of sampling the desktop per second, still and with motion, for a
//    few tile sizes;
//  - desktop reads: the calls the driver could read the desktop with, wall and thread CPU;
//  - the driver's change tracking alone;
//  - GrabChanges for a 1280x720 rectangle: still screen, and a fully changed rectangle per
//    surface format;
//  - pixel conversions: throughput against memcpy of the same 32-bit output.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "drivers/vidcap/CTileTracker.h"
#include "drivers/vidcap/CVidcapDriver.h"
#include "drivers/vidcap/VidcapProtocol.h"
#include "video/CScreenGrabber.h"
#include "video/PixelConversion.h"

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

const RECT CAPTURE = {0, 0, 1280, 720};
const RECT CAPTURE_MOVED = {0, 2, 1280, 722};

// A window that repaints itself in a new colour on every timer tick (motion on screen).
LRESULT CALLBACK MotionProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    static int s_nFrame = 0;
    if (nMessage == WM_TIMER) {
        InvalidateRect(hWnd, nullptr, FALSE);
        return 0;
    }
    if (nMessage == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC hDC = BeginPaint(hWnd, &paint);
        ++s_nFrame;
        HBRUSH hBrush = CreateSolidBrush(RGB(s_nFrame * 7, s_nFrame * 13, s_nFrame * 29));
        RECT client;
        GetClientRect(hWnd, &client);
        FillRect(hDC, &client, hBrush);
        DeleteObject(hBrush);
        EndPaint(hWnd, &paint);
        return 0;
    }
    return DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

void Pump(double dSeconds)
{
    double dEnd = Now() + dSeconds;
    while (Now() < dEnd) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(5);
    }
}

HWND CreateMotionWindow(int nWidth, int nHeight)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MotionProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvaneBenchMotion";
    RegisterClassA(&windowClass);
    HWND hWnd = CreateWindowExA(WS_EX_TOPMOST, "OrvaneBenchMotion", "", WS_POPUP | WS_VISIBLE, 100, 100, nWidth,
                                nHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetTimer(hWnd, 1, 33, nullptr);
    return hWnd;
}

// Runs the desktop for dSeconds; with a grabber, it grabs at 30 ticks a second as a
// recording does (a reader that takes the changes keeps the driver at its full rate).
void ReportDriver(const char* pszWhat, double dSeconds, CScreenGrabber* pGrabber)
{
    CVidcapDriver::Instance().ResetStatistics();
    double dEnd = Now() + dSeconds;
    while (Now() < dEnd) {
        Pump(1.0 / 30);
        if (pGrabber)
            pGrabber->GrabChanges();
    }
    CVidcapDriver::Statistics stats = CVidcapDriver::Instance().GetStatistics();
    double dPerSample = stats.nSamples ? stats.dSampleSeconds * 1000.0 / stats.nSamples : 0.0;
    double dCopy = stats.nSamples ? stats.dCopySeconds * 1000.0 / stats.nSamples : 0.0;
    printf("  %-30s %5.1f samples/s  %5.2f ms/sample (desktop read %5.2f, compare %4.2f)  "
           "%6.1f ms busy per second of desktop (%4.1f%% of a core)  %4.1f rects/sample\n",
           pszWhat, stats.nSamples / stats.dRunSeconds, dPerSample, dCopy, dPerSample - dCopy,
           stats.dSampleSeconds * 1000.0 / stats.dRunSeconds, 100.0 * stats.dSampleSeconds / stats.dRunSeconds,
           stats.nSamples ? static_cast<double>(stats.nRectangles) / stats.nSamples : 0.0);
}

void BenchDriver()
{
    printf("Capture driver sampling (1280x800 desktop, 30 samples/s while a reader takes the changes):\n");
    const int tiles[][2] = {{32, 16}, {64, 16}, {64, 32}, {128, 32}};
    for (const auto& tile : tiles) {
        CVidcapDriver::Instance().SetTileSize(tile[0], tile[1]);
        CScreenGrabber grabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION);
        if (!grabber.Initialize()) {
            printf("  Initialize failed\n");
            return;
        }
        grabber.SetCaptureRect(CAPTURE);
        char szWhat[64];
        snprintf(szWhat, sizeof(szWhat), "tiles %dx%d, still", tile[0], tile[1]);
        ReportDriver(szWhat, 3.0, &grabber);
        HWND hWnd = CreateMotionWindow(640, 360);
        snprintf(szWhat, sizeof(szWhat), "tiles %dx%d, 640x360 moving", tile[0], tile[1]);
        ReportDriver(szWhat, 3.0, &grabber);
        if (tile[0] == 64 && tile[1] == 16) {
            // No recording: after two seconds without a reader the driver slows down.
            Pump(2.5);
            ReportDriver("tiles 64x16, moving, no reader", 3.0, nullptr);
        }
        DestroyWindow(hWnd);
        Pump(0.2);
        grabber.Shutdown();
    }
    CVidcapDriver::Instance().SetTileSize(64, 16);
}

double ThreadCpu()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return static_cast<double>(k.QuadPart + u.QuadPart) / 1e7;
}

// Reads of the desktop as the driver's sampler could make them, in a loop: wall and thread CPU
// per read, against a plain copy of the same bytes.
void BenchRead()
{
    HDC hScreen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    int nWidth = GetDeviceCaps(hScreen, HORZRES), nHeight = GetDeviceCaps(hScreen, VERTRES);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = nWidth;
    info.bmiHeader.biHeight = -nHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hDib = CreateDIBSection(hScreen, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HDC hMemory = CreateCompatibleDC(hScreen);
    HGDIOBJ hOld = SelectObject(hMemory, hDib);
    const int nReads = 200;
    printf("Desktop reads (%dx%d desktop), per read: wall ms, thread CPU ms\n", nWidth, nHeight);
    struct
    {
        const char* pszName;
        RECT rect;
    } reads[] = {{"BitBlt whole desktop", {0, 0, nWidth, nHeight}},
                 {"BitBlt 1280x780", {0, 0, 1280, 780}},
                 {"BitBlt 1280x720", {0, 0, 1280, 720}},
                 {"BitBlt 640x360", {0, 0, 640, 360}},
                 {"BitBlt 16 rows", {0, 0, nWidth, 16}}};
    for (const auto& r : reads) {
        BitBlt(hMemory, r.rect.left, r.rect.top, r.rect.right - r.rect.left, r.rect.bottom - r.rect.top, hScreen,
               r.rect.left, r.rect.top, SRCCOPY);
        double dStart = Now(), dCpu = ThreadCpu();
        for (int i = 0; i < nReads; ++i) {
            BitBlt(hMemory, r.rect.left, r.rect.top, r.rect.right - r.rect.left, r.rect.bottom - r.rect.top, hScreen,
                   r.rect.left, r.rect.top, SRCCOPY);
            GdiFlush();
        }
        printf("  %-28s %6.2f ms wall %6.2f ms CPU\n", r.pszName, (Now() - dStart) * 1e3 / nReads,
               (ThreadCpu() - dCpu) * 1e3 / nReads);
    }
    const int bands[] = {400, 200, 100, 50};
    for (int nBand : bands) {
        double dStart = Now(), dCpu = ThreadCpu();
        for (int i = 0; i < nReads / 4; ++i) {
            for (int y = 0; y < nHeight; y += nBand)
                BitBlt(hMemory, 0, y, nWidth, std::min(nBand, nHeight - y), hScreen, 0, y, SRCCOPY);
            GdiFlush();
        }
        printf("  whole desktop in %3d-row bands %6.2f ms wall %6.2f ms CPU\n", nBand,
               (Now() - dStart) * 1e3 / (nReads / 4), (ThreadCpu() - dCpu) * 1e3 / (nReads / 4));
    }
    std::vector<BYTE> copy(static_cast<size_t>(nWidth) * nHeight * 4);
    double dStart = Now(), dCpu = ThreadCpu();
    for (int i = 0; i < nReads; ++i)
        memcpy(copy.data(), pBits, copy.size());
    printf("  %-28s %6.2f ms wall %6.2f ms CPU\n", "memcpy of the whole desktop", (Now() - dStart) * 1e3 / nReads,
           (ThreadCpu() - dCpu) * 1e3 / nReads);
    SelectObject(hMemory, hOld);
    DeleteObject(hDib);
    DeleteDC(hMemory);
    DeleteDC(hScreen);
}

// The driver's change tracking alone on a 1280x800 32-bit desktop: nothing changed, every
// pixel changed, and one 64x16 tile changed.
void BenchTrack()
{
    const int nWidth = 1280, nHeight = 800, nStride = nWidth * 4;
    const size_t nBytes = static_cast<size_t>(nStride) * nHeight;
    std::vector<BYTE> a(nBytes, 0x11), b(nBytes, 0x11), surface(nBytes);
    CTileTracker tracker;
    tracker.Configure(nWidth, nHeight, 4, nStride, 64, 16);
    std::vector<RECT> rects;
    const int nRepeats = 200;
    printf("Change tracking, 1280x800 32-bit, 64x16 tiles, per sample: wall ms, thread CPU ms\n");
    for (int nCase = 0; nCase < 3; ++nCase) {
        memset(b.data(), 0x11, nBytes);
        if (nCase == 1)
            memset(b.data(), 0x22, nBytes);
        if (nCase == 2)
            b[static_cast<size_t>(400) * nStride + 640 * 4] = 0x22;
        double dStart = Now(), dCpu = ThreadCpu();
        for (int i = 0; i < nRepeats; ++i)
            tracker.Track(i % 2 ? a.data() : b.data(), i % 2 ? b.data() : a.data(), surface.data(), nWidth, nHeight,
                          rects);
        const char* names[] = {"nothing changed", "everything changed", "one tile changed"};
        printf("  %-28s %6.2f ms wall %6.2f ms CPU\n", names[nCase], (Now() - dStart) * 1e3 / nRepeats,
               (ThreadCpu() - dCpu) * 1e3 / nRepeats);
    }
}

void BenchGrab()
{
    printf("GrabChanges, 1280x720 capture rectangle:\n");
    const CVidcapDriver::SurfaceFormat formats[] = {CVidcapDriver::FORMAT_32, CVidcapDriver::FORMAT_24,
                                                    CVidcapDriver::FORMAT_565, CVidcapDriver::FORMAT_555};
    const char* names[] = {"32-bit", "24-bit", "16-bit 5-6-5", "16-bit 5-5-5"};
    for (int n = 0; n < 4; ++n) {
        CVidcapDriver::Instance().SetSurfaceFormat(formats[n]);
        CScreenGrabber grabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION);
        if (!grabber.Initialize()) {
            printf("  Initialize failed\n");
            return;
        }
        grabber.SetCaptureRect(CAPTURE);
        grabber.GrabChanges();
        Pump(0.3);
        grabber.GrabChanges();
        const int nStill = 2000;
        double dStart = Now();
        for (int i = 0; i < nStill; ++i)
            grabber.GrabChanges();
        double dStill = (Now() - dStart) / nStill;
        const int nFull = 100;
        dStart = Now();
        for (int i = 0; i < nFull; ++i) {
            grabber.SetCaptureRect(i % 2 ? CAPTURE : CAPTURE_MOVED);
            grabber.GrabChanges();
        }
        double dFull = (Now() - dStart) / nFull;
        printf("  %-14s still screen %7.1f us per tick   fully changed %6.2f ms per tick\n", names[n], dStill * 1e6,
               dFull * 1e3);
        grabber.Shutdown();
    }
    CVidcapDriver::Instance().SetSurfaceFormat(CVidcapDriver::FORMAT_DESKTOP);
}

void BenchConversions()
{
    const int nWidth = 1280, nRows = 720;
    std::vector<BYTE> source(static_cast<size_t>(nWidth) * 4 * nRows, 0x5A);
    std::vector<BYTE> dest(static_cast<size_t>(nWidth) * 4 * nRows);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<BYTE>(i * 2654435761u >> 24);
    const int nRepeats = 50;
    double dStart = Now();
    for (int r = 0; r < nRepeats; ++r) {
        for (int y = 0; y < nRows; ++y)
            memcpy(dest.data() + y * nWidth * 4, source.data() + y * nWidth * 4, nWidth * 4);
    }
    double dCopy = (Now() - dStart) / nRepeats;
    double dBytes = static_cast<double>(nWidth) * nRows * 4;
    printf("Conversions, 1280x720 (32-bit output %.1f MB):\n", dBytes / 1e6);
    printf("  memcpy of 32-bit rows     %6.2f ms  %7.0f MB/s\n", dCopy * 1e3, dBytes / dCopy / 1e6);
    struct
    {
        const char* pszName;
        RowConverter pfn;
        int nSourceBytes;
    } conversions[] = {{"5-5-5 -> 32 (SSE2)", Convert555To32, 2}, {"5-5-5 -> 32 (plain)", Convert555To32Plain, 2},
                       {"5-6-5 -> 32 (SSE2)", Convert565To32, 2}, {"5-6-5 -> 32 (plain)", Convert565To32Plain, 2},
                       {"24 -> 32 (SSE2)", Convert24To32, 3},     {"24 -> 32 (plain)", Convert24To32Plain, 3}};
    for (const auto& c : conversions) {
        dStart = Now();
        for (int r = 0; r < nRepeats; ++r)
            c.pfn(dest.data(), nWidth * 4, source.data(), nWidth * c.nSourceBytes, nWidth, nRows);
        double dTime = (Now() - dStart) / nRepeats;
        printf("  %-24s  %6.2f ms  %7.0f MB/s  %5.2f of memcpy\n", c.pszName, dTime * 1e3, dBytes / dTime / 1e6,
               dCopy / dTime);
    }
}

} // namespace

int main(int argc, char** argv)
{
    bool bAll = argc < 2;
    for (int i = 1; i < argc || bAll; ++i) {
        const char* pszPart = bAll ? "all" : argv[i];
        if (bAll || strcmp(pszPart, "convert") == 0)
            BenchConversions();
        if (bAll || strcmp(pszPart, "read") == 0)
            BenchRead();
        if (bAll || strcmp(pszPart, "track") == 0)
            BenchTrack();
        if (bAll || strcmp(pszPart, "grab") == 0)
            BenchGrab();
        if (bAll || strcmp(pszPart, "driver") == 0)
            BenchDriver();
        if (bAll)
            break;
    }
    return 0;
}
