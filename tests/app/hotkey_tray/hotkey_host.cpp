// Registers a hotkey ("hotkey_host <packed value>") for a window and prints each WM_HOTKEY it
// gets as "hotkey <modifiers> <virtual key> match|other"; prints "registered <name>" first.
// Ends after the first hotkey or after 20 seconds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/CHotKey.h"

namespace {

CHotKey g_hotKey;

LRESULT CALLBACK HostProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_HOTKEY) {
        UINT nModifiers = LOWORD(lParam), nVirtKey = HIWORD(lParam);
        printf("hotkey %u %u %s\n", nModifiers, nVirtKey, g_hotKey.Matches(nModifiers, nVirtKey) ? "match" : "other");
        fflush(stdout);
        PostQuitMessage(0);
        return 0;
    }
    if (nMessage == WM_TIMER) {
        printf("timed out\n");
        fflush(stdout);
        PostQuitMessage(1);
        return 0;
    }
    return DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneHotkeyHost";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(0, wc.lpszClassName, "hotkey host", WS_OVERLAPPED, 0, 0, 100, 50, nullptr, nullptr,
                                wc.hInstance, nullptr);
    g_hotKey.SetValue(static_cast<DWORD>(strtoul(argv[1], nullptr, 0)));
    if (!hWnd || !g_hotKey.Register(hWnd, CHotKey::IdFromHandle(hWnd))) {
        printf("register failed\n");
        return 3;
    }
    printf("registered %s\n", static_cast<LPCSTR>(g_hotKey.Text()));
    fflush(stdout);
    SetTimer(hWnd, 1, 20000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    g_hotKey.Unregister();
    DestroyWindow(hWnd);
    return static_cast<int>(msg.wParam);
}
