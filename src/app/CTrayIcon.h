#pragma once
// The notification-area icon of the main window: add, modify, delete and balloon, plus the
// texts and the menu that the tray shows.
#include <windows.h>
#include <shellapi.h>

#include "base/PrivateMessages.h"
#include "framework/CString.h"

class CMenu;
class CWnd;

class CTrayIcon
{
public:
    enum { TRAY_ICON_ID = 128, ALT_ICON_ID = 129, PAUSED_ICON_ID = 135 };
    enum { BALLOON_FLAGS = NIIF_INFO | NIIF_NOSOUND, BALLOON_TIMEOUT_MS = 1000 };
    enum { TIP_CHARS = 127, INFO_CHARS = 255, INFO_TITLE_CHARS = 63 };
    typedef BOOL(WINAPI* NotifyFunction)(DWORD dwMessage, PNOTIFYICONDATAA pData);

    CTrayIcon() = default;
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    void Init(HWND hOwner, UINT nCallbackMessage);
    // Adds icon resource nId with the tip.
    BOOL Add(UINT nId, LPCSTR pszTip);
    // nIconId 0 keeps the icon, a null tip keeps the tip.
    BOOL Modify(UINT nId, UINT nIconId, LPCSTR pszTip);
    BOOL Delete(UINT nId);
    BOOL Balloon(UINT nId, LPCSTR pszText, LPCSTR pszTitle, UINT nTimeoutMs, DWORD dwInfoFlags);

    // Every call uses the full structure of this platform.
    static DWORD StructSize() { return sizeof(NOTIFYICONDATAA); }
    // Tests watch the calls here.
    void SetNotifyFunction(NotifyFunction pfnNotify) { m_pfnNotify = pfnNotify; }

    // The tray's texts.
    static CString MinimizedTip(LPCSTR pszAppName); // name, line break, restore hint
    static CString RestoreHint();                   // for the minimise balloon
    static CString SelectHint();                    // balloon of a starting selection
    static CString StopHint(LPCSTR pszHotKeyText);  // balloon when recording begins
    // Tips while recording and while paused: the recorded time (pauses left out), the size
    // written so far, and the key that stops or resumes.
    static CString RecordingTip(DWORD dwRecordedMs, ULONGLONG ullBytes, LPCSTR pszHotKeyText);
    static CString PausedTip(DWORD dwRecordedMs, ULONGLONG ullBytes, LPCSTR pszPauseKeyText);
    static CString DurationText(DWORD dwMs);     // 00:12:34
    static CString SizeText(ULONGLONG ullBytes); // 85.2 MB
    // The icon of the next blink tick: 129 after 128, else 128.
    static UINT NextBlinkIcon(UINT nPreviousIcon) { return nPreviousIcon == TRAY_ICON_ID ? ALT_ICON_ID : TRAY_ICON_ID; }

    // Greys Settings... and Options... while recording and rewrites the Start item as
    // "Start <F8>" or "Stop <F8>" at the same position. With a pause key text while recording,
    // "Pause <F9>" (or "Resume <F9>" when paused; without the key when the text is empty) goes
    // above it.
    static BOOL PrepareMenu(CMenu& popup, BOOL bRecording, LPCSTR pszHotKeyText, BOOL bPaused = FALSE,
                            LPCSTR pszPauseKeyText = nullptr);
    // Shows the tray menu (resource 137) at the cursor, owned by pOwner, which receives the
    // chosen command as WM_COMMAND.
    static void ShowMenu(CWnd* pOwner, BOOL bRecording, LPCSTR pszHotKeyText, BOOL bPaused = FALSE,
                         LPCSTR pszPauseKeyText = nullptr);

private:
    void FillBasic(NOTIFYICONDATAA& data, UINT nId) const;
    static HICON LoadTrayIcon(UINT nIconId);

    HWND m_hOwner = nullptr;
    UINT m_nCallbackMessage = 0;
    NotifyFunction m_pfnNotify = ::Shell_NotifyIconA;
};
