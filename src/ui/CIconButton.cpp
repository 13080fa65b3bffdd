#include "ui/CIconButton.h"

#include "framework/CBrush.h"
#include "framework/CPen.h"

BEGIN_MESSAGE_MAP(CIconButton, CButton)
ON_WM_CTLCOLOR_REFLECT()
ON_CONTROL_REFLECT_EX(BN_CLICKED, OnClicked)
ON_WM_ENABLE()
ON_WM_SYSCOLORCHANGE()
ON_WM_GETDLGCODE()
ON_MESSAGE(BM_SETSTYLE, OnSetStyle)
END_MESSAGE_MAP()

CIconButton::CIconButton()
{
    ResetColors();
}

CIconButton::~CIconButton()
{
    FreeIcon();
}

void CIconButton::ResetColors()
{
    COLORREF crFace = ::GetSysColor(COLOR_BTNFACE);
    COLORREF crText = ::GetSysColor(COLOR_BTNTEXT);
    for (int i = 0; i < COLOR_COUNT; i += 2) {
        m_crColors[i] = crFace;
        m_crColors[i + 1] = crText;
    }
}

void CIconButton::FreeIcon()
{
    m_hIcon.Reset();
    m_sizeIcon.cx = m_sizeIcon.cy = 0;
}

DWORD CIconButton::SetIcon(UINT nIconID, UINT)
{
    LPCSTR lpszName = MAKEINTRESOURCEA(nIconID);
    HINSTANCE hInstance = AfxFindResourceHandle(lpszName, RT_GROUP_ICON);
    HICON hIcon = static_cast<HICON>(::LoadImageA(hInstance, lpszName, IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    FreeIcon();
    m_hIcon.Reset(hIcon);
    DWORD dwResult = 0;
    if (m_hIcon) {
        CScopedIconInfo info(m_hIcon.Get());
        if (info.IsValid()) {
            m_sizeIcon.cx = static_cast<LONG>(info.Get().xHotspot * 2);
            m_sizeIcon.cy = static_cast<LONG>(info.Get().yHotspot * 2);
        } else {
            FreeIcon();
            dwResult = 1;
        }
    }
    if (m_hWnd)
        Invalidate();
    return dwResult;
}

void CIconButton::SetFlat(BOOL bFlat, BOOL bRepaint)
{
    m_bIsFlat = bFlat;
    if (bRepaint && m_hWnd)
        Invalidate();
}

void CIconButton::SetPressedStyle(BOOL bDeep)
{
    m_ptPressedOffset.x = bDeep ? 0 : 1;
    m_ptPressedOffset.y = bDeep ? 2 : 1;
}

void CIconButton::PreSubclassWindow()
{
    UINT nType = GetStyle() & 0x1F;
    if (nType == BS_DEFPUSHBUTTON)
        m_bIsDefault = TRUE;
    ModifyStyle(0x1F, BS_OWNERDRAW, SWP_FRAMECHANGED);
    CButton::PreSubclassWindow();
}

LRESULT CIconButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A double click counts as two clicks.
    if (message == WM_LBUTTONDBLCLK)
        message = WM_LBUTTONDOWN;
    return CButton::WindowProc(message, wParam, lParam);
}

HBRUSH CIconButton::CtlColor(CDC*, UINT)
{
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL CIconButton::OnClicked()
{
    SetFocus();
    return FALSE; // the parent still receives the click
}

void CIconButton::OnEnable(BOOL bEnable)
{
    Default();
    if (bEnable)
        return;
    HWND hParent = ::GetParent(m_hWnd);
    if (!hParent)
        return;
    HWND hNext = ::GetNextDlgTabItem(hParent, m_hWnd, FALSE);
    ::SetFocus(hNext && hNext != m_hWnd ? hNext : hParent);
}

void CIconButton::OnSysColorChange()
{
    Default();
    ResetColors();
    Invalidate();
}

UINT CIconButton::OnGetDlgCode()
{
    UINT nCode = static_cast<UINT>(Default());
    return nCode | (m_bIsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

LRESULT CIconButton::OnSetStyle(WPARAM wParam, LPARAM lParam)
{
    UINT nType = static_cast<UINT>(wParam) & 0x1F;
    if (nType == BS_DEFPUSHBUTTON)
        m_bIsDefault = TRUE;
    else if (nType == BS_PUSHBUTTON)
        m_bIsDefault = FALSE;
    return DefWindowProc(BM_SETSTYLE, (wParam & ~static_cast<WPARAM>(0x1F)) | BS_OWNERDRAW, lParam);
}

void CIconButton::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    CDC dc;
    dc.Attach(lpDIS->hDC);
    m_bIsPressed = (lpDIS->itemState & ODS_SELECTED) != 0;
    m_bIsFocused = (lpDIS->itemState & ODS_FOCUS) != 0;
    m_bIsDisabled = (lpDIS->itemState & ODS_DISABLED) != 0;
    int nOldMode = dc.SetBkMode(TRANSPARENT);

    RECT rcItem = lpDIS->rcItem;
    DrawBackground(&dc, &rcItem);
    if (!m_bIsFlat)
        DrawBorder(&dc, rcItem);

    CString strText;
    GetWindowText(strText);
    RECT rcCaption = rcItem;
    DrawIconImage(&dc, rcItem, !strText.IsEmpty(), &rcCaption);
    if (!strText.IsEmpty())
        DrawCaption(&dc, strText, rcCaption);
    if (m_bIsFocused) {
        RECT rcFocus = rcItem;
        ::InflateRect(&rcFocus, -3, -3);
        dc.DrawFocusRect(&rcFocus);
    }
    dc.SetBkMode(nOldMode);
    dc.Detach();
}

void CIconButton::DrawBackground(CDC* pDC, RECT* pRect)
{
    if (m_bIsFocused || m_bIsDefault) {
        ::FrameRect(*pDC, pRect, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::InflateRect(pRect, -1, -1);
    }
    COLORREF crBack = m_bIsPressed   ? m_crColors[COLOR_PRESSED_BK]
                      : m_bIsFocused ? m_crColors[COLOR_FOCUS_BK]
                                     : m_crColors[COLOR_NORMAL_BK];
    pDC->FillSolidRect(pRect, crBack);
}

void CIconButton::DrawBorder(CDC* pDC, const RECT& rc)
{
    if (m_bIsPressed) {
        CScopedBrush hShadow(::CreateSolidBrush(::GetSysColor(COLOR_BTNSHADOW)));
        ::FrameRect(*pDC, &rc, hShadow.Get());
        return;
    }
    LONG l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
    struct Line
    {
        int nColor;
        POINT pts[3];
    };
    const Line lines[] = {
        {COLOR_BTNHIGHLIGHT, {{l, b - 1}, {l, t}, {r, t}}},
        {COLOR_3DLIGHT, {{l + 1, b - 1}, {l + 1, t + 1}, {r, t + 1}}},
        {COLOR_3DDKSHADOW, {{l, b - 1}, {r - 1, b - 1}, {r - 1, t - 1}}},
        {COLOR_BTNSHADOW, {{l + 1, b - 2}, {r - 2, b - 2}, {r - 2, t}}},
    };
    for (const Line& line : lines) {
        CScopedPen hPen(::CreatePen(PS_SOLID, 1, ::GetSysColor(line.nColor)));
        CScopedSelect select(*pDC, hPen.Get());
        ::Polyline(*pDC, line.pts, 3);
    }
}

void CIconButton::DrawIconImage(CDC* pDC, const RECT& rcItem, BOOL bHasText, RECT* pCaption)
{
    if (!m_hIcon)
        return;
    int nWidth = rcItem.right - rcItem.left;
    int nHeight = rcItem.bottom - rcItem.top;
    POINT pt;
    if (bHasText) {
        pt.x = rcItem.left + m_ptMargin.x;
        pCaption->left = pt.x + m_sizeIcon.cx + m_ptMargin.x;
    } else {
        pt.x = rcItem.left + (nWidth - m_sizeIcon.cx) / 2;
    }
    pt.y = rcItem.top + (nHeight - m_sizeIcon.cy) / 2;
    if (m_bIsPressed) {
        pt.x += m_ptPressedOffset.x;
        pt.y += m_ptPressedOffset.y;
    }
    pDC->DrawState(CPoint(pt.x, pt.y), CSize(m_sizeIcon.cx, m_sizeIcon.cy), m_hIcon.Get(),
                   m_bIsDisabled ? DSS_DISABLED : DSS_NORMAL, nullptr);
}

void CIconButton::DrawCaption(CDC* pDC, const CString& strText, RECT rcCaption)
{
    if (m_bIsPressed)
        ::OffsetRect(&rcCaption, m_ptPressedOffset.x, m_ptPressedOffset.y);
    HGDIOBJ hOldFont = ::SelectObject(*pDC, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    RECT rcText = rcCaption;
    pDC->DrawText(strText, -1, &rcText, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    int nTextW = rcText.right - rcText.left;
    int nTextH = rcText.bottom - rcText.top;
    rcText.left = rcCaption.left + ((rcCaption.right - rcCaption.left) - nTextW) / 2;
    rcText.top = rcCaption.top + ((rcCaption.bottom - rcCaption.top) - nTextH) / 2;
    rcText.right = rcText.left + nTextW;
    rcText.bottom = rcText.top + nTextH;
    if (m_bIsDisabled) {
        RECT rcShadow = rcText;
        ::OffsetRect(&rcShadow, 1, 1);
        pDC->SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        pDC->DrawText(strText, -1, &rcShadow, DT_WORDBREAK | DT_CENTER);
        pDC->SetTextColor(::GetSysColor(COLOR_BTNSHADOW));
    } else {
        pDC->SetTextColor(m_bIsPressed   ? m_crColors[COLOR_PRESSED_FG]
                          : m_bIsFocused ? m_crColors[COLOR_FOCUS_FG]
                                         : m_crColors[COLOR_NORMAL_FG]);
    }
    pDC->DrawText(strText, -1, &rcText, DT_WORDBREAK | DT_CENTER);
    ::SelectObject(*pDC, hOldFont);
}
