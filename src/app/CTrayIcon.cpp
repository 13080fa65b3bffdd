#include "app/CTrayIcon.h"

#include <cstring>

#include "framework/AfxCore.h"
#include "framework/CMenu.h"
#include "framework/CWnd.h"
#include "res/resource.h"
#include "sysinfo/FormatText.h"

namespace {

// Copies at most nMaxChars characters (a null text gives an empty one).
void CopyCut(char* pszDest, size_t cchDest, LPCSTR pszSource, size_t nMaxChars)
{
    size_t nChars = pszSource ? strnlen(pszSource, nMaxChars) : 0;
    if (nChars >= cchDest)
        nChars = cchDest - 1;
    if (nChars)
        memcpy(pszDest, pszSource, nChars);
    pszDest[nChars] = '\0';
}

} // namespace

void CTrayIcon::Init(HWND hOwner, UINT nCallbackMessage)
{
    m_hOwner = hOwner;
    m_nCallbackMessage = nCallbackMessage;
}

void CTrayIcon::FillBasic(NOTIFYICONDATAA& data, UINT nId) const
{
    memset(&data, 0, sizeof(data));
    data.cbSize = StructSize();
    data.hWnd = m_hOwner;
    data.uID = nId;
}

HICON CTrayIcon::LoadTrayIcon(UINT nIconId)
{
    LPCSTR pszName = MAKEINTRESOURCEA(nIconId);
    // Shared: the system keeps it, nothing to free.
    return static_cast<HICON>(::LoadImageA(AfxFindResourceHandle(pszName, RT_GROUP_ICON), pszName, IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                           LR_SHARED));
}

BOOL CTrayIcon::Add(UINT nId, LPCSTR pszTip)
{
    if (!m_hOwner || !m_nCallbackMessage || !nId)
        return FALSE;
    NOTIFYICONDATAA data;
    FillBasic(data, nId);
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = m_nCallbackMessage;
    if ((data.hIcon = LoadTrayIcon(nId)) != nullptr)
        data.uFlags |= NIF_ICON;
    if (pszTip) {
        data.uFlags |= NIF_TIP;
        CopyCut(data.szTip, sizeof(data.szTip), pszTip, TIP_CHARS);
    }
    return m_pfnNotify(NIM_ADD, &data);
}

BOOL CTrayIcon::Modify(UINT nId, UINT nIconId, LPCSTR pszTip)
{
    if (!m_hOwner || !m_nCallbackMessage || !nId)
        return FALSE;
    NOTIFYICONDATAA data;
    FillBasic(data, nId);
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = m_nCallbackMessage;
    if (nIconId && (data.hIcon = LoadTrayIcon(nIconId)) != nullptr)
        data.uFlags |= NIF_ICON;
    if (pszTip) {
        data.uFlags |= NIF_TIP;
        CopyCut(data.szTip, sizeof(data.szTip), pszTip, TIP_CHARS);
    }
    return m_pfnNotify(NIM_MODIFY, &data);
}

BOOL CTrayIcon::Delete(UINT nId)
{
    if (!m_hOwner)
        return FALSE;
    NOTIFYICONDATAA data;
    FillBasic(data, nId);
    return m_pfnNotify(NIM_DELETE, &data);
}

BOOL CTrayIcon::Balloon(UINT nId, LPCSTR pszText, LPCSTR pszTitle, UINT nTimeoutMs, DWORD dwInfoFlags)
{
    if (!m_hOwner)
        return FALSE;
    NOTIFYICONDATAA data;
    FillBasic(data, nId);
    data.uFlags = NIF_INFO;
    CopyCut(data.szInfo, sizeof(data.szInfo), pszText, INFO_CHARS);
    CopyCut(data.szInfoTitle, sizeof(data.szInfoTitle), pszTitle, INFO_TITLE_CHARS);
    data.uTimeout = nTimeoutMs;
    data.dwInfoFlags = dwInfoFlags;
    return m_pfnNotify(NIM_MODIFY, &data);
}

CString CTrayIcon::MinimizedTip(LPCSTR pszAppName)
{
    CString tip;
    tip.Format("%s\n%s", pszAppName ? pszAppName : "", static_cast<LPCSTR>(RestoreHint()));
    return tip;
}

CString CTrayIcon::RestoreHint()
{
    return LoadText(IDS_RESTORE_HINT);
}

CString CTrayIcon::SelectHint()
{
    return LoadText(IDS_SELECT_RECTANGLE);
}

CString CTrayIcon::StopHint(LPCSTR pszHotKeyText)
{
    CString hint;
    hint.Format(LoadFormatString(IDS_STOP_HINT), pszHotKeyText ? pszHotKeyText : "");
    return hint;
}

CString CTrayIcon::DurationText(DWORD dwMs)
{
    const DWORD dwSeconds = dwMs / 1000;
    CString text;
    text.Format("%02lu:%02lu:%02lu", static_cast<unsigned long>(dwSeconds / 3600),
                static_cast<unsigned long>(dwSeconds / 60 % 60), static_cast<unsigned long>(dwSeconds % 60));
    return text;
}

CString CTrayIcon::SizeText(ULONGLONG ullBytes)
{
    CString text;
    text.Format("%.1f MB", static_cast<double>(ullBytes) / (1024.0 * 1024.0));
    return text;
}

CString CTrayIcon::RecordingTip(DWORD dwRecordedMs, ULONGLONG ullBytes, LPCSTR pszHotKeyText)
{
    CString tip;
    tip.Format(LoadFormatString(IDS_RECORDING_TIP), static_cast<LPCSTR>(DurationText(dwRecordedMs)),
               static_cast<LPCSTR>(SizeText(ullBytes)), pszHotKeyText ? pszHotKeyText : "");
    return tip;
}

CString CTrayIcon::PausedTip(DWORD dwRecordedMs, ULONGLONG ullBytes, LPCSTR pszPauseKeyText)
{
    CString tip;
    tip.Format(LoadFormatString(IDS_PAUSED_TIP), static_cast<LPCSTR>(DurationText(dwRecordedMs)),
               static_cast<LPCSTR>(SizeText(ullBytes)), pszPauseKeyText ? pszPauseKeyText : "");
    return tip;
}

BOOL CTrayIcon::PrepareMenu(CMenu& popup, BOOL bRecording, LPCSTR pszHotKeyText, BOOL bPaused, LPCSTR pszPauseKeyText)
{
    popup.EnableMenuItem(ID_TRAY_SETTINGS, MF_BYCOMMAND | (bRecording ? MF_GRAYED : MF_ENABLED));
    popup.EnableMenuItem(ID_TRAY_OPTIONS, MF_BYCOMMAND | (bRecording ? MF_GRAYED : MF_ENABLED));
    int nPosition = -1;
    for (int i = 0; i < popup.GetMenuItemCount() && nPosition < 0; ++i)
        if (popup.GetMenuItemID(i) == ID_TRAY_START)
            nPosition = i;
    if (nPosition < 0)
        return FALSE;
    CString item = LoadText(bRecording ? IDS_MENU_STOP : IDS_MENU_START);
    item += " <";
    item += pszHotKeyText ? pszHotKeyText : "";
    item += ">";
    popup.DeleteMenu(static_cast<UINT>(nPosition), MF_BYPOSITION);
    if (!popup.InsertMenu(static_cast<UINT>(nPosition), MF_BYPOSITION | MF_STRING, ID_TRAY_START, item))
        return FALSE;
    if (!bRecording || !pszPauseKeyText)
        return TRUE;
    // Without a pause key (another program holds it) the item still pauses.
    CString pause = LoadText(bPaused ? IDS_MENU_RESUME : IDS_MENU_PAUSE);
    if (*pszPauseKeyText) {
        pause += " <";
        pause += pszPauseKeyText;
        pause += ">";
    }
    return popup.InsertMenu(static_cast<UINT>(nPosition), MF_BYPOSITION | MF_STRING, ID_TRAY_PAUSE, pause);
}

void CTrayIcon::ShowMenu(CWnd* pOwner, BOOL bRecording, LPCSTR pszHotKeyText, BOOL bPaused, LPCSTR pszPauseKeyText)
{
    if (!pOwner || !pOwner->GetSafeHwnd())
        return;
    pOwner->SetForegroundWindow();
    CMenu menu;
    if (!menu.LoadMenu(IDR_TRAY_MENU))
        return;
    CMenu* pPopup = menu.GetSubMenu(0);
    if (pPopup) {
        PrepareMenu(*pPopup, bRecording, pszHotKeyText, bPaused, pszPauseKeyText);
        POINT pt;
        ::GetCursorPos(&pt);
        pPopup->TrackPopupMenu(TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, pt.x, pt.y, pOwner);
    }
    menu.DestroyMenu();
    pOwner->PostMessage(WM_NULL);
}
