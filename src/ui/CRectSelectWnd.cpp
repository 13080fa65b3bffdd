#include "ui/CRectSelectWnd.h"

#include <algorithm>

#include "base/KeyPresses.h"
#include "base/ScopedWin.h"
#include "framework/AfxCore.h"
#include "framework/CClientDC.h"
#include "framework/CFont.h"
#include "framework/CPaintDC.h"
#include "video/CScreenGrabber.h"

const DWORD CRectSelectWnd::s_pnSystemCursors[SYSTEM_CURSOR_COUNT] = {32512, 32513, 32514, 32515, 32516, 32642, 32643,
                                                                      32644, 32645, 32646, 32648, 32649, 32650};

namespace {

const DWORD OCR_CROSS_SHAPE = 32515;

HCURSOR WINAPI LoadSystemCursor(HINSTANCE hInstance, LPCSTR pszName)
{
    return ::LoadCursorA(hInstance, pszName);
}

BOOL WINAPI IsLiveCursor(HCURSOR hCursor)
{
    return CScopedIconInfo(hCursor).IsValid() ? TRUE : FALSE;
}

const SystemCursorApi s_systemCursorApi = {LoadSystemCursor, ::CopyIcon, ::SetSystemCursor, ::DestroyCursor,
                                           IsLiveCursor};

void SetZeroPoint(POINT& pt)
{
    pt.x = 0;
    pt.y = 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CRectSelectWnd, CWnd)
ON_WM_TIMER()
ON_WM_PAINT()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CRectSelectWnd::CRectSelectWnd()
    : m_bCreated(0), m_bLocked(0), m_bSelecting(0), m_nMode(SELECT_FULLSCREEN), m_rcScreen(), m_rcDrag(),
      m_pCurrentRect(&m_rcScreen), m_nDragState(0), m_ptAnchor(), m_ptCurrent(), m_nAntsPhase(0),
      m_cursorApi(s_systemCursorApi), m_pGrabber(nullptr)
{
    SetRect(&m_rcScreen, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    CreatePatternBrush();
}

CRectSelectWnd::~CRectSelectWnd()
{
    RestoreSystemCursors();
    Destroy();
}

void CRectSelectWnd::CreatePatternBrush()
{
    // Four black and four white pixels along any one-pixel line, whatever its direction.
    static const WORD pnRows[8] = {0xF0F0, 0xF0F0, 0xF0F0, 0xF0F0, 0x0F0F, 0x0F0F, 0x0F0F, 0x0F0F};
    if (m_bmpPattern.CreateBitmap(8, 8, 1, 1, pnRows))
        m_brPattern.CreatePatternBrush(&m_bmpPattern);
}

BOOL CRectSelectWnd::Create()
{
    if (m_bCreated)
        return TRUE;
    LPCSTR pszClass = AfxRegisterWndClass(0);
    if (!pszClass || !CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, pszClass, "", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr))
        return FALSE;
    if (!SetTimer(TIMER_ID, TIMER_PERIOD_MS)) {
        DestroyWindow();
        return FALSE;
    }
    m_bCreated = 1;
    return TRUE;
}

void CRectSelectWnd::Destroy()
{
    if (m_bCreated && DestroyWindow())
        m_bCreated = 0;
}

void CRectSelectWnd::OnDestroy()
{
    KillTimer(TIMER_ID);
    RestoreSystemCursors();
    m_bSelecting = 0;
    CWnd::OnDestroy();
}

void CRectSelectWnd::SetMode(int nMode)
{
    m_nMode = nMode;
    if (nMode == SELECT_DRAG) {
        m_pCurrentRect = &m_rcDrag;
        m_nDragState = 0;
        SetZeroPoint(m_ptAnchor);
        SetZeroPoint(m_ptCurrent);
    } else {
        m_pCurrentRect = &m_rcScreen;
    }
}

void CRectSelectWnd::SetSelectRect(const RECT* pRect)
{
    if (!pRect)
        return;
    *m_pCurrentRect = *pRect;
    Update();
}

void CRectSelectWnd::GetSelectRect(RECT* pRect) const
{
    if (pRect)
        *pRect = *m_pCurrentRect;
}

void CRectSelectWnd::SetSelecting(int bSelecting, int bCancel)
{
    CWnd* pMainWnd = AfxGetMainWnd();
    HWND hMainWnd = pMainWnd ? pMainWnd->GetSafeHwnd() : nullptr;
    if (bSelecting && !m_bSelecting) {
        m_bSelecting = 1;
        ForgetKeyPresses({VK_ESCAPE, VK_RBUTTON, VK_RETURN});
        if (hMainWnd) {
            ::ShowWindow(hMainWnd, SW_HIDE);
            ::SendMessageA(hMainWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        }
        ReplaceSystemCursors(OCR_CROSS_SHAPE);
        if (m_hWnd)
            ::SetWindowTextA(m_hWnd, m_strHint);
        Update();
    } else if (!bSelecting && m_bSelecting) {
        m_bSelecting = 0;
        if (m_hWnd)
            ::SetWindowTextA(m_hWnd, "");
        RestoreSystemCursors();
        if (bCancel) {
            if (m_hWnd)
                ShowWindow(SW_HIDE);
            if (hMainWnd) {
                ::ShowWindow(hMainWnd, SW_SHOW);
                ::SendMessageA(hMainWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
            }
        } else if (hMainWnd) {
            ::SendMessageA(hMainWnd, WM_RECORD_TOGGLE, 0, 0);
        }
        Update();
    }
}

void CRectSelectWnd::SetLocked(int bLocked)
{
    bLocked = bLocked ? 1 : 0;
    if (bLocked == m_bLocked)
        return;
    if (bLocked && m_bSelecting) {
        RestoreSystemCursors();
        m_bSelecting = 0;
    }
    m_bLocked = bLocked;
    Update();
}

void CRectSelectWnd::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != TIMER_ID) {
        CWnd::OnTimer(nIDEvent);
        return;
    }
    if (!m_bPaused && ++m_nAntsPhase > 8)
        m_nAntsPhase -= 8;
    Update();
}

void CRectSelectWnd::Update()
{
    RefreshScreenRect();
    if (m_nMode == SELECT_DRAG && !m_bLocked)
        DragStep();
    if (!m_hWnd)
        return;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE);
    RECT rcFrame;
    GetFrameRect(rcFrame);
    PlaceWindow(rcFrame);
    {
        CClientDC dc(this);
        RECT rcClient = {0, 0, rcFrame.right - rcFrame.left, rcFrame.bottom - rcFrame.top};
        PaintFrame(dc, rcClient);
        PaintCountdown(dc, rcClient);
    }
    HandRectToOwner();
}

void CRectSelectWnd::RefreshScreenRect()
{
    if (m_bLocked && !IsRectEmpty(&m_rcScreen))
        return;
    SetRect(&m_rcScreen, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

void CRectSelectWnd::DragStep()
{
    if (m_bSelecting) {
        if (IsKeyDownOrPressed(VK_ESCAPE) || IsKeyDownOrPressed(VK_RBUTTON)) {
            EndDrag(TRUE);
            return;
        }
        if (IsKeyDownOrPressed(VK_RETURN) && AcceptLastRect())
            return;
        if (IsKeyDown(VK_LBUTTON)) {
            if (m_nDragState == 0) {
                ::GetCursorPos(&m_ptAnchor);
                m_nDragState = 1;
            } else if (m_nDragState == 2) {
                EndDrag(FALSE);
                return;
            }
        } else if (m_nDragState == 0) {
            return;
        } else if (m_nDragState == 1) {
            m_nDragState = 2;
        }
        ::GetCursorPos(&m_ptCurrent);
        SetRect(&m_rcDrag, std::min(m_ptAnchor.x, m_ptCurrent.x), std::min(m_ptAnchor.y, m_ptCurrent.y),
                std::max(m_ptAnchor.x, m_ptCurrent.x) + 1, std::max(m_ptAnchor.y, m_ptCurrent.y) + 1);
    }
    ClampToScreen(*m_pCurrentRect, m_rcScreen);
}

void CRectSelectWnd::EndDrag(int bCancel)
{
    // The drag state is cleared first: ending the selection runs an update of its own.
    m_nDragState = 0;
    SetZeroPoint(m_ptAnchor);
    SetZeroPoint(m_ptCurrent);
    SetSelecting(FALSE, bCancel);
}

void CRectSelectWnd::ClampToScreen(RECT& rc, const RECT& rcScreen)
{
    const LONG nWidth = rcScreen.right, nHeight = rcScreen.bottom;
    if (rc.left < 0)
        rc.left = 0;
    else if (rc.left >= nWidth)
        rc.left = nWidth - 1;
    if (rc.right > nWidth)
        rc.right = nWidth;
    else if (rc.right <= rc.left)
        rc.right = rc.left + 1;
    if (rc.top < 0)
        rc.top = 0;
    else if (rc.top >= nHeight)
        rc.top = nHeight - 1;
    if (rc.bottom > nHeight)
        rc.bottom = nHeight;
    else if (rc.bottom <= rc.top)
        rc.bottom = rc.top + 1;
}

void CRectSelectWnd::GetFrameRect(RECT& rc) const
{
    rc = *m_pCurrentRect;
    // While recording the frame lies just outside the recorded pixels, so it is never captured.
    if (m_bLocked)
        InflateRect(&rc, 1, 1);
}

void CRectSelectWnd::PlaceWindow(const RECT& rcFrame)
{
    RECT rcWindow;
    GetWindowRect(&rcWindow);
    if (EqualRect(&rcWindow, &rcFrame) && !m_bShapeStale)
        return;
    m_bShapeStale = 0;
    const int nWidth = rcFrame.right - rcFrame.left, nHeight = rcFrame.bottom - rcFrame.top;
    SetWindowPos(nullptr, rcFrame.left, rcFrame.top, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    CRgn rgnInner;
    m_rgnFrame.DeleteObject();
    if (!m_rgnFrame.CreateRectRgn(0, 0, nWidth, nHeight) || !rgnInner.CreateRectRgn(1, 1, nWidth - 1, nHeight - 1))
        return;
    m_rgnFrame.CombineRgn(&m_rgnFrame, &rgnInner, RGN_XOR);
    // The countdown's number is part of the window while it is shown.
    CRgn rgnNumber;
    const RECT rcClient = {0, 0, nWidth, nHeight};
    const RECT rcNumber = CountdownRect(rcClient);
    if (m_nCountdown > 0 && rgnNumber.CreateRectRgnIndirect(&rcNumber))
        m_rgnFrame.CombineRgn(&m_rgnFrame, &rgnNumber, RGN_OR);
    // The window takes over the region it is given; ours stays for the object's lifetime.
    CRgn rgnWindow;
    if (rgnWindow.CreateRectRgn(0, 0, 0, 0) && rgnWindow.CopyRgn(&m_rgnFrame) != ERROR)
        SetWindowRgn(static_cast<HRGN>(rgnWindow.Detach()), TRUE);
}

void CRectSelectWnd::PaintFrame(CDC& dc, const RECT& rc)
{
    if (!m_brPattern.GetSafeHandle())
        return;
    const int nPhase = static_cast<int>(m_nAntsPhase);
    const int nWidth = rc.right - rc.left, nHeight = rc.bottom - rc.top;
    HGDIOBJ hOldBrush = dc.SelectObject(&m_brPattern);
    dc.SetBrushOrg(nPhase, 0);
    dc.PatBlt(rc.left, rc.top, nWidth, 1, PATCOPY);
    dc.SetBrushOrg(8 - nPhase, 0);
    dc.PatBlt(rc.left, rc.bottom - 1, nWidth, 1, PATCOPY);
    dc.SetBrushOrg(0, nPhase);
    dc.PatBlt(rc.right - 1, rc.top, 1, nHeight, PATCOPY);
    dc.SetBrushOrg(0, 8 - nPhase);
    dc.PatBlt(rc.left, rc.top, 1, nHeight, PATCOPY);
    dc.SelectObject(hOldBrush);
}

void CRectSelectWnd::OnPaint()
{
    CPaintDC dc(this);
    RECT rcClient;
    GetClientRect(&rcClient);
    PaintFrame(dc, rcClient);
    PaintCountdown(dc, rcClient);
}

void CRectSelectWnd::SetCountdown(int nSeconds)
{
    nSeconds = std::max(nSeconds, 0);
    if (nSeconds == m_nCountdown)
        return;
    // Shown or taken away, the number changes the window's shape.
    if ((nSeconds > 0) != (m_nCountdown > 0))
        m_bShapeStale = 1;
    m_nCountdown = nSeconds;
    Update();
}

void CRectSelectWnd::SetLastRect(const RECT* pRect)
{
    m_bHaveLastRect = pRect && !IsRectEmpty(pRect);
    if (m_bHaveLastRect)
        m_rcLast = *pRect;
}

int CRectSelectWnd::AcceptLastRect()
{
    const RECT& rc = m_rcLast;
    if (!m_bHaveLastRect || rc.left < m_rcScreen.left || rc.top < m_rcScreen.top || rc.right > m_rcScreen.right ||
        rc.bottom > m_rcScreen.bottom)
        return FALSE;
    *m_pCurrentRect = rc;
    EndDrag(FALSE);
    return TRUE;
}

RECT CRectSelectWnd::CountdownRect(const RECT& rcFrame) const
{
    const int nWidth = rcFrame.right - rcFrame.left, nHeight = rcFrame.bottom - rcFrame.top;
    const int nSide = std::max(std::min({120, nWidth - 8, nHeight - 8}), 1);
    RECT rc;
    rc.left = rcFrame.left + (nWidth - nSide) / 2;
    rc.top = rcFrame.top + (nHeight - nSide) / 2;
    rc.right = rc.left + nSide;
    rc.bottom = rc.top + nSide;
    return rc;
}

void CRectSelectWnd::PaintCountdown(CDC& dc, const RECT& rcFrame)
{
    if (m_nCountdown <= 0)
        return;
    RECT rc = CountdownRect(rcFrame);
    dc.FillSolidRect(&rc, RGB(0x15, 0x26, 0x3B));
    CFont font;
    if (!font.CreateFont(-(rc.bottom - rc.top) * 3 / 4, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "Arial"))
        return;
    char szNumber[16];
    wsprintfA(szNumber, "%d", m_nCountdown);
    HGDIOBJ hOldFont = dc.SelectObject(&font);
    const int nOldMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF crOld = dc.SetTextColor(RGB(0xFF, 0xFF, 0xFF));
    dc.DrawText(szNumber, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc.SetTextColor(crOld);
    dc.SetBkMode(nOldMode);
    dc.SelectObject(hOldFont);
}

void CRectSelectWnd::HandRectToOwner()
{
    if (m_bLocked && m_pGrabber)
        m_pGrabber->SetCaptureRect(*m_pCurrentRect);
    CWnd* pMainWnd = AfxGetMainWnd();
    if (!pMainWnd || !pMainWnd->GetSafeHwnd())
        return;
    if (!m_bLocked && !m_bSelecting && !pMainWnd->IsWindowVisible())
        ShowWindow(SW_HIDE);
}

void CRectSelectWnd::ReplaceSystemCursors(DWORD nShape)
{
    if (!m_arrSavedCursors.empty())
        return;
    for (DWORD nId : s_pnSystemCursors) {
        if (nId == nShape) {
            m_arrSavedCursors.push_back(nullptr);
            continue;
        }
        HCURSOR hSaved = m_cursorApi.pfnCopyIcon(m_cursorApi.pfnLoadCursor(nullptr, MAKEINTRESOURCEA(nId)));
        m_arrSavedCursors.push_back(hSaved);
        if (!hSaved)
            continue;
        HCURSOR hShape = m_cursorApi.pfnCopyIcon(m_cursorApi.pfnLoadCursor(nullptr, MAKEINTRESOURCEA(nShape)));
        if (hShape)
            HandToSystem(hShape, nId);
    }
}

// The system destroys a cursor it takes as a system cursor. One that only says it did (and
// keeps the old picture) leaves the copy with us: it is destroyed here, so that every selection
// does not leave two dozen cursors and their bitmaps behind. 1 when the system took it.
int CRectSelectWnd::HandToSystem(HCURSOR hCursor, DWORD nId)
{
    if (m_cursorApi.pfnSetSystemCursor(hCursor, nId) &&
        !(m_cursorApi.pfnIsOwnCursor && m_cursorApi.pfnIsOwnCursor(hCursor)))
        return 1;
    m_cursorApi.pfnDestroyCursor(hCursor);
    return 0;
}

void CRectSelectWnd::RestoreSystemCursors()
{
    for (size_t i = 0; i < m_arrSavedCursors.size() && i < SYSTEM_CURSOR_COUNT; ++i) {
        HCURSOR hSaved = m_arrSavedCursors[i];
        if (!hSaved)
            continue;
        HandToSystem(hSaved, s_pnSystemCursors[i]);
        m_arrSavedCursors[i] = nullptr;
    }
    m_arrSavedCursors.clear();
}
