#include "framework/CMenu.h"
#include "framework/AfxCore.h"
#include "framework/CWnd.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

CMenu::~CMenu()
{
    DestroyMenu();
}

BOOL CMenu::LoadMenu(UINT nIDResource)
{
    LPCSTR lpszName = MAKEINTRESOURCEA(nIDResource);
    HMENU hMenu = ::LoadMenuA(AfxFindResourceHandle(lpszName, MAKEINTRESOURCEA(4)), lpszName);
    if (!Attach(hMenu))
        return FALSE;
    m_bOwned = TRUE;
    return TRUE;
}

BOOL CMenu::CreatePopupMenu()
{
    if (!Attach(::CreatePopupMenu()))
        return FALSE;
    m_bOwned = TRUE;
    return TRUE;
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (!hMenu)
        return FALSE;
    DestroyMenu();
    m_hMenu = hMenu;
    m_bOwned = FALSE;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    m_hMenu = nullptr;
    m_bOwned = FALSE;
    m_subMenus.clear();
    return hMenu;
}

BOOL CMenu::DestroyMenu()
{
    m_subMenus.clear();
    if (!m_hMenu)
        return FALSE;
    BOOL bResult = m_bOwned ? ::DestroyMenu(m_hMenu) : TRUE;
    m_hMenu = nullptr;
    m_bOwned = FALSE;
    return bResult;
}

CMenu* CMenu::GetSubMenu(int nPos)
{
    HMENU hSubMenu = ::GetSubMenu(m_hMenu, nPos);
    if (!hSubMenu)
        return nullptr;
    for (auto& pSubMenu : m_subMenus) {
        if (pSubMenu->m_hMenu == hSubMenu)
            return pSubMenu.get();
    }
    std::unique_ptr<CMenu> pSubMenu(new CMenu);
    pSubMenu->Attach(hSubMenu);
    m_subMenus.push_back(std::move(pSubMenu));
    return m_subMenus.back().get();
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    int nLength = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    if (nLength <= 0) {
        rString.Empty();
        return 0;
    }
    ::GetMenuStringA(m_hMenu, nIDItem, rString.GetBufferSetLength(nLength + 1), nLength + 1, nFlags);
    rString.ReleaseBuffer();
    return rString.GetLength();
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->m_hWnd : nullptr, lpRect);
}
