#include "framework/CWinApp.h"
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CWinApp, CObject)

namespace {

CWinApp* g_pApp = nullptr;

char* DuplicateProgramName()
{
    char szPath[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    char* pszName = strrchr(szPath, '\\');
    pszName = pszName ? pszName + 1 : szPath;
    if (char* pszDot = strrchr(pszName, '.'))
        *pszDot = '\0';
    return _strdup(pszName);
}

} // namespace

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWinApp::CWinApp(LPCSTR lpszAppName)
{
    if (lpszAppName)
        m_pszAppName = _strdup(lpszAppName);
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    free(const_cast<char*>(m_pszAppName));
    m_pszAppName = nullptr;
    if (g_pApp == this)
        g_pApp = nullptr;
}

int CWinApp::Run()
{
    for (;;) {
        LONG lIdleCount = 0;
        while (!::PeekMessageA(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(lIdleCount++))
                break;
        }
        BOOL bResult = ::GetMessageA(&m_msgCur, nullptr, 0, 0);
        if (bResult == -1)
            continue;
        if (!bResult)
            break;
        if (!PreTranslateMessage(&m_msgCur)) {
            ::TranslateMessage(&m_msgCur);
            ::DispatchMessageA(&m_msgCur);
        }
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return m_msgCur.message == WM_QUIT ? static_cast<int>(m_msgCur.wParam) : 0;
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg)
{
    HWND hWndMain = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    return CWnd::WalkPreTranslateTree(hWndMain, pMsg);
}

BOOL CWinApp::OnIdle(LONG)
{
    CWnd::DeleteTempMap();
    return FALSE;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    AfxSetInstanceHandle(hInstance);
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->m_pszAppName)
        pApp->m_pszAppName = DuplicateProgramName();
    // Dialog templates use the common controls (trackbar, tooltips).
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (!pApp->InitInstance()) {
        if (pApp->m_pMainWnd && pApp->m_pMainWnd->m_hWnd)
            pApp->m_pMainWnd->DestroyWindow();
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
