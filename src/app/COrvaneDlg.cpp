#include "app/COrvaneDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/COptionsDlg.h"
#include "app/COrvaneApp.h"
#include "app/DeviceNameScore.h"
#include "app/OutputFiles.h"
#include "app/CRecoveryScan.h"
#include "ui/CAboutBox.h"
#include "codecs/zmbv/ZmbvDriver.h"

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
    ON_CBN_SELCHANGE(IDC_CMB_HOTKEY, ApplyHotKeyFromControls)
    ON_BN_CLICKED(IDC_CHK_ALT, ApplyHotKeyFromControls)
    ON_BN_CLICKED(IDC_CHK_CTRL, ApplyHotKeyFromControls)
    ON_BN_CLICKED(IDC_CHK_SHIFT, ApplyHotKeyFromControls)
END_MESSAGE_MAP()

COrvaneDlg::COrvaneDlg(CWnd* pParent) : CDialog(IDD, pParent)
{
}

COrvaneDlg::~COrvaneDlg()
{
    if (m_hIcon)
        DestroyIcon(m_hIcon);
}

BOOL COrvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_hIcon) {
        // Taken after start-up chose the resource module: a language DLL may carry its own.
        LPCSTR lpszIcon = MAKEINTRESOURCEA(IDR_MAINFRAME);
        m_hIcon = static_cast<HICON>(LoadImageA(AfxFindResourceHandle(lpszIcon, MAKEINTRESOURCEA(14)), lpszIcon,
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    SetWindowText(AfxGetApp()->m_pszAppName);
    ApplySkin();

    if (!m_recording.Graph().InitializeGrabber()) {
        CString strMessage;
        strMessage.LoadString(IDS_DRIVER_FAILED);
        ::MessageBoxA(m_hWnd, strMessage, AfxGetApp()->m_pszAppName, MB_SYSTEMMODAL | MB_ICONHAND);
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
    LoadSettings();
    // Recordings an interruption left unfinished are repaired before the first recording.
    CRecoveryScan recovery;
    if (recovery.Run(m_stored.strSaveFolder))
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
    HCURSOR hHand = LoadCursor(nullptr, IDC_HAND);
    ::SendDlgItemMessageA(m_hWnd, IDC_BTN_HELP, BM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hHand));
    ::SendDlgItemMessageA(m_hWnd, IDC_BTN_ABOUT, BM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hHand));
    ::SendDlgItemMessageA(m_hWnd, IDC_BTN_OPTIONS, BM_SETIMAGE, IMAGE_CURSOR, reinterpret_cast<LPARAM>(hHand));
}

void COrvaneDlg::OnMinimizeButton()
{
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
}

void COrvaneDlg::OnAbout()
{
    COrvaneApp* pApp = static_cast<COrvaneApp*>(AfxGetApp());
    CAboutBox about(&pApp->GetVersionRecord());
    about.Show(this);
}

void COrvaneDlg::OnDestroy()
{
    CDialog::OnDestroy();
    // The recording's file is closed before the settings are saved.
    if (m_recording.IsRecording())
        m_recording.StartStop();
    if (m_bSettingsLoaded)
        SaveSettings();
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
    if (m_recording.IsRecording())
        m_recording.OnBlinkTimer();  // the blinking icon and the stop hint
    else if (!IsWindowVisible())
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
        SyncRecordingSettings();
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
    if (!bWasRecording && m_recording.IsRecording())
        RememberRectangle();
    return lResult;
}

void COrvaneDlg::RememberRectangle()
{
    RECT rect;
    m_recording.Overlay().GetSelectRect(&rect);
    m_stored.rcLast = m_settings.rcLast = rect;
    m_stored.bHaveLastRect = m_settings.bHaveLastRect = TRUE;
    m_store.SaveLastRect(rect);
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
    CString strMessage;
    strMessage.LoadString(IDS_RECORDING_ENDED);
    CString strDetail;
    strDetail.LoadString(IDS_VIDEO_FAILED);
    strMessage += strDetail;
    ::MessageBoxA(m_hWnd, strMessage, AfxGetApp()->m_pszAppName, MB_SYSTEMMODAL | MB_ICONHAND);
    return 0;
}

void COrvaneDlg::OnStartStop()
{
    if (m_bOptionsOpen)
        return;
    if (!m_recording.IsRecording())
        SyncRecordingSettings();
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
    COptionsDlg options(m_stored, m_recording, this);
    const INT_PTR nResult = options.DoModal();
    m_bOptionsOpen = FALSE;
    if (nResult == IDOK && m_bSettingsLoaded)
        SaveSettings();
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
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR COrvaneDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

// ---- Settings and lists -----------------------------------------------------------------

namespace {

const LPARAM kWebEntry = IDS_MORE_CODECS;
const char* const kSupportPage = "http://www.vantri.com/orvane/support.html";

// Codec preferences by output format; the first one installed is chosen.
const char* const kAviPreferences[] = {"XVID", "XviD", "xvid", "DIVX", "divx", "DIV6", "div6", "DIV5", "div5",
                                       "DIV4", "div4", "DIV3", "div3", "MP42", "mp42", "MP43", "mp43", "MP4S",
                                       "mp4s", "WMVP", "WMV3", "WMV2", "WMV1", "MPG4", "mpg4"};
const char* const kWmvPreferences[] = {"WMVP", "WMV3", "WMV2", "WMV1", "MP43", "mp43", "MP42", "mp42", "MP4S",
                                       "mp4s", "MPG4", "mpg4", "XVID", "XviD", "xvid", "DIVX", "divx", "DIV6",
                                       "div6", "DIV5", "div5", "DIV4", "div4", "DIV3", "div3"};

DWORD FourCC(const char* psz)
{
    return mmioFOURCC(psz[0], psz[1], psz[2], psz[3]);
}

// A stored index of a list that is about to be refilled is parked as -n - 2, so that the
// refill keeps it while a user's change of the parent list lets it be chosen anew.
int Park(int nIndex)
{
    return nIndex >= 0 ? -nIndex - 2 : nIndex;
}

int Unpark(int nIndex)
{
    return nIndex < -1 ? -nIndex - 2 : -1;
}

} // namespace

void COrvaneDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_EDT_SAVE_FOLDER, m_stored.strSaveFolder);
    DDX_CBIndex(pDX, IDC_CMB_FORMAT, m_stored.nFormat);
    DDX_CBIndex(pDX, IDC_CMB_CODEC, m_stored.nCodec);
    DDX_CBIndex(pDX, IDC_CMB_AUDIO_DEVICE, m_stored.nAudioDevice);
    DDX_CBIndex(pDX, IDC_CMB_AUDIO_INPUT, m_stored.nAudioInput);
    DDX_CBIndex(pDX, IDC_CMB_SAMPLE_RATE, m_stored.nSampleRate);
    DDX_CBIndex(pDX, IDC_CMB_AUDIO_QUALITY, m_stored.nAudioQuality);
    DDX_Slider(pDX, IDC_SLD_VOLUME, m_stored.nVolumeSlider);
    DDX_CBString(pDX, IDC_CMB_FPS, m_stored.strFps);
    DDX_Check(pDX, IDC_CHK_ALT, m_bAlt);
    DDX_Check(pDX, IDC_CHK_CTRL, m_bCtrl);
    DDX_Check(pDX, IDC_CHK_SHIFT, m_bShift);
}

int COrvaneDlg::ComboSelection(int nId) const
{
    return static_cast<int>(::SendDlgItemMessageA(m_hWnd, nId, CB_GETCURSEL, 0, 0));
}

LPARAM COrvaneDlg::ComboData(int nId, int nIndex) const
{
    return static_cast<LPARAM>(::SendDlgItemMessageA(m_hWnd, nId, CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
}

int COrvaneDlg::SelectClamped(int nId, int nIndex, int nLow, int nHigh)
{
    if (nIndex > nHigh)
        nIndex = nHigh;
    if (nIndex < nLow)
        nIndex = nLow;
    ::SendDlgItemMessageA(m_hWnd, nId, CB_SETCURSEL, static_cast<WPARAM>(nIndex), 0);
    return nIndex;
}

static int AddItem(HWND hDlg, int nId, LPCSTR pszText, LPARAM lData)
{
    int nIndex = static_cast<int>(::SendDlgItemMessageA(hDlg, nId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszText)));
    ::SendDlgItemMessageA(hDlg, nId, CB_SETITEMDATA, static_cast<WPARAM>(nIndex), lData);
    return nIndex;
}

void COrvaneDlg::LoadSettings()
{
    m_store.Load(m_stored);
    FillFormats();
    FillDevices();
    FillRatesAndQualities();
    HWND hSlider = ::GetDlgItem(m_hWnd, IDC_SLD_VOLUME);
    ::SendMessageA(hSlider, TBM_SETRANGEMIN, FALSE, 0);
    ::SendMessageA(hSlider, TBM_SETRANGEMAX, TRUE, 0xFFFF);
    ::SendMessageA(hSlider, TBM_SETTICFREQ, 0xFFFF / 10, 0);
    FillHotKey();
    UpdateData(FALSE);
    ::SendDlgItemMessageA(m_hWnd, IDC_EDT_SAVE_FOLDER, WM_KEYDOWN, VK_END, 0);
    m_recording.ApplyHotKey(m_stored.dwHotKey);
    m_recording.ApplyPauseHotKey(m_stored.dwPauseHotKey);
    m_bSettingsLoaded = TRUE;
}

void COrvaneDlg::SaveSettings()
{
    UpdateData(TRUE);
    m_stored.dwHotKey = m_recording.HotKey().Value();
    m_stored.dwPauseHotKey = m_recording.PauseHotKey().Value();
    m_store.Save(m_stored);
}

void COrvaneDlg::FillFormats()
{
    ::SendDlgItemMessageA(m_hWnd, IDC_CMB_FORMAT, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < CCaptureGraph::FORMAT_COUNT; ++i) {
        char szExtension[MAX_PATH] = "";
        m_recording.Graph().Writer(i)->GetExtension(szExtension, sizeof(szExtension));
        CString strName(CharUpperA(szExtension));
        strName += LoadText(IDS_FORMAT_FILE);
        ::SendDlgItemMessageA(m_hWnd, IDC_CMB_FORMAT, CB_INSERTSTRING, static_cast<WPARAM>(i),
                              reinterpret_cast<LPARAM>(static_cast<LPCSTR>(strName)));
    }
    m_stored.nFormat = SelectClamped(IDC_CMB_FORMAT, m_stored.nFormat, 0, CCaptureGraph::FORMAT_COUNT - 1);
    m_stored.nCodec = Park(m_stored.nCodec);
    OnFormatChange();
}

void COrvaneDlg::OnFormatChange()
{
    m_stored.nFormat = ComboSelection(IDC_CMB_FORMAT);
    m_stored.nCodec = Unpark(m_stored.nCodec);
    HCURSOR hOld = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    FillCodecs();
    SetCursor(hOld);
}

void COrvaneDlg::FillCodecs()
{
    ::SendDlgItemMessageA(m_hWnd, IDC_CMB_CODEC, CB_RESETCONTENT, 0, 0);
    // Keeps the status window of an installed XviD compressor away from recordings; the key
    // is created when it is missing, so the setting is in place before XviD first runs.
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\GNU\\XviD", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                        nullptr) == ERROR_SUCCESS) {
        DWORD dwZero = 0;
        RegSetValueExA(hKey, "display_status", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwZero), sizeof(dwZero));
        RegCloseKey(hKey);
    }
    CVideoCompressor& compressor = m_recording.Graph().Compressor();
    BITMAPINFOHEADER probe = {sizeof(probe), 64, 64, 1, 32, BI_RGB, 16384, 0, 0, 0, 0};
    compressor.SetInputFormat(&probe, sizeof(probe));
    std::vector<std::string> names;
    compressor.BuildCatalogue(names);
    for (size_t i = 0; i < names.size(); ++i)
        AddItem(m_hWnd, IDC_CMB_CODEC, names[i].c_str(), static_cast<LPARAM>(i));
    // The list sorts what it is given; the web entry is inserted so that it stays last.
    CString strWeb = LoadText(IDS_MORE_CODECS);
    LPCSTR pszWeb = strWeb;
    int nWeb = static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_CMB_CODEC, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                                                      reinterpret_cast<LPARAM>(pszWeb)));
    ::SendDlgItemMessageA(m_hWnd, IDC_CMB_CODEC, CB_SETITEMDATA, static_cast<WPARAM>(nWeb), kWebEntry);

    const int nCount = static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_CMB_CODEC, CB_GETCOUNT, 0, 0));
    if (m_stored.nCodec < 0) {
        const bool bWmv = m_stored.nFormat == CCaptureGraph::FORMAT_WMV;
        for (const char* pszFourCC : bWmv ? kWmvPreferences : kAviPreferences) {
            int nCatalogue = compressor.FindByHandler(FourCC(pszFourCC));
            if (nCatalogue < 0)
                continue;
            for (int i = 0; i < nCount; ++i) {
                if (ComboData(IDC_CMB_CODEC, i) == nCatalogue) {
                    m_stored.nCodec = i;
                    break;
                }
            }
            break;
        }
    }
    m_stored.nCodec = SelectClamped(IDC_CMB_CODEC, m_stored.nCodec, 0, nCount - 2);
    OnCodecChange();
}

void COrvaneDlg::OnCodecChange()
{
    int nIndex = ComboSelection(IDC_CMB_CODEC);
    if (nIndex < 0)
        return;
    if (ComboData(IDC_CMB_CODEC, nIndex) == kWebEntry) {
        ::SendDlgItemMessageA(m_hWnd, IDC_CMB_CODEC, CB_SETCURSEL, static_cast<WPARAM>(m_nPreviousCodec), 0);
        ShellExecuteA(m_hWnd, "open", LoadText(IDS_CODECS_URL), nullptr, nullptr, SW_SHOWNORMAL);
        return;
    }
    m_stored.nCodec = m_nPreviousCodec = nIndex;
    CVideoCompressor& compressor = m_recording.Graph().Compressor();
    compressor.Select(static_cast<int>(ComboData(IDC_CMB_CODEC, nIndex)));
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_CODEC_CONFIG), compressor.CanConfigure());
}

void COrvaneDlg::FillDevices()
{
    ::SendDlgItemMessageA(m_hWnd, IDC_CMB_AUDIO_DEVICE, CB_RESETCONTENT, 0, 0);
    AddItem(m_hWnd, IDC_CMB_AUDIO_DEVICE, LoadText(IDS_DEFAULT_AUDIO_DEVICE), -1);
    std::vector<std::string> names;
    m_recording.Graph().Capture().ListDevices(names);
    int nBest = 0, nBestScore = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        AddItem(m_hWnd, IDC_CMB_AUDIO_DEVICE, names[i].c_str(), static_cast<LPARAM>(i));
        int nScore = ScoreDeviceName(names[i].c_str());
        if (nScore > nBestScore) {
            nBestScore = nScore;
            nBest = static_cast<int>(i);
        }
    }
    if (m_stored.nAudioDevice < 0)
        m_stored.nAudioDevice = nBest + 1;
    m_stored.nAudioDevice = SelectClamped(IDC_CMB_AUDIO_DEVICE, m_stored.nAudioDevice, 0, static_cast<int>(names.size()));
    m_stored.nAudioInput = Park(m_stored.nAudioInput);
    OnDeviceChange();
}

void COrvaneDlg::OnDeviceChange()
{
    m_stored.nAudioDevice = ComboSelection(IDC_CMB_AUDIO_DEVICE);
    m_stored.nAudioInput = Unpark(m_stored.nAudioInput);
    LPARAM lDevice = ComboData(IDC_CMB_AUDIO_DEVICE, m_stored.nAudioDevice);
    m_recording.Graph().Capture().SetDevice(lDevice < 0 ? WAVE_MAPPER : static_cast<UINT>(lDevice));
    FillInputs();
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_DEVICE_CONFIG), m_stored.nAudioDevice == 0);
}

void COrvaneDlg::FillInputs()
{
    ::SendDlgItemMessageA(m_hWnd, IDC_CMB_AUDIO_INPUT, CB_RESETCONTENT, 0, 0);
    std::vector<std::string> names;
    if (m_stored.nAudioDevice > 0)
        m_recording.Graph().Capture().ListInputs(names);
    if (names.empty())
        AddItem(m_hWnd, IDC_CMB_AUDIO_INPUT, LoadText(IDS_DEFAULT_AUDIO_INPUT), -1);
    int nBest = 0, nBestScore = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        AddItem(m_hWnd, IDC_CMB_AUDIO_INPUT, names[i].c_str(), static_cast<LPARAM>(i));
        int nScore = ScoreDeviceName(names[i].c_str());
        if (nScore > nBestScore) {
            nBestScore = nScore;
            nBest = static_cast<int>(i);
        }
    }
    if (m_stored.nAudioInput < 0)
        m_stored.nAudioInput = nBest;
    const int nCount = static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_CMB_AUDIO_INPUT, CB_GETCOUNT, 0, 0));
    m_stored.nAudioInput = SelectClamped(IDC_CMB_AUDIO_INPUT, m_stored.nAudioInput, 0, nCount - 1);
    OnInputChange();
}

void COrvaneDlg::OnInputChange()
{
    m_stored.nAudioInput = ComboSelection(IDC_CMB_AUDIO_INPUT);
    LPARAM lInput = ComboData(IDC_CMB_AUDIO_INPUT, m_stored.nAudioInput);
    m_recording.Graph().Capture().SetInput(static_cast<int>(lInput));
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_BTN_INPUT_CONFIG), lInput < 0);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SLD_VOLUME), lInput >= 0);
}

void COrvaneDlg::FillRatesAndQualities()
{
    ::SendDlgItemMessageA(m_hWnd, IDC_CMB_SAMPLE_RATE, CB_RESETCONTENT, 0, 0);
    std::vector<int> rates;
    CMp3Encoder::SupportedRates(rates);
    for (int nRate : rates) {
        char szRate[32];
        snprintf(szRate, sizeof(szRate), "%d %s", nRate, "Hz");
        ::SendDlgItemMessageA(m_hWnd, IDC_CMB_SAMPLE_RATE, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(szRate));
        int nIndex = static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_CMB_SAMPLE_RATE, CB_GETCOUNT, 0, 0)) - 1;
        ::SendDlgItemMessageA(m_hWnd, IDC_CMB_SAMPLE_RATE, CB_SETITEMDATA, static_cast<WPARAM>(nIndex), nRate);
    }
    m_stored.nSampleRate = SelectClamped(IDC_CMB_SAMPLE_RATE, m_stored.nSampleRate, 0, static_cast<int>(rates.size()) - 1);

    ::SendDlgItemMessageA(m_hWnd, IDC_CMB_AUDIO_QUALITY, CB_RESETCONTENT, 0, 0);
    for (UINT i = 0; i < 10; ++i)
        ::SendDlgItemMessageA(m_hWnd, IDC_CMB_AUDIO_QUALITY, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(static_cast<LPCSTR>(LoadText(IDS_QUALITY_0 + i))));
    m_stored.nAudioQuality = SelectClamped(IDC_CMB_AUDIO_QUALITY, m_stored.nAudioQuality, 0, 9);

    if (::SendDlgItemMessageA(m_hWnd, IDC_CMB_FPS, CB_GETCOUNT, 0, 0) == 0) {
        for (const char* pszFps : {"10", "15", "20", "25", "30"})
            ::SendDlgItemMessageA(m_hWnd, IDC_CMB_FPS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszFps));
    }
}

void COrvaneDlg::FillHotKey()
{
    HWND hCombo = ::GetDlgItem(m_hWnd, IDC_CMB_HOTKEY);
    CHotKey::FillKeyCombo(hCombo);
    WORD nKeyWord = HIWORD(m_stored.dwHotKey);
    CHotKey::SelectKeyInCombo(hCombo, nKeyWord);
    m_bAlt = (m_stored.dwHotKey & MOD_ALT) != 0;
    m_bCtrl = (m_stored.dwHotKey & MOD_CONTROL) != 0;
    m_bShift = (m_stored.dwHotKey & MOD_SHIFT) != 0;
}

void COrvaneDlg::ApplyHotKeyFromControls()
{
    UpdateData(TRUE);
    HWND hCombo = ::GetDlgItem(m_hWnd, IDC_CMB_HOTKEY);
    int nIndex = ComboSelection(IDC_CMB_HOTKEY);
    WORD nKeyWord = nIndex >= 0 ? static_cast<WORD>(ComboData(IDC_CMB_HOTKEY, nIndex)) : m_recording.HotKey().KeyWord();
    if (m_recording.ApplyHotKey(CHotKey::Pack(nKeyWord, m_bAlt, m_bCtrl, m_bShift)))
        return;
    // The key is taken: the controls show the hotkey that stays registered.
    CHotKey& hotKey = m_recording.HotKey();
    CHotKey::SelectKeyInCombo(hCombo, hotKey.KeyWord());
    m_bAlt = hotKey.Alt();
    m_bCtrl = hotKey.Ctrl();
    m_bShift = hotKey.Shift();
    UpdateData(FALSE);
}

void COrvaneDlg::SyncRecordingSettings()
{
    UpdateData(TRUE);
    m_settings.strSaveFolder = m_stored.strSaveFolder;
    m_settings.nFormat = m_stored.nFormat;
    m_settings.nFps = static_cast<UINT>(CSettingsStore::UsableFramesPerSecond(m_stored.strFps));
    // The box shows the rate the recording uses.
    m_stored.strFps.Format("%u", m_settings.nFps);
    ::SetDlgItemTextA(m_hWnd, IDC_CMB_FPS, m_stored.strFps);
    int nRate = m_stored.nSampleRate >= 0 ? static_cast<int>(ComboData(IDC_CMB_SAMPLE_RATE, m_stored.nSampleRate)) : 0;
    m_settings.nSampleRate = nRate > 0 ? nRate : 44100;
    m_settings.nQuality = m_stored.nAudioQuality;
    m_settings.dwVolumeSlider = static_cast<DWORD>(m_stored.nVolumeSlider);
    m_settings.dwHotKey = m_recording.HotKey().Value();
    m_settings.dwPauseHotKey = m_recording.PauseHotKey().Value();
    m_settings.nCountdown = m_stored.nCountdown;
    m_settings.bRecordPointer = m_stored.bRecordPointer;
    m_settings.bHighlightPointer = m_stored.bHighlightPointer;
    m_settings.bShowClicks = m_stored.bShowClicks;
    m_settings.nSecondDevice = m_stored.nSecondDevice;
    m_settings.dwSecondVolume = static_cast<DWORD>(m_stored.nSecondVolume);
    m_settings.bHaveLastRect = m_stored.bHaveLastRect;
    m_settings.rcLast = m_stored.rcLast;
}

void COrvaneDlg::OnChangeFolder()
{
    UpdateData(TRUE);
    char szFolder[MAX_PATH];
    if (!BrowseForFolder(m_hWnd, LoadText(IDS_SELECT_FOLDER), m_stored.strSaveFolder, szFolder, sizeof(szFolder)))
        return;
    m_stored.strSaveFolder = szFolder;
    UpdateData(FALSE);
    ::SendDlgItemMessageA(m_hWnd, IDC_EDT_SAVE_FOLDER, WM_KEYDOWN, VK_END, 0);
}

void COrvaneDlg::OnBrowseFolder()
{
    UpdateData(TRUE);
    OpenFolder(m_stored.strSaveFolder);
}

void COrvaneDlg::OnRestoreDefaults()
{
    if (::MessageBoxA(m_hWnd, LoadText(IDS_CONFIRM_DEFAULTS), AfxGetApp()->m_pszAppName,
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_recording.HotKey().Unregister();
    m_recording.PauseHotKey().Unregister();
    // The last rectangle is what was recorded, not a choice: it stays.
    const BOOL bHaveLastRect = m_stored.bHaveLastRect;
    const RECT rcLast = m_stored.rcLast;
    CSettingsStore::ApplyDefaults(m_stored);
    m_stored.bHaveLastRect = bHaveLastRect;
    m_stored.rcLast = rcLast;
    m_store.Save(m_stored);
    LoadSettings();
}

void COrvaneDlg::OnCodecConfig()
{
    m_recording.Graph().Compressor().Configure(m_hWnd);
}

void COrvaneDlg::OnCodecAbout()
{
    m_recording.Graph().Compressor().About(m_hWnd);
}

void COrvaneDlg::OnDeviceConfig()
{
    if (!m_recording.Graph().Capture().OpenDeviceSettings())
        ::MessageBoxA(m_hWnd, LoadText(IDS_DEVICE_CONFIG_FAILED), AfxGetApp()->m_pszAppName, MB_ICONHAND);
}

void COrvaneDlg::OnInputConfig()
{
    if (!m_recording.Graph().Capture().OpenInputSettings())
        ::MessageBoxA(m_hWnd, LoadText(IDS_INPUT_CONFIG_FAILED), AfxGetApp()->m_pszAppName, MB_ICONHAND);
}

void COrvaneDlg::OnHelp()
{
    ShellExecuteA(nullptr, "open", kSupportPage, nullptr, nullptr, SW_SHOWNORMAL);
}
