#pragma once
// The program's main window: a modeless dialog from template 102.
#include "app/CRecordingControl.h"
#include "framework/Afx.h"
#include "res/resource.h"
#include "ui/CIconButton.h"
#include "ui/CSkinWnd.h"

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
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnHotKey(UINT nHotKeyId, UINT nKey1, UINT nKey2);
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnRecordToggle(WPARAM wParam, LPARAM lParam);
    LRESULT OnWriterEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnStartStop();
    void OnTraySettings();
    void OnTrayBrowse();
    void OnTrayExit();
    void OnMinimizeButton();
    void OnAbout();

    // The window's shape, layout and look come from the skin pictures; without them the
    // window keeps its template layout.
    void ApplySkin();

    // Chooses the compressor for 32-bit frames: the built-in screen codec when it is listed.
    void ChooseCodec();

    HICON m_hIcon = nullptr;
    CSkinWnd m_skin;
    CIconButton m_btnStart;
    CIconButton m_btnDefault;
    RecordingSettings m_settings;
    CRecordingControl m_recording;

    DECLARE_MESSAGE_MAP()
};
