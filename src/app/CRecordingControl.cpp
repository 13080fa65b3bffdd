#include "app/CRecordingControl.h"

#include <cstdio>
#include <cstdlib>

#include "app/OutputFiles.h"
#include "sysinfo/FormatText.h"
#include "res/resource.h"

CRecordingControl::CRecordingControl() = default;

CRecordingControl::~CRecordingControl()
{
    m_wndSelect.Destroy();
}

CString CRecordingControl::AppName() const
{
    CWinApp* pApp = AfxGetApp();
    return CString(pApp && pApp->m_pszAppName ? pApp->m_pszAppName : "Orvane");
}

BOOL CRecordingControl::Attach(CWnd* pMainWnd, const RecordingSettings* pSettings)
{
    m_pMainWnd = pMainWnd;
    m_pSettings = pSettings;
    m_tray.Init(pMainWnd->m_hWnd, WM_TRAY_NOTIFY);
    m_tray.Add(CTrayIcon::TRAY_ICON_ID, AppName());
    m_wndSelect.SetGrabber(&m_graph.Grabber());
    if (!m_wndSelect.Create())
        return FALSE;
    ::SetTimer(pMainWnd->m_hWnd, BLINK_TIMER_ID, BLINK_INTERVAL_MS, nullptr);
    // A test option: a disk that takes only so many bytes a second.
    if (const char* pszRate = getenv("ORVANE_WRITE_RATE"))
        for (int i = 0; i < CCaptureGraph::FORMAT_COUNT; ++i)
            m_graph.Writer(i)->SetWriteRate(strtoul(pszRate, nullptr, 0));
    return TRUE;
}

void CRecordingControl::Detach()
{
    if (!m_pMainWnd)
        return;
    if (m_bRecording)
        StartStop();
    m_hotKey.Unregister();
    m_pauseKey.Unregister();
    EndCountdown();
    m_graph.Grabber().Shutdown();
    m_wndSelect.Destroy();
    ::KillTimer(m_pMainWnd->m_hWnd, BLINK_TIMER_ID);
    ::KillTimer(m_pMainWnd->m_hWnd, TRAY_CLICK_TIMER_ID);
    m_tray.Delete(CTrayIcon::TRAY_ICON_ID);
    m_pMainWnd = nullptr;
}

BOOL CRecordingControl::ApplyHotKey(DWORD dwValue)
{
    return ApplyKey(m_hotKey, dwValue, HotKeyId(0), m_pMainWnd->m_hWnd);
}

BOOL CRecordingControl::ApplyPauseHotKey(DWORD dwValue, HWND hOwner)
{
    return ApplyKey(m_pauseKey, dwValue, HotKeyId(1), hOwner ? hOwner : m_pMainWnd->m_hWnd);
}

int CRecordingControl::HotKeyId(int nOffset) const
{
    const int nId = CHotKey::IdFromHandle(::GetDlgItem(m_pMainWnd->m_hWnd, IDC_CMB_HOTKEY));
    return (nId + nOffset) % 0xBFFF;
}

BOOL CRecordingControl::ApplyKey(CHotKey& hotKey, DWORD dwValue, int nId, HWND hOwner)
{
    const DWORD dwOld = hotKey.Value();
    const BOOL bWasRegistered = hotKey.IsRegistered();
    BOOL bOk = hotKey.SetValue(dwValue);
    if (bOk && !hotKey.IsRegistered())
        bOk = hotKey.Register(m_pMainWnd->m_hWnd, nId);
    if (bOk)
        return TRUE;
    CString strMessage;
    strMessage.Format(LoadFormatString(IDS_HOTKEY_IN_USE), static_cast<LPCSTR>(CHotKey::Text(dwValue)));
    ::MessageBoxA(hOwner, strMessage, AppName(), MB_SYSTEMMODAL | MB_ICONASTERISK);
    if (bWasRegistered && hotKey.Value() != dwOld)
        hotKey.SetValue(dwOld);
    return FALSE;
}

void CRecordingControl::SetMaxFileSize(DWORD nBytes)
{
    for (int i = 0; i < CCaptureGraph::FORMAT_COUNT; ++i)
        m_graph.Writer(i)->SetMaxFileSize(nBytes);
}

void CRecordingControl::StartStop()
{
    if (m_bRecording) {
        m_pMainWnd->SendMessage(WM_RECORD_TOGGLE);
        return;
    }
    if (m_bCountingDown) {
        CancelCountdown();
        return;
    }
    m_wndSelect.SetLastRect(m_pSettings->bHaveLastRect ? &m_pSettings->rcLast : nullptr);
    RECT empty = {0, 0, 0, 0};
    m_wndSelect.SetMode(CRectSelectWnd::SELECT_DRAG);
    m_wndSelect.SetSelectRect(&empty);
    m_wndSelect.SetHint(CTrayIcon::SelectHint());
    m_wndSelect.SetSelecting(TRUE, FALSE);
    m_wndSelect.ShowWindow(SW_SHOW);
    m_tray.Balloon(CTrayIcon::TRAY_ICON_ID, CTrayIcon::SelectHint(), AppName(), CTrayIcon::BALLOON_TIMEOUT_MS,
                   CTrayIcon::BALLOON_FLAGS);
}

LRESULT CRecordingControl::OnRecordToggle()
{
    if (m_bRecording) {
        // Cleared first: a message box shown while the recording ends lets other events in.
        m_bRecording = FALSE;
        EndRecording(FALSE);
        return 0;
    }
    if (CountDownFirst())
        return 0;
    BOOL bStarted = FALSE;
    try {
        bStarted = BeginRecording(FALSE);
    } catch (...) {
        bStarted = FALSE;
    }
    m_bRecording = bStarted;
    if (!bStarted)
        EndRecording(FALSE);
    return 0;
}

void CRecordingControl::ReportStartFailure(UINT nDetail, LPCSTR pszFileName)
{
    CString strDetail = LoadFormatString(nDetail);
    if (pszFileName) {
        CString strFormat = strDetail;
        strDetail.Format(strFormat, pszFileName);
    }
    CString strMessage = LoadText(IDS_CANNOT_START);
    strMessage += strDetail;
    ::MessageBoxA(m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, strMessage, AppName(), MB_SYSTEMMODAL | MB_ICONHAND);
}

BOOL CRecordingControl::BeginRecording(BOOL bContinuation)
{
    const RecordingSettings& settings = *m_pSettings;
    const int nFormat = CCaptureGraph::Clamp(settings.nFormat);
    char szExtension[MAX_PATH] = "";
    m_graph.Writer(nFormat)->GetExtension(szExtension, sizeof(szExtension));
    SYSTEMTIME now;
    GetLocalTime(&now);
    char szName[MAX_PATH];
    if (!BuildOutputName(settings.strSaveFolder, szExtension, now, szName, sizeof(szName)) || !szName[0]) {
        ReportStartFailure(IDS_INVALID_PATH);
        return FALSE;
    }
    m_strFileName = szName;

    RECT rect;
    m_wndSelect.GetSelectRect(&rect);
    if (!CCaptureGraph::IsLargeEnough(rect)) {
        ReportStartFailure(IDS_REGION_TOO_SMALL);
        return FALSE;
    }

    if (!bContinuation) {
        m_pMainWnd->ShowWindow(SW_HIDE);
        m_pMainWnd->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        m_tray.Balloon(CTrayIcon::TRAY_ICON_ID, CTrayIcon::StopHint(m_hotKey.Text()), AppName(),
                       CTrayIcon::BALLOON_TIMEOUT_MS, CTrayIcon::BALLOON_FLAGS);
        m_wndSelect.SetLocked(TRUE);
    }

    RecordingSetup setup = {};
    setup.nFormat = nFormat;
    setup.rect = rect;
    setup.nFps = settings.nFps;
    setup.nSampleRate = settings.nSampleRate;
    setup.nQuality = settings.nQuality;
    setup.dwVolumeSlider = settings.dwVolumeSlider;
    setup.pszFileName = szName;
    setup.hNotify = m_pMainWnd->m_hWnd;
    setup.nNotifyMsg = WM_WRITER_EVENT;
    setup.bRecordPointer = settings.bRecordPointer;
    setup.bHighlightPointer = settings.bHighlightPointer;
    setup.bShowClicks = settings.bShowClicks;
    setup.nSecondDevice = settings.nSecondDevice;
    setup.dwSecondVolume = settings.dwSecondVolume;
    switch (bContinuation ? m_graph.Continue(setup) : m_graph.Begin(setup)) {
    case CCaptureGraph::BEGIN_OK:
        if (!bContinuation && m_graph.SecondSoundFailed())
            m_tray.Balloon(CTrayIcon::TRAY_ICON_ID, LoadText(IDS_SECOND_SOUND_FAILED), AppName(),
                           CTrayIcon::BALLOON_TIMEOUT_MS, NIIF_WARNING | NIIF_NOSOUND);
        return TRUE;
    case CCaptureGraph::BEGIN_VIDEO_FAILED:
        ReportStartFailure(IDS_VIDEO_FAILED);
        return FALSE;
    case CCaptureGraph::BEGIN_AUDIO_FAILED:
        ReportStartFailure(IDS_AUDIO_FAILED);
        return FALSE;
    case CCaptureGraph::BEGIN_WRITER_FAILED:
        ReportStartFailure(IDS_FILE_START_FAILED, szName);
        return FALSE;
    }
    return FALSE;
}

void CRecordingControl::EndRecording(BOOL bContinuation)
{
    m_graph.End(CCaptureGraph::Clamp(m_pSettings->nFormat));
    if (bContinuation)
        return;
    m_bPaused = FALSE;
    m_wndSelect.SetPaused(FALSE);
    m_wndSelect.ShowWindow(SW_HIDE);
    m_wndSelect.SetLocked(FALSE);
    m_pMainWnd->SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    // A display change that came during the recording is applied now.
    m_graph.Grabber().OnDisplayChange(TRUE);
    ReportLostSound();
}

// The picture went on without sound, or the first device's sound without the second's: the
// user hears of it once the file is closed.
void CRecordingControl::ReportLostSound()
{
    DWORD dwAtMs = 0;
    DWORD dwSecondAtMs = 0;
    const bool bLost = m_graph.SoundStopped(&dwAtMs);
    const bool bSecondLost = !bLost && m_graph.SecondSoundStopped(&dwSecondAtMs);
    m_graph.ClearSoundStopped();
    if (bLost)
        ShowSoundStopped(IDS_SOUND_STOPPED, dwAtMs);
    else if (bSecondLost)
        ShowSoundStopped(IDS_SECOND_SOUND_STOPPED, dwSecondAtMs);
}

void CRecordingControl::ShowSoundStopped(UINT nFormatId, DWORD dwAtMs)
{
    const unsigned nSeconds = static_cast<unsigned>(dwAtMs / 1000);
    CString strMessage;
    strMessage.Format(LoadFormatString(nFormatId), nSeconds / 60, nSeconds % 60);
    ::MessageBoxA(m_pMainWnd->m_hWnd, strMessage, AppName(), MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
}

LRESULT CRecordingControl::OnWriterEvent(LPARAM lParam)
{
    if (!m_bRecording)
        return 0;
    if (lParam == CCaptureGraph::EVENT_SIZE_LIMIT && BeginRecording(TRUE))
        return 1;
    m_bRecording = FALSE;
    EndRecording(FALSE);
    CString strMessage;
    if (lParam == CCaptureGraph::EVENT_VIDEO_FAILED) {
        strMessage = LoadText(IDS_RECORDING_STOPPED);
        strMessage += LoadText(IDS_VIDEO_FAILED);
    } else {
        strMessage.Format(LoadFormatString(IDS_CANNOT_CONTINUE), static_cast<LPCSTR>(m_strFileName));
    }
    ::MessageBoxA(m_pMainWnd->m_hWnd, strMessage, AppName(), MB_SYSTEMMODAL | MB_ICONHAND);
    return 0;
}
