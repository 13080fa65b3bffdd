#include "video/CColorWindow.h"

namespace {

const char CLASS_NAME[] = "OrvaneTestColorWindow";

LRESULT CALLBACK ColorWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC hDC = BeginPaint(hWnd, &paint);
        RECT client;
        GetClientRect(hWnd, &client);
        FillRect(hDC, &client, reinterpret_cast<HBRUSH>(GetWindowLongPtrA(hWnd, GWLP_USERDATA)));
        EndPaint(hWnd, &paint);
        return 0;
    }
    if (nMessage == WM_ERASEBKGND)
        return 1;
    return DefWindowProcA(hWnd, nMessage, wParam, lParam);
}

} // namespace

CColorWindow::CColorWindow(const RECT& rect, COLORREF color) : m_hWnd(nullptr), m_hBrush(CreateSolidBrush(color))
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ColorWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = CLASS_NAME;
    RegisterClassA(&windowClass); // fails harmlessly when already registered
    m_hWnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, CLASS_NAME, "", WS_POPUP, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    if (!m_hWnd)
        return;
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_hBrush));
    ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    UpdateWindow(m_hWnd);
    GdiFlush();
}

CColorWindow::~CColorWindow()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    Pump(50);
    DeleteObject(m_hBrush);
}

void CColorWindow::Pump(DWORD nMilliseconds)
{
    DWORD nStart = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - nStart < nMilliseconds);
}
