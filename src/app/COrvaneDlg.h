#pragma once
// The program's main window: a modeless dialog from template 102.
#include "base/PrivateMessages.h"
#include "app/CRecordingControl.h"
#include "app/CSettingsStore.h"
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
    CRecordingControl& Recording() { return m_recording; }

protected:
    BOOL OnInitDialog() override;
    // Also takes the shell's "TaskbarCreated" broadcast, which has no fixed number.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(CDataExchange* pDX) override;
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
    void OnTrayBrowse();
    void OnTrayExit();
    void OnMinimizeButton();
    void OnAbout();
    // The Options dialog (not while recording); OK saves the settings.
    void OnOptions();
    void OnTrayPause();
    // A recording began: its rectangle is the one Enter takes again.
    void RememberRectangle();

    // The window's shape, layout and look come from the skin pictures; without them the
    // window keeps its template layout.
    void ApplySkin();

    // Settings: defaults, then the stored values, then every list and the hotkey.
    void LoadSettings();
    void SaveSettings();
    void FillFormats();
    void OnFormatChange();
    void FillCodecs();
    void OnCodecChange();
    void FillDevices();
    void OnDeviceChange();
    void FillInputs();
    void OnInputChange();
    void FillRatesAndQualities();
    void FillHotKey();
    void ApplyHotKeyFromControls();
    // Copies the controls into what the next recording is made with.
    void SyncRecordingSettings();

    void OnChangeFolder();
    void OnBrowseFolder();
    void OnRestoreDefaults();
    void OnCodecConfig();
    void OnCodecAbout();
    void OnDeviceConfig();
    void OnInputConfig();
    void OnHelp();

    int ComboSelection(int nId) const;
    LPARAM ComboData(int nId, int nIndex) const;
    int SelectClamped(int nId, int nIndex, int nLow, int nHigh);

    HICON m_hIcon = nullptr;
    CSkinWnd m_skin;
    CIconButton m_btnStart;
    CIconButton m_btnDefault;
    RecordingSettings m_settings;
    StoredSettings m_stored = {};
    CSettingsStore m_store;
    int m_bAlt = 0, m_bCtrl = 0, m_bShift = 0;
    int m_nPreviousCodec = 0;
    // Only settings that were loaded are saved: a start that failed before keeps the stored ones.
    BOOL m_bSettingsLoaded = FALSE;
    // While the Options dialog is open, nothing starts a recording.
    BOOL m_bOptionsOpen = FALSE;
    CRecordingControl m_recording;

    DECLARE_MESSAGE_MAP()
};
