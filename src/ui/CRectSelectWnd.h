#pragma once
// Screen rectangle selection: a topmost popup whose only visible part is a one-pixel frame of
// moving dashes. A 50 ms timer polls the mouse buttons, Escape and the cursor (the mouse is
// never captured), so the user can drag over any window. While a recording runs the overlay
// is locked and marks the recorded area from just outside it.
#include <windows.h>

#include <vector>

#include "base/PrivateMessages.h"
#include "framework/CBitmap.h"
#include "framework/CBrush.h"
#include "framework/CRgn.h"
#include "framework/CWnd.h"

class CDC;
class CScreenGrabber;

// The calls that swap the desktop's system cursors. The system's by default; a test can put
// in its own where the platform does not carry the swap out.
struct SystemCursorApi
{
    HCURSOR(WINAPI* pfnLoadCursor)(HINSTANCE, LPCSTR);
    HICON(WINAPI* pfnCopyIcon)(HICON);
    BOOL(WINAPI* pfnSetSystemCursor)(HCURSOR, DWORD);
    BOOL(WINAPI* pfnDestroyCursor)(HCURSOR);
    // True while the handle is still a cursor of ours.
    BOOL(WINAPI* pfnIsOwnCursor)(HCURSOR);
};

class CRectSelectWnd : public CWnd
{
public:
    enum { SELECT_FULLSCREEN = 0, SELECT_DRAG = 1 };
    enum { TIMER_ID = 1, TIMER_PERIOD_MS = 50 };
    enum { SYSTEM_CURSOR_COUNT = 13 };
    static const DWORD s_pnSystemCursors[SYSTEM_CURSOR_COUNT];

    CRectSelectWnd();
    ~CRectSelectWnd() override;
    CRectSelectWnd(const CRectSelectWnd&) = delete;
    CRectSelectWnd& operator=(const CRectSelectWnd&) = delete;

    BOOL Create();
    void Destroy();

    void SetMode(int nMode);
    int GetMode() const { return m_nMode; }
    void SetSelectRect(const RECT* pRect);
    void GetSelectRect(RECT* pRect) const;
    void SetSelecting(int bSelecting, int bCancel);
    // The window's caption while a selection is under way (read by screen readers and tools);
    // it has none otherwise.
    void SetHint(LPCSTR pszHint) { m_strHint = pszHint ? pszHint : ""; }
    int IsSelecting() const { return m_bSelecting; }
    void SetLocked(int bLocked);
    int IsLocked() const { return m_bLocked; }
    int IsCreated() const { return m_bCreated; }
    // A paused recording: the frame stays but stops moving.
    void SetPaused(int bPaused) { m_bPaused = bPaused ? 1 : 0; }
    int IsPaused() const { return m_bPaused; }
    // Seconds left before the recording starts, drawn large in the middle of the rectangle;
    // 0 takes the number away.
    void SetCountdown(int nSeconds);
    int GetCountdown() const { return m_nCountdown; }
    // The rectangle of the last recording, which Enter accepts during a selection while it fits
    // the screen; null: none.
    void SetLastRect(const RECT* pRect);

    // The grabber that receives the locked rectangle on every tick (not owned).
    void SetGrabber(CScreenGrabber* pGrabber) { m_pGrabber = pGrabber; }
    void SetCursorApi(const SystemCursorApi& api) { m_cursorApi = api; }
    int AreCursorsReplaced() const { return !m_arrSavedCursors.empty(); }
    int GetDragState() const { return m_nDragState; }

    // One tick's work; the timer runs it every 50 ms.
    void Update();

    static void ClampToScreen(RECT& rc, const RECT& rcScreen);

protected:
    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void RefreshScreenRect();
    void DragStep();
    void EndDrag(int bCancel);
    void GetFrameRect(RECT& rc) const;
    void PlaceWindow(const RECT& rcFrame);
    void PaintFrame(CDC& dc, const RECT& rcFrame);
    void PaintCountdown(CDC& dc, const RECT& rcFrame);
    // The square of the countdown's number inside the frame, in window coordinates.
    RECT CountdownRect(const RECT& rcFrame) const;
    int AcceptLastRect();
    void HandRectToOwner();
    void CreatePatternBrush();
    void ReplaceSystemCursors(DWORD nShape);
    void RestoreSystemCursors();
    int HandToSystem(HCURSOR hCursor, DWORD nId);
    static int IsKeyDown(int nVirtKey) { return (::GetAsyncKeyState(nVirtKey) & 0x8000) != 0; }

    CString m_strHint;
    int m_bCreated;
    int m_bLocked;
    int m_bSelecting;
    int m_nMode;
    RECT m_rcScreen;
    RECT m_rcDrag;
    RECT* m_pCurrentRect;
    int m_nDragState;
    POINT m_ptAnchor;
    POINT m_ptCurrent;
    CBitmap m_bmpPattern;
    CBrush m_brPattern;
    unsigned int m_nAntsPhase;
    CRgn m_rgnFrame;
    std::vector<HCURSOR> m_arrSavedCursors;
    SystemCursorApi m_cursorApi;
    CScreenGrabber* m_pGrabber;
    int m_bPaused = 0;
    int m_nCountdown = 0;
    int m_bShapeStale = 0;
    int m_bHaveLastRect = 0;
    RECT m_rcLast = {0, 0, 0, 0};
};
