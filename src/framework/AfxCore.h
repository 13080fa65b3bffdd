#pragma once
// Core declarations of the application framework: basic types, the resource module,
// the per-thread state, message boxes and window classes.
#include <windows.h>
#include <commctrl.h>

class CWnd;
class CWinApp;

// The message being handled on this thread, and the window waiting to be attached while
// it is created.
struct AFX_THREAD_STATE
{
    MSG m_lastSentMsg;
    CWnd* m_pWndInit;
    HHOOK m_hHookOldCbtFilter;
};

AFX_THREAD_STATE* AfxGetThreadState();

// Resource module: where resources are looked up (a language DLL, or the program).
HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE hInstance);
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hResource);
// The resource module when it holds the resource, else the program when it does, else the
// resource module.
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();

// Message boxes titled with the application name. A test may divert them.
typedef int (*AFX_MSGBOX_HOOK)(HWND hWndOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);
AFX_MSGBOX_HOOK AfxSetMessageBoxHook(AFX_MSGBOX_HOOK pfnHook);
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

// Registers (once) a window class with the given attributes and returns its name.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                           HICON hIcon = nullptr);

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
