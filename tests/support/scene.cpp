// Test scenes, run inside the Wine desktop next to the program under test:
//   scene counter X Y W H SECONDS   a topmost window over the rectangle whose colour and
//                                   number change every 50 ms (red = step mod 256)
//   scene tone SECONDS [HZ]         a sine tone through waveOut (1 kHz by default)
//   scene flash SECONDS [X Y W H [MS]]
//                                   once a second (or every MS milliseconds): the screen (or the
//                                   rectangle) flashes white and a click plays at the same instant
// Each ends by itself after SECONDS.
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const int kRate = 44100;
DWORD g_dwStart;

DWORD Step()
{
    return (GetTickCount() - g_dwStart) / 50;
}

LRESULT CALLBACK CounterProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_TIMER:
        InvalidateRect(hWnd, nullptr, FALSE);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hDC = BeginPaint(hWnd, &ps);
        RECT rc;
        GetClientRect(hWnd, &rc);
        DWORD dwStep = Step();
        HBRUSH hBrush = CreateSolidBrush(RGB(dwStep % 256, 128, 255 - dwStep % 256));
        FillRect(hDC, &rc, hBrush);
        DeleteObject(hBrush);
        char szText[32];
        snprintf(szText, sizeof(szText), "%lu", static_cast<unsigned long>(dwStep));
        SetBkMode(hDC, TRANSPARENT);
        SetTextColor(hDC, RGB(255, 255, 255));
        RECT rcText = {rc.left + 4, rc.top + 4, rc.right, rc.top + 30};
        DrawTextA(hDC, szText, -1, &rcText, DT_LEFT | DT_TOP | DT_SINGLELINE);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK FlashProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

HWND CreateSceneWindow(WNDPROC pfnProc, const char* pszClass, int x, int y, int w, int h)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = pfnProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = pszClass;
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, pszClass, "Orvane test scene",
                                WS_POPUP, x, y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
    if (hWnd)
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    return hWnd;
}

void PumpUntil(DWORD dwEnd)
{
    MSG msg;
    while (GetTickCount() < dwEnd) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

int Counter(int x, int y, int w, int h, DWORD dwSeconds)
{
    HWND hWnd = CreateSceneWindow(CounterProc, "OrvaneSceneCounter", x, y, w, h);
    if (!hWnd)
        return 1;
    SetTimer(hWnd, 1, 20, nullptr);
    PumpUntil(GetTickCount() + dwSeconds * 1000);
    DestroyWindow(hWnd);
    return 0;
}

HWAVEOUT OpenWaveOut()
{
    WAVEFORMATEX wfx = {WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
    HWAVEOUT hOut = nullptr;
    return waveOutOpen(&hOut, WAVE_MAPPER, &wfx, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR ? hOut : nullptr;
}

int Tone(DWORD dwSeconds, int nHz)
{
    HWAVEOUT hOut = OpenWaveOut();
    if (!hOut)
        return 1;
    std::vector<short> pcm(size_t(kRate) * dwSeconds * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<short>(12000 * sin(2 * 3.14159265358979 * nHz * double(i / 2) / kRate));
    WAVEHDR hdr = {};
    hdr.lpData = reinterpret_cast<LPSTR>(pcm.data());
    hdr.dwBufferLength = DWORD(pcm.size() * sizeof(short));
    waveOutPrepareHeader(hOut, &hdr, sizeof(hdr));
    waveOutWrite(hOut, &hdr, sizeof(hdr));
    Sleep(dwSeconds * 1000 + 200);
    waveOutReset(hOut);
    waveOutUnprepareHeader(hOut, &hdr, sizeof(hdr));
    waveOutClose(hOut);
    return 0;
}

// Every period (a second by default), at the same instant: the whole screen (or the given
// rectangle) turns white for 100 ms and a 20 ms click (a 2 kHz burst) starts. Silence and black
// in between. A period that is no whole number of frames moves the flashes across the frame
// grid, so that an average over flashes measures the picture finer than a frame.
int Flash(DWORD dwSeconds, int x, int y, int w, int h, DWORD dwPeriod)
{
    HWAVEOUT hOut = OpenWaveOut();
    if (!hOut)
        return 1;
    HWND hWnd = CreateSceneWindow(FlashProc, "OrvaneSceneFlash", x, y, w, h);
    if (!hWnd)
        return 1;
    HDC hDC = GetDC(hWnd);
    RECT rc = {0, 0, w, h};
    FillRect(hDC, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    std::vector<short> click(size_t(kRate) / 50 * 2);
    for (size_t i = 0; i < click.size(); ++i)
        click[i] = static_cast<short>(20000 * sin(2 * 3.14159265358979 * 2000 * double(i / 2) / kRate));
    WAVEHDR hdr = {};
    hdr.lpData = reinterpret_cast<LPSTR>(click.data());
    hdr.dwBufferLength = DWORD(click.size() * sizeof(short));
    waveOutPrepareHeader(hOut, &hdr, sizeof(hdr));
    DWORD dwStart = GetTickCount();
    for (DWORD n = 1; n * dwPeriod < dwSeconds * 1000; ++n) {
        PumpUntil(dwStart + n * dwPeriod);
        waveOutReset(hOut);
        hdr.dwFlags &= ~WHDR_DONE;
        waveOutWrite(hOut, &hdr, sizeof(hdr));
        FillRect(hDC, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        GdiFlush();
        PumpUntil(dwStart + n * dwPeriod + 100);
        FillRect(hDC, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        GdiFlush();
    }
    PumpUntil(dwStart + dwSeconds * 1000);
    ReleaseDC(hWnd, hDC);
    DestroyWindow(hWnd);
    waveOutReset(hOut);
    waveOutUnprepareHeader(hOut, &hdr, sizeof(hdr));
    waveOutClose(hOut);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const int argc = __argc;
    char** argv = __argv;
    g_dwStart = GetTickCount();
    if (argc >= 7 && strcmp(argv[1], "counter") == 0)
        return Counter(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), strtoul(argv[6], nullptr, 0));
    if (argc >= 3 && strcmp(argv[1], "tone") == 0)
        return Tone(strtoul(argv[2], nullptr, 0), argc >= 4 ? atoi(argv[3]) : 1000);
    if (argc >= 7 && strcmp(argv[1], "flash") == 0)
        return Flash(strtoul(argv[2], nullptr, 0), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]),
                     argc >= 8 ? strtoul(argv[7], nullptr, 0) : 1000);
    if (argc >= 3 && strcmp(argv[1], "flash") == 0)
        return Flash(strtoul(argv[2], nullptr, 0), 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     1000);
    return 2;
}
