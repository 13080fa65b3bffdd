// The recording control's input side: the hotkey, the tray icon's clicks and tip, the timers,
// pause and the countdown.
#include "app/CRecordingControl.h"

#include "base/KeyPresses.h"
#include "res/resource.h"

namespace {

// The size of a file as it stands on the disk; 0 when there is none.
ULONGLONG FileBytes(LPCSTR pszPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!pszPath || !*pszPath || !::GetFileAttributesExA(pszPath, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

void CRecordingControl::OnHotKey(UINT nModifiers, UINT nVirtKey)
{
    if (m_pauseKey.IsRegistered() && m_pauseKey.Matches(nModifiers, nVirtKey)) {
        TogglePause();
        return;
    }
    if (m_bHotKeyBusy || !m_hotKey.Matches(nModifiers, nVirtKey))
        return;
    m_bHotKeyBusy = TRUE;
    try {
        StartStop();
    } catch (...) {
    }
    m_bHotKeyBusy = FALSE;
}

void CRecordingControl::OnTrayNotify(LPARAM lParam)
{
    if (m_bTrayBusy)
        return;
    m_bTrayBusy = TRUE;
    switch (static_cast<UINT>(lParam)) {
    // A double click arrives as up, double-click, up: a single click stops the recording only
    // when no double click follows it, so that a double click while recording does nothing.
    case WM_LBUTTONDOWN:
        m_bSwallowTrayUp = FALSE;
        break;
    case WM_LBUTTONUP:
        if (m_bSwallowTrayUp)
            m_bSwallowTrayUp = FALSE;
        else if (m_bRecording) {
            m_bTrayClickPending = TRUE;
            ::SetTimer(m_pMainWnd->m_hWnd, TRAY_CLICK_TIMER_ID, ::GetDoubleClickTime(), nullptr);
        }
        break;
    case WM_LBUTTONDBLCLK:
        ::KillTimer(m_pMainWnd->m_hWnd, TRAY_CLICK_TIMER_ID);
        m_bTrayClickPending = FALSE;
        m_bSwallowTrayUp = TRUE;
        if (!m_bRecording && !m_wndSelect.IsSelecting() && !m_bCountingDown)
            m_pMainWnd->SendMessage(WM_SYSCOMMAND, SC_RESTORE);
        break;
    case WM_RBUTTONUP: {
        // While recording the menu offers pause, naming the key when there is one.
        const CString strPauseKey = m_pauseKey.IsRegistered() ? m_pauseKey.Text() : CString();
        CTrayIcon::ShowMenu(m_pMainWnd, m_bRecording || m_bCountingDown, m_hotKey.Text(), m_bPaused,
                            m_bRecording ? static_cast<LPCSTR>(strPauseKey) : nullptr);
        break;
    }
    }
    m_bTrayBusy = FALSE;
}

void CRecordingControl::OnTrayClickTimer()
{
    ::KillTimer(m_pMainWnd->m_hWnd, TRAY_CLICK_TIMER_ID);
    const BOOL bPending = m_bTrayClickPending;
    m_bTrayClickPending = FALSE;
    if (!bPending || !m_bRecording || m_bTrayBusy)
        return;
    m_bTrayBusy = TRUE;
    StartStop();
    m_bTrayBusy = FALSE;
}

void CRecordingControl::OnBlinkTimer()
{
    if (!m_bRecording)
        return;
    // Paused, the icon stays on the paused picture. The shell draws an icon again each time it
    // is set, so an unchanged one is not set again: only the tip changes.
    const UINT nIcon = m_bPaused ? static_cast<UINT>(CTrayIcon::PAUSED_ICON_ID) : CTrayIcon::NextBlinkIcon(m_nTrayIcon);
    m_tray.Modify(CTrayIcon::TRAY_ICON_ID, nIcon != m_nTrayIcon ? nIcon : 0, RecordingTip());
    m_nTrayIcon = nIcon;
}

void CRecordingControl::OnTrayIconAdded()
{
    m_nTrayIcon = CTrayIcon::TRAY_ICON_ID;
    if (m_bRecording)
        OnBlinkTimer(); // the recording's icon and tip
}

void CRecordingControl::OnDisplayChange()
{
    m_graph.Grabber().OnDisplayChange(!m_bRecording);
}

void CRecordingControl::OnMinimized()
{
    m_nTrayIcon = CTrayIcon::TRAY_ICON_ID;
    m_tray.Modify(CTrayIcon::TRAY_ICON_ID, CTrayIcon::TRAY_ICON_ID, CTrayIcon::MinimizedTip(AppName()));
}

void CRecordingControl::OnRestored()
{
    m_tray.Balloon(CTrayIcon::TRAY_ICON_ID, "", "", 0, 0);
    m_nTrayIcon = CTrayIcon::TRAY_ICON_ID;
    m_tray.Modify(CTrayIcon::TRAY_ICON_ID, CTrayIcon::TRAY_ICON_ID, AppName());
}

void CRecordingControl::TogglePause()
{
    if (!m_bRecording)
        return;
    if (m_bPaused)
        m_graph.Resume();
    else
        m_graph.Pause();
    m_bPaused = !m_bPaused;
    m_wndSelect.SetPaused(m_bPaused);
    OnBlinkTimer(); // the icon and the tip at once
}

CString CRecordingControl::RecordingTip()
{
    // A continuation has closed the file before: its size is final now.
    if (m_strSizedFile != m_strFileName) {
        if (!m_strSizedFile.IsEmpty())
            m_ullEarlierBytes += FileBytes(m_strSizedFile);
        m_strSizedFile = m_strFileName;
    }
    const ULONGLONG ullBytes = m_ullEarlierBytes + FileBytes(m_strFileName);
    const DWORD dwRecorded = m_graph.RecordedMs();
    if (m_bPaused)
        return CTrayIcon::PausedTip(dwRecorded, ullBytes, m_pauseKey.Text());
    return CTrayIcon::RecordingTip(dwRecorded, ullBytes, m_hotKey.Text());
}

BOOL CRecordingControl::CountDownFirst()
{
    // A recording begins: its size is counted afresh.
    m_ullEarlierBytes = 0;
    m_strSizedFile.Empty();
    if (m_bCountdownOver) {
        m_bCountdownOver = FALSE;
        return FALSE;
    }
    RECT rect;
    m_wndSelect.GetSelectRect(&rect);
    // A rectangle that recording refuses is refused at once.
    const int nSeconds = m_pSettings->nCountdown;
    if (nSeconds <= 0 || !CCaptureGraph::IsLargeEnough(rect))
        return FALSE;
    m_bCountingDown = TRUE;
    ForgetKeyPresses({VK_ESCAPE});
    m_dwCountdownEnd = ::GetTickCount() + static_cast<DWORD>(nSeconds) * 1000;
    m_wndSelect.SetLocked(TRUE);
    m_wndSelect.SetCountdown(nSeconds);
    ::SetTimer(m_pMainWnd->m_hWnd, COUNTDOWN_TIMER_ID, COUNTDOWN_TICK_MS, nullptr);
    return TRUE;
}

void CRecordingControl::OnCountdownTimer()
{
    if (!m_bCountingDown) {
        EndCountdown();
        return;
    }
    if (IsKeyDownOrPressed(VK_ESCAPE)) {
        CancelCountdown();
        return;
    }
    const LONG nLeft = static_cast<LONG>(m_dwCountdownEnd - ::GetTickCount());
    if (nLeft > 0) {
        m_wndSelect.SetCountdown(static_cast<int>((nLeft + 999) / 1000));
        return;
    }
    EndCountdown();
    m_bCountdownOver = TRUE;
    m_pMainWnd->SendMessage(WM_RECORD_TOGGLE);
}

void CRecordingControl::EndCountdown()
{
    if (m_pMainWnd)
        ::KillTimer(m_pMainWnd->m_hWnd, COUNTDOWN_TIMER_ID);
    m_bCountingDown = FALSE;
    m_wndSelect.SetCountdown(0);
}

void CRecordingControl::CancelCountdown()
{
    // Nothing was recorded: back as after a cancelled selection.
    EndCountdown();
    m_wndSelect.ShowWindow(SW_HIDE);
    m_wndSelect.SetLocked(FALSE);
    m_pMainWnd->SendMessage(WM_SYSCOMMAND, SC_RESTORE);
}
