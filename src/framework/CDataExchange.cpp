#include "framework/CDataExchange.h"
#include "framework/CWnd.h"
#include <commctrl.h>

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (!hWndCtrl)
        Fail();
    return hWndCtrl;
}

static CString WindowText(HWND hWnd)
{
    CString str;
    int nLength = ::GetWindowTextLengthA(hWnd);
    ::GetWindowTextA(hWnd, str.GetBufferSetLength(nLength + 1), nLength + 1);
    str.ReleaseBuffer();
    return str;
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate)
        value = WindowText(hWndCtrl);
    else
        ::SetWindowTextA(hWndCtrl, value);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(hWndCtrl, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(hWndCtrl, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = WindowText(hWndCtrl);
        if (value.IsEmpty()) {
            // A drop-down list without edit: take the selected item.
            int nIndex = static_cast<int>(::SendMessageA(hWndCtrl, CB_GETCURSEL, 0, 0));
            if (nIndex != CB_ERR) {
                int nLength = static_cast<int>(::SendMessageA(hWndCtrl, CB_GETLBTEXTLEN, nIndex, 0));
                if (nLength > 0) {
                    ::SendMessageA(hWndCtrl, CB_GETLBTEXT, nIndex,
                                   reinterpret_cast<LPARAM>(value.GetBufferSetLength(nLength + 1)));
                    value.ReleaseBuffer();
                }
            }
        }
        return;
    }
    // Exact match only: "1" must not turn into "10" by prefix search.
    LRESULT nIndex = ::SendMessageA(hWndCtrl, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(static_cast<LPCSTR>(value)));
    if (nIndex != CB_ERR) {
        ::SendMessageA(hWndCtrl, CB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
    } else {
        ::SendMessageA(hWndCtrl, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        ::SetWindowTextA(hWndCtrl, value);
    }
}

void DDX_Slider(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(hWndCtrl, TBM_GETPOS, 0, 0));
    else
        ::SendMessageA(hWndCtrl, TBM_SETPOS, TRUE, value);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!hWndCtrl)
        return;
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(hWndCtrl, BM_GETCHECK, 0, 0));
    } else {
        if (value < 0 || value > 2)
            value = 0;
        ::SendMessageA(hWndCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl && !rControl.SubclassWindow(hWndCtrl))
        pDX->Fail();
}
