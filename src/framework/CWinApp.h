#pragma once
// The application: one object per program, registered at construction. AfxWinMain calls
// InitInstance once, then runs the message loop until the main window ends, then ExitInstance.
#include "framework/CObject.h"
#include "framework/CWnd.h"

class CWinApp : public CObject
{
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    // Owned copy (malloc); replace with free() and _strdup().
    LPCSTR m_pszAppName = nullptr;
    CWnd* m_pMainWnd = nullptr;
    MSG m_msgCur = {};

    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();
    virtual int ExitInstance();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnIdle(LONG lCount);
};
