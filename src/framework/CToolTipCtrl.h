#pragma once
// Tooltip control: tools are windows (by handle) with a text.
#include "framework/CWnd.h"
#include <commctrl.h>

class CToolTipCtrl : public CWnd
{
public:
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText);
    void DelTool(CWnd* pWnd);
    void UpdateTipText(LPCSTR lpszText, CWnd* pWnd);
    void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, bActivate); }
    void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg)); }
    int SetMaxTipWidth(int nWidth) { return static_cast<int>(SendMessage(TTM_SETMAXTIPWIDTH, 0, nWidth)); }
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }

private:
    void FillToolInfo(TOOLINFOA& ti, CWnd* pWnd) const;
};
