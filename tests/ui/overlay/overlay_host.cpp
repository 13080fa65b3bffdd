// Hosts a selection overlay for input from outside: starts a selection at once, prints
// "ready", and prints how it ended ("accepted l t r b w h" and the locked frame, or
// "cancelled"), then whether the cursors were put back. An accepted rectangle is locked and
// printed again ("still ...") after 1.5 seconds. Gives up after 30 seconds.
#include <windows.h>

#include <cstdio>

#include "framework/AfxCore.h"
#include "framework/CWinApp.h"
#include "ui/CRectSelectWnd.h"

namespace {

CWinApp g_app("Overlay host");
CRectSelectWnd* g_pOverlay = nullptr;

void Print(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    vprintf(pszFormat, args);
    va_end(args);
    fflush(stdout);
}

class CHostWnd : public CWnd
{
public:
    enum { TIMEOUT_TIMER_ID = 7, LOCKED_TIMER_ID = 8 };
    BOOL Create()
    {
        return CreateEx(0, AfxRegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)), "overlay host",
                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 300, 200, nullptr, nullptr);
    }

protected:
    void OnSysCommand(UINT nID, LPARAM)
    {
        if ((nID & 0xFFF0) == SC_RESTORE) {
            Print("cancelled\n");
            PostQuitMessage(0);
        }
    }
    void OnTimer(UINT_PTR nIDEvent)
    {
        if (nIDEvent == LOCKED_TIMER_ID) {
            RECT rc;
            g_pOverlay->GetSelectRect(&rc);
            Print("still %ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom);
            PostQuitMessage(0);
            return;
        }
        Print("timed out\n");
        PostQuitMessage(2);
    }
    LRESULT OnRecordToggle(WPARAM, LPARAM)
    {
        RECT rc;
        g_pOverlay->GetSelectRect(&rc);
        Print("accepted %ld %ld %ld %ld %ld %ld\n", rc.left, rc.top, rc.right, rc.bottom, rc.right - rc.left,
              rc.bottom - rc.top);
        g_pOverlay->SetLocked(TRUE);
        RECT rcFrame;
        g_pOverlay->GetWindowRect(&rcFrame);
        Print("locked frame %ld %ld %ld %ld\n", rcFrame.left, rcFrame.top, rcFrame.right, rcFrame.bottom);
        // Stays locked a while so that mouse input can be tried on it.
        SetTimer(LOCKED_TIMER_ID, 1500);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHostWnd, CWnd)
ON_WM_SYSCOMMAND()
ON_WM_TIMER()
ON_MESSAGE(WM_RECORD_TOGGLE, OnRecordToggle)
END_MESSAGE_MAP()

} // namespace

int main()
{
    CHostWnd host;
    if (!host.Create())
        return 3;
    g_app.m_pMainWnd = &host;
    CRectSelectWnd overlay;
    g_pOverlay = &overlay;
    if (!overlay.Create())
        return 4;
    host.SetTimer(CHostWnd::TIMEOUT_TIMER_ID, 30000);

    overlay.SetMode(CRectSelectWnd::SELECT_DRAG);
    RECT rcEmpty = {};
    overlay.SetSelectRect(&rcEmpty);
    overlay.SetSelecting(TRUE, FALSE);
    overlay.ShowWindow(SW_SHOW);
    Print("ready selecting=%d cursors-replaced=%d\n", overlay.IsSelecting(), overlay.AreCursorsReplaced());

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Print("selecting=%d cursors-replaced=%d\n", overlay.IsSelecting(), overlay.AreCursorsReplaced());
    overlay.Destroy();
    g_app.m_pMainWnd = nullptr;
    host.DestroyWindow();
    return static_cast<int>(msg.wParam);
}
