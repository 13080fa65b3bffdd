#include "ui/CSubclassWnd.h"

#include "framework/AfxCore.h"

#include <memory>
#include <unordered_map>

IMPLEMENT_DYNAMIC(CSubclassWnd, CObject)

namespace {

typedef std::unordered_map<HWND, CSubclassWnd*> CHookMap;

// Window handle -> first hook; made on first use, freed at process exit.
CHookMap& GetHookMap()
{
    static std::unique_ptr<CHookMap> s_pMap(new CHookMap());
    return *s_pMap;
}

// Lets framework code called from a hook's handler see the message being handled.
class CLastMessageScope
{
public:
    CLastMessageScope(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) : m_pState(AfxGetThreadState())
    {
        if (!m_pState)
            return;
        m_msgSaved = m_pState->m_lastSentMsg;
        m_pState->m_lastSentMsg.hwnd = hWnd;
        m_pState->m_lastSentMsg.message = message;
        m_pState->m_lastSentMsg.wParam = wParam;
        m_pState->m_lastSentMsg.lParam = lParam;
    }
    ~CLastMessageScope()
    {
        if (m_pState)
            m_pState->m_lastSentMsg = m_msgSaved;
    }
    CLastMessageScope(const CLastMessageScope&) = delete;
    CLastMessageScope& operator=(const CLastMessageScope&) = delete;

private:
    AFX_THREAD_STATE* m_pState;
    MSG m_msgSaved = {};
};

} // namespace

CSubclassWnd::~CSubclassWnd()
{
    if (m_hWnd)
        HookWindow(nullptr);
}

CSubclassWnd* CSubclassWnd::FindFirstHook(HWND hWnd)
{
    CHookMap& map = GetHookMap();
    CHookMap::const_iterator it = map.find(hWnd);
    return it == map.end() ? nullptr : it->second;
}

int CSubclassWnd::HookWindow(HWND hWnd)
{
    if (hWnd) {
        Attach(hWnd);
    } else if (m_hWnd) {
        Detach(TRUE);
    }
    m_hWnd = hWnd;
    return 1;
}

void CSubclassWnd::Attach(HWND hWnd)
{
    CSubclassWnd* pFirst = FindFirstHook(hWnd);
    m_pNext = pFirst;
    GetHookMap()[hWnd] = this;
    if (pFirst) {
        m_pfnOldWndProc = pFirst->m_pfnOldWndProc;
    } else {
        m_pfnOldWndProc =
            reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookWndProc)));
    }
}

void CSubclassWnd::Detach(BOOL bClearOldProc)
{
    CSubclassWnd* pFirst = FindFirstHook(m_hWnd);
    if (pFirst == this) {
        if (m_pNext) {
            GetHookMap()[m_hWnd] = m_pNext;
        } else {
            GetHookMap().erase(m_hWnd);
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOldWndProc));
        }
    } else {
        CSubclassWnd* pPrev = pFirst;
        while (pPrev && pPrev->m_pNext != this)
            pPrev = pPrev->m_pNext;
        if (pPrev)
            pPrev->m_pNext = m_pNext;
    }
    m_pNext = nullptr;
    if (bClearOldProc)
        m_pfnOldWndProc = nullptr;
    m_hWnd = nullptr;
}

LRESULT CSubclassWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pNext)
        return m_pNext->WindowProc(message, wParam, lParam);
    if (!m_pfnOldWndProc)
        return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
    return ::CallWindowProcA(m_pfnOldWndProc, m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK HookWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CLastMessageScope scope(hWnd, message, wParam, lParam);
    CSubclassWnd* pFirst = CSubclassWnd::FindFirstHook(hWnd);
    if (!pFirst)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WNDPROC pfnOldWndProc = pFirst->m_pfnOldWndProc;
        while (CSubclassWnd* pHook = CSubclassWnd::FindFirstHook(hWnd))
            pHook->Detach(FALSE);
        return ::CallWindowProcA(pfnOldWndProc, hWnd, message, wParam, lParam);
    }
    return pFirst->WindowProc(message, wParam, lParam);
}
