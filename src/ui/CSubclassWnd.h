#pragma once
// Receives every message of an existing window without replacing its framework object.
// Several hooks may share one window: the newest sees a message first and passes what it
// does not handle to the one attached before it, the last to the window's own procedure.
#include "framework/CObject.h"

class CSubclassWnd : public CObject
{
    DECLARE_DYNAMIC(CSubclassWnd)
public:
    CSubclassWnd() = default;
    ~CSubclassWnd() override;

    // Attaches to hWnd, or detaches from the current window when hWnd is null. Always 1.
    int HookWindow(HWND hWnd);
    BOOL IsHooked() const { return m_hWnd != nullptr; }

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnOldWndProc = nullptr;
    CSubclassWnd* m_pNext = nullptr;

    // The first (newest) hook of a window, or null.
    static CSubclassWnd* FindFirstHook(HWND hWnd);

private:
    void Attach(HWND hWnd);
    void Detach(BOOL bClearOldProc);

    friend LRESULT CALLBACK HookWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

LRESULT CALLBACK HookWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
