#pragma once
// Borderless picture dialog: a background bitmap plus text items, some of them links,
// drawn through an off-screen buffer. A click outside any link closes it.
#include "framework/CDialog.h"
#include "framework/CFont.h"
#include "ui/CDib.h"

#include <memory>
#include <vector>

class CBitmapDlg : public CDialog
{
public:
    CBitmapDlg();
    ~CBitmapDlg() override;

    // Runs the dialog modally; false when it cannot be created.
    BOOL Show(CWnd* pOwner = nullptr);

    // Draws one text or link at pRect's top-left (or within it when it has a width); pRect
    // receives the text's extent.
    void DrawItem(CDC* pDC, CFont* pFont, LPCSTR lpszText, RECT* pRect, COLORREF crText, LPCSTR lpszLink = nullptr,
                  COLORREF crLink = 0, COLORREF crHover = 0);

    const CString& GetCurrentLink() const { return m_strCurrentLink; }
    int GetLinkCount() const { return static_cast<int>(m_links.size()); }
    RECT GetLinkRect(int nIndex) const { return m_links[nIndex].m_rect; }

protected:
    virtual BOOL Init() { return TRUE; }
    virtual void Cleanup() {}
    virtual BOOL LoadBackground(CDib*) { return FALSE; }
    virtual void DrawContent(CDC*) {}

    BOOL OnInitDialog() override;
    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnDestroy();

    DECLARE_MESSAGE_MAP()

    int m_nWidth = 0;
    int m_nHeight = 0;
    BOOL m_bCreated = FALSE;

private:
    struct CLink
    {
        CString m_strAddress;
        RECT m_rect;
    };
    BOOL CreateBuffer();
    void ReleaseDrawing();
    void OpenLink(const CString& strAddress);

    // In-memory template: the header plus empty menu, class and title.
    struct DialogTemplate
    {
        DLGTEMPLATE m_header;
        WORD m_wMenu;
        WORD m_wClass;
        WORD m_wTitle;
    };
    alignas(4) DialogTemplate m_template;

    std::unique_ptr<CDib> m_pBackground;
    CDC m_dcBackground;
    HGDIOBJ m_hOldBackground = nullptr;
    CBitmap m_bmBuffer;
    CDC m_dcBuffer;
    HGDIOBJ m_hOldBuffer = nullptr;
    CString m_strCurrentLink;
    std::vector<CLink> m_links;
};
