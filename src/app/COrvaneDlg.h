#pragma once
// The program's main window: a modeless dialog from template 102.
#include "base/PrivateMessages.h"
#include "app/CRecordingControl.h"
#include "app/CSettingsPanel.h"
#include "app/CShellActions.h"
#include "framework/Afx.h"
#include "res/resource.h"
#include "sysinfo/FileVersionRecord.h"
#include "ui/CIconButton.h"
#include "ui/CSkinWnd.h"

class COrvaneDlg : public CDialog
{
public:
    explicit COrvaneDlg(CWnd* pParent = nullptr);
    ~COrvaneDlg() override;

    enum { IDD = IDD_ORVANE_DIALOG };

    BOOL Create(CWnd* pParent = nullptr) { return CDialog::Create(IDD, pParent); }
    CRecordingControl& Recording() { return m_recording; }
    // The program's version, for the About box.
    void SetVersionRecord(const FileVersionRecord* pVersion) { m_pVersion = pVersion; }

protected:
    BOOL OnInitDialog() override;
    // Also takes the shell's "TaskbarCreated" broadcast, which has no fixed number.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(CDataExchange* pDX) override { m_panel.Exchange(pDX); }
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
    LRESULT OnCodecFault(WPARAM wParam, LPARAM lParam);
    // The shell started again with an empty notification area: the icon goes back as it was.
    void OnTaskbarCreated();
    void OnStartStop();
    void OnTraySettings();
    void OnTrayExit();
    void OnMinimizeButton();
    void OnAbout();
    // The Options dialog (not while recording); OK saves the settings.
    void OnOptions();
    void OnTrayPause();

    // The window's shape, layout and look come from the skin pictures; without them the
    // window keeps its template layout.
    void ApplySkin();
    // Every message box of the window: the program's name as its title.
    int ShowMessage(const CString& strText, UINT nType);

    void OnFormatChange() { m_panel.OnFormatChange(); }
    void OnCodecChange() { m_panel.OnCodecChange(); }
    void OnDeviceChange() { m_panel.OnDeviceChange(); }
    void OnInputChange() { m_panel.OnInputChange(); }
    void OnHotKeyControls() { m_panel.ApplyHotKeyFromControls(); }
    void OnChangeFolder();
    void OnBrowseFolder();
    void OnRestoreDefaults();
    void OnCodecConfig() { m_shell.ConfigureCodec(); }
    void OnCodecAbout() { m_shell.AboutCodec(); }
    void OnDeviceConfig();
    void OnInputConfig();
    void OnHelp() { m_shell.OpenSupportPage(); }

    CScopedIcon m_hIcon;
    CSkinWnd m_skin;
    CIconButton m_btnStart;
    CIconButton m_btnDefault;
    RecordingSettings m_settings;
    const FileVersionRecord* m_pVersion = nullptr;
    // While the Options dialog is open, nothing starts a recording.
    BOOL m_bOptionsOpen = FALSE;
    CRecordingControl m_recording;
    CShellActions m_shell{*this, m_recording};
    CSettingsPanel m_panel{*this, m_recording, m_shell};

    DECLARE_MESSAGE_MAP()
};
