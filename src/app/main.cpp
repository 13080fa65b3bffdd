// Skeleton program: an empty dialog that opens and closes.
#include <windows.h>
#include "res/resource.h"

static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    HWND hWnd = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_ORVANE_DIALOG), nullptr, DialogProc, 0);
    if (!hWnd)
        return 1;
    ShowWindow(hWnd, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
