#include "app/COrvaneDlg.h"

#include <cstdlib>

#include "app/COptionsDlg.h"
#include "app/CRecoveryScan.h"
#include "codecs/zmbv/ZmbvDriver.h"
#include "ui/CAboutBox.h"

BEGIN_MESSAGE_MAP(COrvaneDlg, CDialog)
ON_WM_CLOSE()
ON_WM_ENDSESSION()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_DESTROY()
ON_WM_TIMER()
ON_WM_SYSCOMMAND()
ON_WM_HOTKEY()
ON_WM_DISPLAYCHANGE()
ON_MESSAGE(WM_RECORD_TOGGLE, OnRecordToggle)
ON_MESSAGE(WM_WRITER_EVENT, OnWriterEvent)
ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify)
ON_MESSAGE(WM_CODEC_FAULT, OnCodecFault)
ON_BN_CLICKED(IDC_BTN_START, OnStartStop)
ON_COMMAND(ID_TRAY_START, OnStartStop)
ON_COMMAND(ID_TRAY_SETTINGS, OnTraySettings)
ON_COMMAND(ID_TRAY_EXIT, OnTrayExit)
ON_COMMAND(ID_TRAY_ABOUT, OnAbout)
ON_BN_CLICKED(IDC_BTN_ABOUT, OnAbout)
ON_BN_CLICKED(IDC_BTN_MINIMIZE, OnMinimizeButton)
ON_BN_CLICKED(IDC_BTN_CLOSE, OnTrayExit)
ON_BN_CLICKED(IDC_BTN_HELP, OnHelp)
ON_BN_CLICKED(IDC_BTN_DEFAULT, OnRestoreDefaults)
ON_BN_CLICKED(IDC_BTN_CHANGE_FOLDER, OnChangeFolder)
ON_BN_CLICKED(IDC_BTN_BROWSE_FOLDER, OnBrowseFolder)
ON_COMMAND(ID_TRAY_BROWSE, OnBrowseFolder)
ON_BN_CLICKED(IDC_BTN_CODEC_CONFIG, OnCodecConfig)
ON_BN_CLICKED(IDC_BTN_CODEC_ABOUT, OnCodecAbout)
ON_BN_CLICKED(IDC_BTN_DEVICE_CONFIG, OnDeviceConfig)
ON_BN_CLICKED(IDC_BTN_INPUT_CONFIG, OnInputConfig)
ON_CBN_SELCHANGE(IDC_CMB_FORMAT, OnFormatChange)
ON_CBN_SELCHANGE(IDC_CMB_CODEC, OnCodecChange)
ON_CBN_SELCHANGE(IDC_CMB_AUDIO_DEVICE, OnDeviceChange)
ON_CBN_SELCHANGE(IDC_CMB_AUDIO_INPUT, OnInputChange)
ON_COMMAND(ID_TRAY_OPTIONS, OnOptions)
ON_BN_CLICKED(IDC_BTN_OPTIONS, OnOptions)
ON_COMMAND(ID_TRAY_PAUSE, OnTrayPause)
ON_CBN_SELCHANGE(IDC_CMB_HOTKEY, OnHotKeyControls)
ON_BN_CLICKED(IDC_CHK_ALT, OnHotKeyControls)
ON_BN_CLICKED(IDC_CHK_CTRL, OnHotKeyControls)
ON_BN_CLICKED(IDC_CHK_SHIFT, OnHotKeyControls)
END_MESSAGE_MAP()

COrvaneDlg::COrvaneDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
}

COrvaneDlg::~COrvaneDlg() = default;

int COrvaneDlg::ShowMessage(const CString& strText, UINT nType)
{
    return ::MessageBoxA(m_hWnd, strText, AfxGetApp()->m_pszAppName, nType);
}

BOOL COrvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_hIcon) {
        // Taken after start-up chose the resource module: a language DLL may carry its own.
        LPCSTR lpszIcon = MAKEINTRESOURCEA(IDR_MAINFRAME);
        m_hIcon.Reset(static_cast<HICON>(LoadImageA(AfxFindResourceHandle(lpszIcon, MAKEINTRESOURCEA(14)), lpszIcon,
                                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    }
    SetIcon(m_hIcon.Get(), TRUE);
    SetIcon(m_hIcon.Get(), FALSE);
    SetWindowText(AfxGetApp()->m_pszAppName);
    ApplySkin();

    if (!m_recording.Graph().InitializeGrabber()) {
        ShowMessage(LoadText(IDS_DRIVER_FAILED), MB_SYSTEMMODAL | MB_ICONHAND);
        DestroyWindow();
        return TRUE;
    }
    if (!m_recording.Attach(this, &m_settings))
        return TRUE;
    m_recording.Graph().Compressor().SetFaultNotify(m_hWnd, WM_CODEC_FAULT);
    // A test option: a small size limit shows the continuation into the next file quickly.
    if (const char* pszLimit = getenv("ORVANE_MAX_FILE_SIZE"))
        m_recording.SetMaxFileSize(strtoul(pszLimit, nullptr, 0));
    ZmbvInstallForProcess();
    m_panel.Bind();
    m_panel.Load();
    // Recordings an interruption left unfinished are repaired before the first recording.
    CRecoveryScan recovery;
    if (recovery.Run(m_panel.Stored().strSaveFolder))
        m_recording.Tray().Balloon(CTrayIcon::TRAY_ICON_ID, recovery.Notice(), AfxGetApp()->m_pszAppName,
                                   CRecoveryScan::NOTICE_TIMEOUT_MS, recovery.NoticeFlags());
    return TRUE;
}

void COrvaneDlg::ApplySkin()
{
    m_btnStart.SubclassDlgItem(IDC_BTN_START, this);
    m_btnDefault.SubclassDlgItem(IDC_BTN_DEFAULT, this);
    m_btnStart.SetIcon(IDI_START);
    m_btnDefault.SetIcon(IDI_DEFAULT);
    m_btnStart.SetFlat(FALSE);
    m_btnDefault.SetFlat(FALSE);
    m_skin.SetImageID(CSkinWnd::IMAGE_MASK, IDB_SKIN_MASK);
    m_skin.SetImageID(CSkinWnd::IMAGE_FACE, IDB_SKIN_FACE);
    m_skin.SetImageID(CSkinWnd::IMAGE_HOVER, IDB_SKIN_HOVER);
    m_skin.Attach(m_hWnd);
    m_skin.ApplySkin();
    // Sent only after the skin is applied: the buttons drop it before.
    const LPARAM lHand = reinterpret_cast<LPARAM>(LoadCursor(nullptr, IDC_HAND));
    for (int nId : {IDC_BTN_HELP, IDC_BTN_ABOUT, IDC_BTN_OPTIONS})
        GetDlgItem(nId)->SendMessage(BM_SETIMAGE, IMAGE_CURSOR, lHand);
}

void COrvaneDlg::OnMinimizeButton()
{
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
}

void COrvaneDlg::OnAbout()
{
    CAboutBox about(m_pVersion);
    about.Show(this);
}

void COrvaneDlg::OnDestroy()
{
    CDialog::OnDestroy();
    // The recording's file is closed before the settings are saved.
    if (m_recording.IsRecording())
        m_recording.StartStop();
    if (m_panel.IsLoaded())
        m_panel.Save();
    m_panel.Unbind();
    m_recording.Detach();
}

LRESULT COrvaneDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    static const UINT s_nTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    if (message == s_nTaskbarCreated && s_nTaskbarCreated) {
        OnTaskbarCreated();
        return 0;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void COrvaneDlg::OnTaskbarCreated()
{
    // An icon the shell still knows makes the add fail; its state is put right all the same.
    m_recording.Tray().Add(CTrayIcon::TRAY_ICON_ID, AfxGetApp()->m_pszAppName);
    m_recording.OnTrayIconAdded();
    if (!m_recording.IsRecording() && !IsWindowVisible())
        m_recording.OnMinimized();
}

void COrvaneDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == CRecordingControl::BLINK_TIMER_ID)
        m_recording.OnBlinkTimer();
    else if (nIDEvent == CRecordingControl::TRAY_CLICK_TIMER_ID)
        m_recording.OnTrayClickTimer();
    else if (nIDEvent == CRecordingControl::COUNTDOWN_TIMER_ID)
        m_recording.OnCountdownTimer();
    else
        CDialog::OnTimer(nIDEvent);
}

void COrvaneDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    switch (nID & 0xFFF0) {
    case SC_MINIMIZE: {
        // Minimised, the window lives in the tray. A recording hides the window before and
        // shows its own hint.
        const BOOL bWasVisible = IsWindowVisible();
        ShowWindow(SW_HIDE);
        m_recording.OnMinimized();
        if (bWasVisible)
            m_recording.Tray().Balloon(CTrayIcon::TRAY_ICON_ID, CTrayIcon::RestoreHint(), AfxGetApp()->m_pszAppName,
                                       CTrayIcon::BALLOON_TIMEOUT_MS, CTrayIcon::BALLOON_FLAGS);
        return;
    }
    case SC_RESTORE:
        ShowWindow(SW_SHOWNORMAL);
        ::SetForegroundWindow(m_hWnd);
        m_recording.OnRestored();
        return;
    }
    CDialog::OnSysCommand(nID, lParam);
}

void COrvaneDlg::OnHotKey(UINT, UINT nKey1, UINT nKey2)
{
    if (m_bOptionsOpen)
        return;
    if (!m_recording.IsRecording())
        m_panel.CopyTo(m_settings);
    m_recording.OnHotKey(nKey1, nKey2);
}

LRESULT COrvaneDlg::OnDisplayChange(WPARAM, LPARAM)
{
    m_recording.OnDisplayChange();
    return Default();
}

LRESULT COrvaneDlg::OnRecordToggle(WPARAM, LPARAM)
{
    const BOOL bWasRecording = m_recording.IsRecording();
    const LRESULT lResult = m_recording.OnRecordToggle();
    if (!bWasRecording && m_recording.IsRecording()) {
        RECT rect;
        m_recording.Overlay().GetSelectRect(&rect);
        m_panel.RememberRectangle(rect, m_settings);
    }
    return lResult;
}

LRESULT COrvaneDlg::OnWriterEvent(WPARAM, LPARAM lParam)
{
    return m_recording.OnWriterEvent(lParam);
}

LRESULT COrvaneDlg::OnTrayNotify(WPARAM, LPARAM lParam)
{
    m_recording.OnTrayNotify(lParam);
    return 0;
}

LRESULT COrvaneDlg::OnCodecFault(WPARAM, LPARAM lParam)
{
    // A start that failed was reported as such.
    if (lParam == CCodecGuard::STAGE_BEGIN)
        return 0;
    // The file keeps what was recorded before the fault.
    if (m_recording.IsRecording())
        m_recording.StartStop();
    CString strMessage = LoadText(IDS_RECORDING_ENDED);
    strMessage += LoadText(IDS_VIDEO_FAILED);
    ShowMessage(strMessage, MB_SYSTEMMODAL | MB_ICONHAND);
    return 0;
}

void COrvaneDlg::OnStartStop()
{
    if (m_bOptionsOpen)
        return;
    if (!m_recording.IsRecording())
        m_panel.CopyTo(m_settings);
    m_recording.StartStop();
}

void COrvaneDlg::OnTraySettings()
{
    if (!m_recording.IsRecording())
        SendMessage(WM_SYSCOMMAND, SC_RESTORE);
}

void COrvaneDlg::OnOptions()
{
    if (m_bOptionsOpen || m_recording.IsRecording() || m_recording.IsCountingDown())
        return;
    m_bOptionsOpen = TRUE;
    COptionsDlg options(m_panel.Stored(), m_recording, this);
    const INT_PTR nResult = options.DoModal();
    m_bOptionsOpen = FALSE;
    if (nResult == IDOK && m_panel.IsLoaded())
        m_panel.Save();
}

void COrvaneDlg::OnTrayPause()
{
    m_recording.TogglePause();
}

void COrvaneDlg::OnTrayExit()
{
    DestroyWindow();
}

void COrvaneDlg::OnClose()
{
    DestroyWindow();
}

void COrvaneDlg::OnEndSession(BOOL bEnding)
{
    CDialog::OnEndSession(bEnding);
    if (bEnding)
        DestroyWindow();
}

void COrvaneDlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect rect;
    GetClientRect(&rect);
    int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon.Get());
}

HCURSOR COrvaneDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon.Get());
}

void COrvaneDlg::OnChangeFolder()
{
    UpdateData(TRUE);
    CString strChosen;
    if (m_shell.ChooseFolder(m_panel.Stored().strSaveFolder, strChosen))
        m_panel.SetSaveFolder(strChosen);
}

void COrvaneDlg::OnBrowseFolder()
{
    UpdateData(TRUE);
    m_shell.OpenFolder(m_panel.Stored().strSaveFolder);
}

void COrvaneDlg::OnRestoreDefaults()
{
    if (ShowMessage(LoadText(IDS_CONFIRM_DEFAULTS), MB_YESNO | MB_ICONQUESTION) == IDYES)
        m_panel.RestoreDefaults();
}

void COrvaneDlg::OnDeviceConfig()
{
    if (!m_shell.OpenDeviceSettings())
        ShowMessage(LoadText(IDS_DEVICE_CONFIG_FAILED), MB_ICONHAND);
}

void COrvaneDlg::OnInputConfig()
{
    if (!m_shell.OpenInputSettings())
        ShowMessage(LoadText(IDS_INPUT_CONFIG_FAILED), MB_ICONHAND);
}
