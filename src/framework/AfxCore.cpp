#include "framework/AfxCore.h"
#include "framework/CString.h"
#include "framework/CWinApp.h"
#include "framework/CWnd.h"
#include <cstdio>
#include <set>
#include <string>

namespace {

HINSTANCE g_hInstance = nullptr;
HINSTANCE g_hResource = nullptr;
AFX_MSGBOX_HOOK g_pfnMessageBoxHook = nullptr;

HINSTANCE ProgramInstance()
{
    return g_hInstance ? g_hInstance : GetModuleHandleA(nullptr);
}

} // namespace

AFX_THREAD_STATE* AfxGetThreadState()
{
    static thread_local AFX_THREAD_STATE state = {};
    return &state;
}

HINSTANCE AfxGetInstanceHandle()
{
    return ProgramInstance();
}

void AfxSetInstanceHandle(HINSTANCE hInstance)
{
    g_hInstance = hInstance;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_hResource ? g_hResource : ProgramInstance();
}

void AfxSetResourceHandle(HINSTANCE hResource)
{
    g_hResource = hResource;
}

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE hResource = AfxGetResourceHandle();
    if (FindResourceA(hResource, lpszName, lpszType))
        return hResource;
    HINSTANCE hProgram = ProgramInstance();
    if (hProgram != hResource && FindResourceA(hProgram, lpszName, lpszType))
        return hProgram;
    return hResource;
}

CWnd* AfxGetMainWnd()
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->m_pMainWnd : nullptr;
}

AFX_MSGBOX_HOOK AfxSetMessageBoxHook(AFX_MSGBOX_HOOK pfnHook)
{
    AFX_MSGBOX_HOOK pfnOld = g_pfnMessageBoxHook;
    g_pfnMessageBoxHook = pfnHook;
    return pfnOld;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT)
{
    CWinApp* pApp = AfxGetApp();
    LPCSTR lpszCaption = (pApp && pApp->m_pszAppName) ? pApp->m_pszAppName : "";
    CWnd* pMainWnd = AfxGetMainWnd();
    HWND hWndOwner = nullptr;
    if (pMainWnd && IsWindow(pMainWnd->m_hWnd) && IsWindowVisible(pMainWnd->m_hWnd))
        hWndOwner = pMainWnd->m_hWnd;
    if (g_pfnMessageBoxHook)
        return g_pfnMessageBoxHook(hWndOwner, lpszText ? lpszText : "", lpszCaption, nType);
    return MessageBoxA(hWndOwner, lpszText ? lpszText : "", lpszCaption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString strText;
    strText.LoadString(nIDPrompt);
    return AfxMessageBox(strText, nType, nIDHelp);
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static std::set<std::string> registered;
    HINSTANCE hInstance = AfxGetInstanceHandle();
    char szName[128];
    snprintf(szName, sizeof(szName), "Afx:%p:%x:%p:%p:%p", static_cast<void*>(hInstance), nClassStyle,
             static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    auto it = registered.find(szName);
    if (it != registered.end())
        return it->c_str();
    WNDCLASSA wc = {};
    if (!GetClassInfoA(hInstance, szName, &wc)) {
        wc.style = nClassStyle;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = hInstance;
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.hIcon = hIcon;
        wc.lpszClassName = szName;
        if (!RegisterClassA(&wc))
            return nullptr;
    }
    return registered.insert(szName).first->c_str();
}
