#include "framework/CDC.h"
#include "framework/CBrush.h"
#include "framework/CPalette.h"
#include "framework/CRgn.h"

IMPLEMENT_DYNAMIC(CDC, CObject)

CDC::~CDC()
{
    if (m_bCreated)
        DeleteDC();
}

BOOL CDC::Attach(HDC hDC)
{
    if (!hDC)
        return FALSE;
    if (m_bCreated)
        DeleteDC();
    m_hDC = hDC;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hDC = m_hDC;
    m_hDC = nullptr;
    m_bCreated = FALSE;
    return hDC;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    HDC hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    if (!Attach(hDC))
        return FALSE;
    m_bCreated = TRUE;
    return TRUE;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    BOOL bResult = ::DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_bCreated = FALSE;
    return bResult;
}

HGDIOBJ CDC::SelectObject(CGdiObject* pObject)
{
    return pObject ? ::SelectObject(m_hDC, pObject->m_hObject) : nullptr;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ hObject)
{
    return hObject ? ::SelectObject(m_hDC, hObject) : nullptr;
}

HGDIOBJ CDC::SelectStockObject(int nIndex)
{
    return ::SelectObject(m_hDC, ::GetStockObject(nIndex));
}

HPALETTE CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground)
{
    return ::SelectPalette(m_hDC, pPalette ? static_cast<HPALETTE>(pPalette->m_hObject) : nullptr, bForceBackground);
}

UINT CDC::RealizePalette()
{
    return ::RealizePalette(m_hDC);
}

int CDC::SelectClipRgn(CRgn* pRgn)
{
    return ::SelectClipRgn(m_hDC, pRgn ? static_cast<HRGN>(pRgn->m_hObject) : nullptr);
}

CPoint CDC::SetBrushOrg(int x, int y)
{
    POINT pt = {};
    ::SetBrushOrgEx(m_hDC, x, y, &pt);
    return CPoint(pt);
}

CSize CDC::GetTextExtent(LPCSTR lpszText, int nCount) const
{
    SIZE size = {};
    ::GetTextExtentPoint32A(m_hDC, lpszText, nCount, &size);
    return CSize(size);
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush)
{
    ::FillRect(m_hDC, lpRect, pBrush ? static_cast<HBRUSH>(pBrush->m_hObject) : nullptr);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF color)
{
    COLORREF oldColor = ::SetBkColor(m_hDC, color);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, oldColor);
}

void CDC::FrameRect(LPCRECT lpRect, CBrush* pBrush)
{
    ::FrameRect(m_hDC, lpRect, pBrush ? static_cast<HBRUSH>(pBrush->m_hObject) : nullptr);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT pt = {};
    ::MoveToEx(m_hDC, x, y, &pt);
    return CPoint(pt);
}

BOOL CDC::FillRgn(CRgn* pRgn, CBrush* pBrush)
{
    return ::FillRgn(m_hDC, *pRgn, *pBrush);
}

BOOL CDC::FrameRgn(CRgn* pRgn, CBrush* pBrush, int nWidth, int nHeight)
{
    return ::FrameRgn(m_hDC, *pRgn, *pBrush, nWidth, nHeight);
}
