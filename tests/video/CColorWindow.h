#pragma once
// A top-most borderless window filled with one colour, for tests that look at the desktop.
#include <windows.h>

class CColorWindow
{
public:
    CColorWindow(const RECT& rect, COLORREF color);
    ~CColorWindow();
    CColorWindow(const CColorWindow&) = delete;
    CColorWindow& operator=(const CColorWindow&) = delete;

    bool IsValid() const { return m_hWnd != nullptr; }
    // Handles pending messages (painting) for about nMilliseconds.
    static void Pump(DWORD nMilliseconds);

private:
    HWND m_hWnd;
    HBRUSH m_hBrush;
};
