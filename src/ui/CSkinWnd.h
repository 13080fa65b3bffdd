#pragma once
// Replaces a dialog's look and layout with skin pictures: a borderless window shaped by the
// mask picture, every direct child placed and shaped by the pixels of its identifier's
// colour, the background painted from the face picture, owner-drawn buttons painted from
// the face, hover, pressed, checked and disabled pictures.
#include "framework/CBrush.h"
#include "framework/CRgn.h"
#include "framework/CToolTipCtrl.h"
#include "ui/CSkinImage.h"
#include "ui/CSubclassWnd.h"

#include <unordered_map>
#include <unordered_set>

class CSkinWnd : public CSubclassWnd
{
public:
    enum ImageSlot { IMAGE_MASK, IMAGE_FACE, IMAGE_HOVER, IMAGE_PRESSED, IMAGE_CHECKED, IMAGE_DISABLED, IMAGE_COUNT };
    enum ControlKind { KIND_OTHER = 0, KIND_BUTTON = 1, KIND_OWNERDRAW_BUTTON = 2 };
    enum MouseState { MOUSE_OUTSIDE = 0, MOUSE_HOVER = 1, MOUSE_PRESSED = 2 };

    CSkinWnd() = default;
    ~CSkinWnd() override;
    CSkinWnd(const CSkinWnd&) = delete;
    CSkinWnd& operator=(const CSkinWnd&) = delete;

    // Top-level object only: hooks the dialog and makes its tooltip control.
    BOOL Attach(HWND hDlg);
    // Top-level object only: loads the pictures and skins the dialog and its direct children.
    void ApplySkin();
    void ReleaseImages();

    void SetImageID(ImageSlot nSlot, UINT nID) { m_nImageID[nSlot] = nID; }
    void SetBorderless(BOOL bBorderless) { m_bBorderless = bBorderless; }
    void SetDraggable(BOOL bDraggable) { m_bDraggable = bDraggable; }
    void SetToolTipsActive(BOOL bActive) { m_bToolTipsActive = bActive; }
    void SetTextColor(COLORREF color) { m_crText = color; }
    void SetBackgroundColor(COLORREF color);

    CSkinWnd* GetChild(HWND hWnd) const;
    CSkinImage* GetImage(ImageSlot nSlot) const { return m_pImage[nSlot]; }
    int GetMouseState() const { return m_nMouseState; }
    int GetControlKind() const { return m_nKind; }
    CToolTipCtrl* GetToolTip() { return &m_toolTip; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OwnerDrawProc(UINT message, WPARAM wParam, LPARAM lParam);
    void RelayToolTip(UINT message, WPARAM wParam, LPARAM lParam);

    void ApplyWindowStyles();
    void ShapeDialog();
    void ShapeChild();
    void SkinChild(HWND hChild);
    void NudgeTrackbar();
    void CutStatePictures();
    int GetPlacedHeight(int nAreaHeight) const;
    void DeleteImage(ImageSlot nSlot);
    static BOOL CALLBACK EnumChildProc(HWND hWnd, LPARAM lParam);

    // Region of the mask's runs whose pixel passes the test, one pixel high each.
    BOOL BuildRunRegion(CRgn* pRgn, BOOL bMatchColor, DWORD dwColor, int nOffsetX, int nOffsetY) const;
    void RebuildColorSet();
    POINT GetOffsetInDialog(HWND hWnd) const;
    HBRUSH PrepareFaceBrush(HDC hDC, HWND hWnd);

    LRESULT OnCtlColor(WPARAM wParam, LPARAM lParam, BOOL bDialog);
    void OnDragMessage(UINT message);
    BOOL PaintStatePicture();
    void OnOwnerDrawMouseMove();
    BOOL IsStillTracked() const;
    void SetMouseState(int nState);
    void OnSetTextTool(LPCSTR lpszText);
    void Redraw() { ::InvalidateRect(m_hWnd, nullptr, TRUE); }

    std::unordered_map<HWND, CSkinWnd*> m_childMap;
    std::unordered_set<DWORD> m_colorSet;
    CSkinWnd* m_pParent = nullptr;
    BOOL m_bBorderless = TRUE;
    BOOL m_bStylesSaved = FALSE;
    DWORD m_dwSavedStyle = 0;
    DWORD m_dwSavedExStyle = 0;
    BOOL m_bDraggable = TRUE;
    BOOL m_bDragging = FALSE;
    POINT m_ptDragStart = {0, 0};
    RECT m_rcDragStart = {0, 0, 0, 0};
    BOOL m_bToolTipsActive = TRUE;
    CToolTipCtrl m_toolTip;
    int m_nKind = KIND_OTHER;
    BOOL m_bKindKnown = FALSE;
    BOOL m_bTracking = FALSE;
    int m_nMouseState = MOUSE_OUTSIDE;
    BOOL m_bChecked = FALSE;
    HCURSOR m_hCursor = nullptr;
    CRgn m_rgnShape;
    COLORREF m_crText = 0;
    COLORREF m_crBackground = 0xFFFFFF;
    CBrush m_brBackground{0xFFFFFF};
    UINT m_nImageID[IMAGE_COUNT] = {};
    CSkinImage* m_pImage[IMAGE_COUNT] = {};
};
