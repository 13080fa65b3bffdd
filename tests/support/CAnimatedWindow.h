#pragma once

#include <windows.h>

// A topmost window over a rectangle, run on a thread of its own, whose colour changes every
// 50 ms (red = step mod 256) and which shows the step number: something moving to record.
class CAnimatedWindow
{
public:
    CAnimatedWindow();
    ~CAnimatedWindow();

    bool Show(const RECT& rect);
    void Close();

private:
    static DWORD WINAPI Run(LPVOID pParam);
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    RECT m_rect;
    HANDLE m_hReady;
    HANDLE m_hThread;
    HWND m_hWnd;
};
