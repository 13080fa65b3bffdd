#include "app/COrvaneApp.h"
#include "sysinfo/CFileVersionInfo.h"
#include "sysinfo/OsVersion.h"
#include <ole2.h>
#include <cstdlib>
#include <cstring>

COrvaneApp::COrvaneApp() : m_dwPriorityClass(GetPriorityClass(GetCurrentProcess()))
{
}

COrvaneApp::~COrvaneApp() = default;

BOOL COrvaneApp::SetWorkingDirectory()
{
    char szPath[MAX_PATH] = "";
    DWORD nLength = GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    if (nLength == 0 || nLength >= sizeof(szPath))
        return FALSE;
    char* pszSlash = strrchr(szPath, '\\');
    if (!pszSlash)
        return FALSE;
    *pszSlash = '\0';
    return SetCurrentDirectoryA(szPath);
}

void COrvaneApp::LoadLanguage()
{
    m_languageModule.SetFolder(ORVANE_LANGUAGE_FOLDER);
    m_languageModule.SetRegistry(HKEY_CURRENT_USER, ORVANE_REGISTRY_KEY);
    // Without a language DLL the program's own resources serve.
    m_languageModule.Load();
}

void COrvaneApp::SettleApplicationName()
{
    CString strTitle = ORVANE_DEFAULT_TITLE;
    CFileVersionInfo info;
    if (info.Open(m_languageModule.GetLoadedPath())) {
        info.Fill(m_versionRecord);
        if (!m_versionRecord.m_strProductName.IsEmpty())
            strTitle = m_versionRecord.m_strProductName + " " + m_versionRecord.m_strProductVersion;
    }
    info.Close();
    free(const_cast<char*>(m_pszAppName));
    m_pszAppName = _strdup(strTitle);
}

HWND COrvaneApp::FindRunningInstance() const
{
    // A message box of the running instance carries the same caption: prefer the window
    // that has a taskbar button of its own, the main window.
    HWND hFirst = FindWindowA(nullptr, m_pszAppName);
    for (HWND hWnd = hFirst; hWnd; hWnd = FindWindowExA(nullptr, hWnd, nullptr, m_pszAppName)) {
        if (GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_APPWINDOW)
            return hWnd;
    }
    return hFirst;
}

BOOL COrvaneApp::EnforceSingleInstance()
{
    CScopedHandle mutex(CreateMutexA(nullptr, FALSE, ORVANE_MUTEX_NAME));
    DWORD dwError = GetLastError();
    if (mutex && dwError != ERROR_ALREADY_EXISTS) {
        m_hMutex = std::move(mutex);
        return TRUE;
    }
    if (!mutex && dwError != ERROR_ACCESS_DENIED)
        return TRUE; // no mutex to be had; nothing says another instance runs
    if (HWND hWnd = FindRunningInstance()) {
        ShowWindow(hWnd, SW_SHOWNORMAL);
        SetForegroundWindow(hWnd);
    } else {
        AfxMessageBox(IDS_ALREADY_RUNNING, MB_SYSTEMMODAL | MB_ICONHAND);
    }
    return FALSE;
}

BOOL COrvaneApp::CreateMainWindow()
{
    // The window's thread is a single-threaded apartment: the shell's folder browser needs one.
    if (!m_bOleInitialized)
        m_bOleInitialized = SUCCEEDED(OleInitialize(nullptr));
    m_pMainWnd = &m_dlg;
    m_dlg.SetVersionRecord(&m_versionRecord);
    if (!m_dlg.Create()) {
        m_pMainWnd = nullptr;
        return FALSE;
    }
    m_dlg.UpdateWindow();
    m_dlg.ShowWindow(SW_SHOW);
    return TRUE;
}

BOOL COrvaneApp::InitInstance()
{
    if (!SetWorkingDirectory())
        return FALSE;
    LoadLanguage();
    SettleApplicationName();
    if (IsOsVersion(VER_PLATFORM_WIN32_NT, 5, 0) == 0) {
        AfxMessageBox(IDS_NOT_NT5, MB_SYSTEMMODAL | MB_ICONHAND);
        return FALSE;
    }
    if (!EnforceSingleInstance())
        return FALSE;
    if (!SetWorkingDirectory())
        return FALSE;
    SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS);
    return CreateMainWindow();
}

int COrvaneApp::ExitInstance()
{
    SetPriorityClass(GetCurrentProcess(), m_dwPriorityClass);
    m_hMutex.Reset();
    m_languageModule.Unload();
    if (m_bOleInitialized) {
        OleUninitialize();
        m_bOleInitialized = FALSE;
    }
    return CWinApp::ExitInstance();
}
