#pragma once
// Owner-drawn push button with a raised 3-D face and a small icon left of its centred caption.
#include "base/ScopedWin.h"
#include "framework/CButton.h"

class CIconButton : public CButton
{
public:
    enum Align { ALIGN_HORIZONTAL = 0, ALIGN_VERTICAL = 1 };

    CIconButton();
    ~CIconButton() override;
    CIconButton(const CIconButton&) = delete;
    CIconButton& operator=(const CIconButton&) = delete;

    // Loads the icon from the module holding it. 0 on success, 1 when its size is unknown.
    DWORD SetIcon(UINT nIconID, UINT nIconOutID = 0);
    void SetFlat(BOOL bFlat, BOOL bRepaint = TRUE);
    // TRUE: the pressed picture shifts by (0, 2) instead of (1, 1).
    void SetPressedStyle(BOOL bDeep);

    BOOL IsDefaultButton() const { return m_bIsDefault; }
    BOOL IsFlat() const { return m_bIsFlat; }
    HICON GetIcon() const { return m_hIcon.Get(); }
    SIZE GetIconSize() const { return m_sizeIcon; }

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void PreSubclassWindow() override;

    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    BOOL OnClicked();
    void OnEnable(BOOL bEnable);
    void OnSysColorChange();
    UINT OnGetDlgCode();
    LRESULT OnSetStyle(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void ResetColors();
    void FreeIcon();
    void DrawBackground(CDC* pDC, RECT* pRect);
    void DrawBorder(CDC* pDC, const RECT& rc);
    void DrawIconImage(CDC* pDC, const RECT& rcItem, BOOL bHasText, RECT* pCaption);
    void DrawCaption(CDC* pDC, const CString& strText, RECT rcCaption);

    enum ColorIndex {
        COLOR_PRESSED_BK,
        COLOR_PRESSED_FG,
        COLOR_NORMAL_BK,
        COLOR_NORMAL_FG,
        COLOR_FOCUS_BK,
        COLOR_FOCUS_FG,
        COLOR_COUNT
    };

    BOOL m_bIsFlat = TRUE;
    BOOL m_bIsDefault = FALSE;
    BOOL m_bIsPressed = FALSE;
    BOOL m_bIsFocused = FALSE;
    BOOL m_bIsDisabled = FALSE;
    CScopedIcon m_hIcon;
    SIZE m_sizeIcon = {0, 0};
    int m_nAlign = ALIGN_HORIZONTAL;
    POINT m_ptMargin = {3, 3};
    POINT m_ptPressedOffset = {1, 1};
    COLORREF m_crColors[COLOR_COUNT] = {};
};
