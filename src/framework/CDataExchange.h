#pragma once
// Data exchange between a dialog's members and its controls (UpdateData). A failed exchange
// marks the exchange as failed instead of throwing.
#include "framework/CString.h"

class CWnd;

class CDataExchange
{
public:
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    BOOL m_bFailed = FALSE;

    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);
    // The control's handle; a missing control fails the exchange and gives null.
    HWND PrepareCtrl(int nIDC);
    void Fail() { m_bFailed = TRUE; }
};

// Text of an edit control (or any window text).
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// Selected index of a combo box (-1 for none).
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
// Text of a combo box: its edit text, or the selected item of a drop-down list. Loading
// selects the item with exactly that text, or else sets the edit text.
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
// Position of a trackbar.
void DDX_Slider(CDataExchange* pDX, int nIDC, int& value);
// Check state of a check box (BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Subclasses the control with the given object the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
