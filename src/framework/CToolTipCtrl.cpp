#include "framework/CToolTipCtrl.h"

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | dwStyle,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr, nullptr);
}

void CToolTipCtrl::FillToolInfo(TOOLINFOA& ti, CWnd* pWnd) const
{
    ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_IDISHWND;
    HWND hWndTool = pWnd ? pWnd->m_hWnd : nullptr;
    HWND hWndParent = hWndTool ? ::GetParent(hWndTool) : nullptr;
    ti.hwnd = hWndParent ? hWndParent : hWndTool;
    ti.uId = reinterpret_cast<UINT_PTR>(hWndTool);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText)
{
    if (!pWnd || !m_hWnd)
        return FALSE;
    TOOLINFOA ti;
    FillToolInfo(ti, pWnd);
    ti.lpszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::DelTool(CWnd* pWnd)
{
    if (!pWnd || !m_hWnd)
        return;
    TOOLINFOA ti;
    FillToolInfo(ti, pWnd);
    SendMessage(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::UpdateTipText(LPCSTR lpszText, CWnd* pWnd)
{
    if (!pWnd || !m_hWnd)
        return;
    TOOLINFOA ti;
    FillToolInfo(ti, pWnd);
    ti.lpszText = const_cast<LPSTR>(lpszText ? lpszText : "");
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}
