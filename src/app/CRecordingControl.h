#pragma once

#include <windows.h>

#include "base/PrivateMessages.h"
#include "app/CCaptureGraph.h"
#include "app/CHotKey.h"
#include "app/CSettingsStore.h"
#include "app/CTrayIcon.h"
#include "framework/Afx.h"
#include "ui/CRectSelectWnd.h"

// The settings a recording is made with, as the main window holds them.
struct RecordingSettings
{
    CString strSaveFolder = CSettingsStore::kDefaultFolder;
    int nFormat = CCaptureGraph::FORMAT_AVI;
    UINT nFps = CSettingsStore::FPS_DEFAULT;
    int nSampleRate = 44100;
    int nQuality = CSettingsStore::QUALITY_DEFAULT;
    DWORD dwVolumeSlider = static_cast<DWORD>(CSettingsStore::SliderForVolume(CSettingsStore::VOLUME_DEFAULT));
    DWORD dwHotKey = CSettingsStore::kDefaultHotKey;
    // The choices of the Options dialog.
    DWORD dwPauseHotKey = CSettingsStore::kDefaultPauseHotKey;
    int nCountdown = 0; // seconds before a recording starts
    BOOL bRecordPointer = TRUE;
    BOOL bHighlightPointer = FALSE;
    BOOL bShowClicks = FALSE;
    int nSecondDevice = -1; // wave-in device mixed in; -1 none
    DWORD dwSecondVolume = CSettingsStore::VOLUME_DEFAULT;
    // The rectangle of the last recording, which Enter takes again during a selection.
    BOOL bHaveLastRect = FALSE;
    RECT rcLast = {0, 0, 0, 0};
};

// The recording state machine of the main window: Start asks for a rectangle on the overlay,
// the overlay's answer begins a recording on the capture graph, the hotkey, the tray icon or
// the Start command end it; a file that reaches its size limit continues in the next free
// name; a write failure or a failing video source ends the recording with a message, and a
// sound that stopped early is told once the recording ends. The tray icon blinks meanwhile.
class CRecordingControl
{
public:
    enum { BLINK_TIMER_ID = 2, BLINK_INTERVAL_MS = 200, TRAY_CLICK_TIMER_ID = 3 };
    enum { COUNTDOWN_TIMER_ID = 4, COUNTDOWN_TICK_MS = 50 };

    CRecordingControl();
    ~CRecordingControl();

    // Called by the main window's initialisation: tray icon, overlay, blink timer. The hotkey
    // is registered by the settings load that follows, with the stored key.
    // False when the overlay cannot be created.
    BOOL Attach(CWnd* pMainWnd, const RecordingSettings* pSettings);
    // Called while the main window is destroyed: ends a recording, unregisters the hotkey,
    // releases the grabber, destroys the overlay, stops blinking and removes the tray icon.
    void Detach();

    // The Start/Stop command: begins a selection when idle, ends the recording otherwise.
    void StartStop();
    LRESULT OnRecordToggle();
    LRESULT OnWriterEvent(LPARAM lParam);
    void OnHotKey(UINT nModifiers, UINT nVirtKey);
    void OnTrayNotify(LPARAM lParam);
    // A single click on the tray icon, once the double-click time has passed without a second.
    void OnTrayClickTimer();
    void OnBlinkTimer();
    // The shell shows the icon afresh, with the idle picture.
    void OnTrayIconAdded();
    void OnDisplayChange();
    // Minimise and restore of the main window: the tray tip and balloons follow.
    void OnMinimized();
    void OnRestored();

    // Registers the hotkey value, keeping the old one when the key is taken (message 10007).
    BOOL ApplyHotKey(DWORD dwValue);
    // The same for the pause/resume hotkey; the message belongs to hOwner (the main window
    // when null).
    BOOL ApplyPauseHotKey(DWORD dwValue, HWND hOwner = nullptr);

    // Pause and resume: the pause hotkey and the tray menu; nothing unless recording.
    void TogglePause();
    BOOL IsPaused() const { return m_bPaused; }
    // The countdown between the accepted rectangle and the recording.
    void OnCountdownTimer();
    BOOL IsCountingDown() const { return m_bCountingDown; }

    BOOL IsRecording() const { return m_bRecording; }
    BOOL IsSelecting() const { return m_wndSelect.IsSelecting(); }
    CCaptureGraph& Graph() { return m_graph; }
    CHotKey& HotKey() { return m_hotKey; }
    CHotKey& PauseHotKey() { return m_pauseKey; }
    CTrayIcon& Tray() { return m_tray; }
    CRectSelectWnd& Overlay() { return m_wndSelect; }
    const CString& FileName() const { return m_strFileName; }

    // Overrides the writers' size limit (tests of the continuation into a new file).
    void SetMaxFileSize(DWORD nBytes);

private:
    BOOL BeginRecording(BOOL bContinuation);
    void EndRecording(BOOL bContinuation);
    void ReportLostSound();
    void ShowSoundStopped(UINT nFormatId, DWORD dwAtMs);
    void ReportStartFailure(UINT nDetail, LPCSTR pszFileName = nullptr);
    CString AppName() const;
    BOOL ApplyKey(CHotKey& hotKey, DWORD dwValue, int nId, HWND hOwner);
    int HotKeyId(int nOffset) const;
    // A new recording begins: with a countdown it begins once the countdown is over (TRUE).
    BOOL CountDownFirst();
    void EndCountdown();
    void CancelCountdown();
    // Recorded time and size, pauses left out, every continued file counted.
    CString RecordingTip();

    CCaptureGraph m_graph;
    CRectSelectWnd m_wndSelect;
    CHotKey m_hotKey;
    CTrayIcon m_tray;
    CWnd* m_pMainWnd = nullptr;
    const RecordingSettings* m_pSettings = nullptr;
    CString m_strFileName;
    BOOL m_bRecording = FALSE;
    BOOL m_bTrayBusy = FALSE;
    BOOL m_bTrayClickPending = FALSE;
    BOOL m_bSwallowTrayUp = FALSE;
    BOOL m_bHotKeyBusy = FALSE;
    UINT m_nTrayIcon = CTrayIcon::TRAY_ICON_ID;
    CHotKey m_pauseKey;
    BOOL m_bPaused = FALSE;
    BOOL m_bCountingDown = FALSE;
    BOOL m_bCountdownOver = FALSE;
    DWORD m_dwCountdownEnd = 0;
    // The files of this recording that are full already, and the one whose size is read.
    ULONGLONG m_ullEarlierBytes = 0;
    CString m_strSizedFile;
};
