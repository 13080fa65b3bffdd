#include "support/CAnimatedWindow.h"

#include <cstdio>
#include <cstring>

namespace {

DWORD g_dwStart;

} // namespace

CAnimatedWindow::CAnimatedWindow() : m_rect(), m_hReady(nullptr), m_hThread(nullptr), m_hWnd(nullptr)
{
}

CAnimatedWindow::~CAnimatedWindow()
{
    Close();
}

bool CAnimatedWindow::Show(const RECT& rect)
{
    g_dwStart = GetTickCount();
    m_rect = rect;
    m_hReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (!m_hReady || !m_hThread)
        return false;
    WaitForSingleObject(m_hReady, 10000);
    Sleep(300); // let the first picture reach the screen
    return m_hWnd != nullptr;
}

void CAnimatedWindow::Close()
{
    if (m_hWnd)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    if (m_hThread) {
        WaitForSingleObject(m_hThread, 5000);
        CloseHandle(m_hThread);
    }
    if (m_hReady)
        CloseHandle(m_hReady);
    m_hThread = m_hReady = nullptr;
    m_hWnd = nullptr;
}

DWORD WINAPI CAnimatedWindow::Run(LPVOID pParam)
{
    CAnimatedWindow* pThis = static_cast<CAnimatedWindow*>(pParam);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneAnimatedWindow";
    RegisterClassA(&wc);
    const RECT& rc = pThis->m_rect;
    HWND hWnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                                "Orvane test scene", WS_POPUP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (hWnd) {
        ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hWnd);
        SetTimer(hWnd, 1, 20, nullptr);
    }
    pThis->m_hWnd = hWnd;
    SetEvent(pThis->m_hReady);
    MSG msg;
    while (hWnd && GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

LRESULT CALLBACK CAnimatedWindow::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
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
        DWORD dwStep = (GetTickCount() - g_dwStart) / 50;
        HBRUSH hBrush = CreateSolidBrush(RGB(dwStep % 256, 128, 255 - dwStep % 256));
        FillRect(hDC, &rc, hBrush);
        DeleteObject(hBrush);
        char szText[32];
        snprintf(szText, sizeof(szText), "%lu", static_cast<unsigned long>(dwStep));
        SetBkMode(hDC, TRANSPARENT);
        SetTextColor(hDC, RGB(255, 255, 255));
        TextOutA(hDC, 4, 4, szText, static_cast<int>(strlen(szText)));
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}
