#pragma once
// The application object: start-up (language, title, single instance, priority, main
// window) and what exit undoes.
#include "app/COrvaneDlg.h"
#include "base/ScopedWin.h"
#include "framework/Afx.h"
#include "sysinfo/CLanguageModule.h"
#include "sysinfo/FileVersionRecord.h"

// The current user's key of the program's settings and language choice.
#define ORVANE_REGISTRY_KEY "Software\\Vantri\\Orvane"
#define ORVANE_LANGUAGE_FOLDER "UI\\orvane"
#define ORVANE_MUTEX_NAME "_Orvane_Mutex_"
#define ORVANE_DEFAULT_TITLE "Orvane"

class COrvaneApp : public CWinApp
{
public:
    COrvaneApp();
    ~COrvaneApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    const FileVersionRecord& GetVersionRecord() const { return m_versionRecord; }
    COrvaneDlg& GetMainDialog() { return m_dlg; }
    CLanguageModule& GetLanguageModule() { return m_languageModule; }
    DWORD GetSavedPriorityClass() const { return m_dwPriorityClass; }
    BOOL HoldsInstanceMutex() const { return m_hMutex.IsValid(); }

private:
    static BOOL SetWorkingDirectory();
    void LoadLanguage();
    void SettleApplicationName();
    BOOL EnforceSingleInstance();
    BOOL CreateMainWindow();
    HWND FindRunningInstance() const;

    FileVersionRecord m_versionRecord;
    CLanguageModule m_languageModule;
    COrvaneDlg m_dlg;
    DWORD m_dwPriorityClass;
    CScopedHandle m_hMutex;
    BOOL m_bOleInitialized = FALSE;
};

inline COrvaneApp* GetOrvaneApp()
{
    return static_cast<COrvaneApp*>(AfxGetApp());
}
