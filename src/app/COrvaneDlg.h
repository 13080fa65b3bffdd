#pragma once
// The program's main window: a modeless dialog from template 102.
#include "framework/Afx.h"
#include "res/resource.h"

class COrvaneDlg : public CDialog
{
public:
    explicit COrvaneDlg(CWnd* pParent = nullptr);
    ~COrvaneDlg() override;

    enum { IDD = IDD_ORVANE_DIALOG };

    BOOL Create(CWnd* pParent = nullptr) { return CDialog::Create(IDD, pParent); }

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape do nothing in this window.
    void OnOK() override {}
    void OnCancel() override {}

    void OnClose();
    void OnEndSession(BOOL bEnding);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    HICON m_hIcon = nullptr;

    DECLARE_MESSAGE_MAP()
};
