#include "ui/CBitmapDlg.h"

#include "base/ScopedWin.h"
#include "framework/CPaintDC.h"

#include <shellapi.h>

#include <cstring>

BEGIN_MESSAGE_MAP(CBitmapDlg, CDialog)
ON_WM_PAINT()
ON_WM_ERASEBKGND()
ON_WM_SETCURSOR()
ON_WM_LBUTTONUP()
ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {
const int kDefaultWidth = 400;
const int kDefaultHeight = 200;
} // namespace

CBitmapDlg::CBitmapDlg()
{
    memset(&m_template, 0, sizeof(m_template));
    m_template.m_header.style = WS_POPUP;
    m_template.m_header.cx = kDefaultWidth;
    m_template.m_header.cy = kDefaultHeight;
}

CBitmapDlg::~CBitmapDlg()
{
    ReleaseDrawing();
}

BOOL CBitmapDlg::Show(CWnd* pOwner)
{
    if (!InitModalIndirect(reinterpret_cast<LPCDLGTEMPLATEA>(&m_template), pOwner))
        return FALSE;
    m_bCreated = FALSE;
    DoModal();
    return m_bCreated;
}

BOOL CBitmapDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bCreated = TRUE;
    if (!Init()) {
        EndDialog(-1);
        return TRUE;
    }
    m_pBackground.reset(new CDib());
    if (LoadBackground(m_pBackground.get()) && m_pBackground->GetSafeHandle()) {
        if (m_nWidth <= 0 || m_nHeight <= 0) {
            m_nWidth = m_pBackground->GetWidth();
            m_nHeight = m_pBackground->GetHeight();
        }
        if (m_dcBackground.CreateCompatibleDC(nullptr))
            m_hOldBackground = m_dcBackground.SelectObject(m_pBackground.get());
    } else {
        m_pBackground.reset();
    }
    if (m_nWidth <= 0)
        m_nWidth = kDefaultWidth;
    if (m_nHeight <= 0)
        m_nHeight = kDefaultHeight;
    BOOL bOk = CreateBuffer();
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    bOk = SetWindowPos(nullptr, 0, 0, m_nWidth, m_nHeight,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER) &&
          bOk;
    CenterWindow();
    SetForegroundWindow();
    if (!bOk)
        EndDialog(-1);
    return TRUE;
}

BOOL CBitmapDlg::CreateBuffer()
{
    HBITMAP hBitmap = ::CreateCompatibleBitmap(CScopedWindowDC(nullptr).Get(), m_nWidth, m_nHeight);
    if (!m_bmBuffer.Attach(hBitmap) || !m_dcBuffer.CreateCompatibleDC(nullptr))
        return FALSE;
    m_hOldBuffer = m_dcBuffer.SelectObject(&m_bmBuffer);
    return TRUE;
}

void CBitmapDlg::ReleaseDrawing()
{
    if (m_dcBackground.GetSafeHdc()) {
        m_dcBackground.SelectObject(m_hOldBackground);
        m_dcBackground.DeleteDC();
    }
    m_hOldBackground = nullptr;
    m_pBackground.reset();
    if (m_dcBuffer.GetSafeHdc()) {
        m_dcBuffer.SelectObject(m_hOldBuffer);
        m_dcBuffer.DeleteDC();
    }
    m_hOldBuffer = nullptr;
    m_bmBuffer.DeleteObject();
}

void CBitmapDlg::OnPaint()
{
    CPaintDC dc(this);
    m_strCurrentLink = "";
    m_links.clear();
    if (!m_dcBuffer.GetSafeHdc())
        return;
    RECT rc = {0, 0, m_nWidth, m_nHeight};
    m_dcBuffer.FillSolidRect(&rc, 0xFFFFFF);
    if (m_pBackground && m_dcBackground.GetSafeHdc())
        m_dcBuffer.BitBlt(0, 0, m_pBackground->GetWidth(), m_pBackground->GetHeight(), &m_dcBackground, 0, 0, SRCCOPY);
    DrawContent(&m_dcBuffer);
    dc.BitBlt(0, 0, m_nWidth, m_nHeight, &m_dcBuffer, 0, 0, SRCCOPY);
}

void CBitmapDlg::DrawItem(CDC* pDC, CFont* pFont, LPCSTR lpszText, RECT* pRect, COLORREF crText, LPCSTR lpszLink,
                          COLORREF crLink, COLORREF crHover)
{
    BOOL bHasText = lpszText && *lpszText;
    BOOL bIsLink = lpszLink && *lpszLink;
    if (!bHasText && !bIsLink)
        return;
    if (!bHasText)
        lpszText = lpszLink;
    CFont fontDefault;
    HGDIOBJ hOldFont;
    if (pFont && pFont->GetSafeHandle()) {
        hOldFont = pDC->SelectObject(pFont);
    } else {
        LOGFONTA lf = {};
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
        lf.lfUnderline = bIsLink ? TRUE : FALSE;
        fontDefault.CreateFontIndirect(&lf);
        hOldFont = pDC->SelectObject(&fontDefault);
    }
    int nOldMode = pDC->SetBkMode(TRANSPARENT);
    if (pRect->right < pRect->left)
        pRect->right = pRect->left;
    if (pRect->bottom < pRect->top)
        pRect->bottom = pRect->top;
    UINT nFormat = pRect->right > pRect->left ? (DT_SINGLELINE | DT_WORDBREAK) : 0;
    pDC->DrawText(lpszText, -1, pRect, nFormat | DT_CALCRECT | DT_NOPREFIX);
    COLORREF crUse = crText;
    if (bIsLink) {
        POINT pt;
        ::GetCursorPos(&pt);
        ScreenToClient(&pt);
        if (::PtInRect(pRect, pt)) {
            m_strCurrentLink = lpszLink;
            crUse = crHover;
        } else {
            crUse = crLink;
        }
        m_links.push_back({CString(lpszLink), *pRect});
    }
    COLORREF crOld = pDC->SetTextColor(crUse);
    pDC->DrawText(lpszText, -1, pRect, nFormat | DT_NOPREFIX);
    pDC->SetTextColor(crOld);
    pDC->SetBkMode(nOldMode);
    pDC->SelectObject(hOldFont);
}

BOOL CBitmapDlg::OnSetCursor(CWnd*, UINT, UINT)
{
    POINT pt;
    ::GetCursorPos(&pt);
    ScreenToClient(&pt);
    m_strCurrentLink = "";
    for (const CLink& link : m_links) {
        if (::PtInRect(&link.m_rect, pt)) {
            m_strCurrentLink = link.m_strAddress;
            break;
        }
    }
    ::SetCursor(::LoadCursorA(nullptr, m_strCurrentLink.IsEmpty() ? IDC_ARROW : IDC_HAND));
    Invalidate(FALSE);
    return TRUE;
}

void CBitmapDlg::OnLButtonUp(UINT, CPoint)
{
    if (m_strCurrentLink.IsEmpty()) {
        EndDialog(-1);
        return;
    }
    OpenLink(m_strCurrentLink);
}

void CBitmapDlg::OpenLink(const CString& strAddress)
{
    HCURSOR hOld = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    SHELLEXECUTEINFOA sei = {};
    sei.cbSize = sizeof(sei);
    sei.hwnd = m_hWnd;
    sei.lpFile = strAddress;
    sei.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExA(&sei);
    ::SetCursor(hOld);
}

void CBitmapDlg::OnDestroy()
{
    ReleaseDrawing();
    Cleanup();
    m_nWidth = m_nHeight = 0;
    m_strCurrentLink = "";
    m_links.clear();
    CDialog::OnDestroy();
}
