// Holds a hotkey in its own process: "hotkey_holder <modifiers> <virtual key>" registers it,
// signals the event "OrvaneHotkeyHolderReady" (or "OrvaneHotkeyHolderFailed") and keeps it
// until the event "OrvaneHotkeyHolderQuit" is set, at most 60 seconds.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HANDLE hReady = CreateEventA(nullptr, TRUE, FALSE, "OrvaneHotkeyHolderReady");
    HANDLE hFailed = CreateEventA(nullptr, TRUE, FALSE, "OrvaneHotkeyHolderFailed");
    HANDLE hQuit = CreateEventA(nullptr, TRUE, FALSE, "OrvaneHotkeyHolderQuit");
    HWND hWnd = CreateWindowExA(0, "STATIC", "hotkey holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    UINT nModifiers = static_cast<UINT>(strtoul(argv[1], nullptr, 0));
    UINT nVirtKey = static_cast<UINT>(strtoul(argv[2], nullptr, 0));
    if (!hWnd || !RegisterHotKey(hWnd, 1, nModifiers, nVirtKey)) {
        SetEvent(hFailed);
        return 1;
    }
    SetEvent(hReady);
    DWORD nStart = GetTickCount();
    while (GetTickCount() - nStart < 60000) {
        if (MsgWaitForMultipleObjects(1, &hQuit, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    UnregisterHotKey(hWnd, 1);
    DestroyWindow(hWnd);
    CloseHandle(hQuit);
    CloseHandle(hFailed);
    CloseHandle(hReady);
    return 0;
}
