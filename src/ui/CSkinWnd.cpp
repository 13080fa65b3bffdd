#include "ui/CSkinWnd.h"

#include <commctrl.h>

#include "base/ScopedWin.h"

#include <cstring>
#include <vector>

namespace {

const DWORD kBorderStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
const DWORD kBorderExStyles = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;

// A mask pixel's colour value: blue + 256 x green + 65536 x red, the byte order of the row.
DWORD PixelValue(const BYTE* pPixel)
{
    return pPixel[0] | (pPixel[1] << 8) | (pPixel[2] << 16);
}

BOOL IsClass(HWND hWnd, LPCSTR lpszClass)
{
    char szClass[64] = {};
    ::GetClassNameA(hWnd, szClass, sizeof(szClass));
    return lstrcmpiA(szClass, lpszClass) == 0;
}

int Modulo(int nValue, int nDivisor)
{
    return nDivisor > 0 ? nValue % nDivisor : 0;
}

} // namespace

CSkinWnd::~CSkinWnd()
{
    for (auto& entry : m_childMap)
        delete entry.second;
    m_childMap.clear();
    for (int i = 0; i < IMAGE_COUNT; ++i)
        DeleteImage(static_cast<ImageSlot>(i));
    if (m_hWnd)
        HookWindow(nullptr);
}

void CSkinWnd::SetBackgroundColor(COLORREF color)
{
    m_crBackground = color;
    m_brBackground.CreateSolidBrush(color);
}

CSkinWnd* CSkinWnd::GetChild(HWND hWnd) const
{
    auto it = m_childMap.find(hWnd);
    return it == m_childMap.end() ? nullptr : it->second;
}

BOOL CSkinWnd::Attach(HWND hDlg)
{
    if (m_pParent || !hDlg)
        return FALSE;
    if (m_hWnd)
        HookWindow(nullptr);
    CWnd* pDlg = CWnd::FromHandle(hDlg);
    pDlg->EnableToolTips(TRUE);
    if (!m_toolTip.GetSafeHwnd())
        m_toolTip.Create(pDlg);
    if (m_toolTip.GetSafeHwnd())
        m_toolTip.Activate(m_bToolTipsActive);
    HookWindow(hDlg);
    return TRUE;
}

void CSkinWnd::DeleteImage(ImageSlot nSlot)
{
    delete m_pImage[nSlot];
    m_pImage[nSlot] = nullptr;
}

void CSkinWnd::ReleaseImages()
{
    for (auto& entry : m_childMap)
        entry.second->ReleaseImages();
    for (int i = 0; i < IMAGE_COUNT; ++i)
        DeleteImage(static_cast<ImageSlot>(i));
}

void CSkinWnd::ApplySkin()
{
    if (m_pParent || !m_hWnd)
        return;
    ReleaseImages();
    for (int i = 0; i < IMAGE_COUNT; ++i)
        m_pImage[i] = LoadSkinImage(m_nImageID[i]);
    ApplyWindowStyles();
    ShapeDialog();
    Redraw();
    ::EnumChildWindows(m_hWnd, EnumChildProc, reinterpret_cast<LPARAM>(this));
    DeleteImage(IMAGE_MASK);
    DeleteImage(IMAGE_HOVER);
    DeleteImage(IMAGE_PRESSED);
    DeleteImage(IMAGE_CHECKED);
    DeleteImage(IMAGE_DISABLED);
}

BOOL CALLBACK CSkinWnd::EnumChildProc(HWND hWnd, LPARAM lParam)
{
    CSkinWnd* pThis = reinterpret_cast<CSkinWnd*>(lParam);
    if (::GetAncestor(hWnd, GA_PARENT) == pThis->m_hWnd)
        pThis->SkinChild(hWnd);
    return TRUE;
}

void CSkinWnd::SkinChild(HWND hChild)
{
    CSkinWnd* pChild = GetChild(hChild);
    if (!pChild) {
        pChild = new CSkinWnd();
        pChild->m_pParent = this;
        m_childMap[hChild] = pChild;
        pChild->HookWindow(hChild);
    }
    pChild->ShapeChild();
    pChild->Redraw();
    if (IsClass(hChild, TRACKBAR_CLASSA))
        pChild->NudgeTrackbar();
}

// Lets the trackbar settle its look in the new shape. The click is released at once and
// the position put back, so the value does not move and no auto-repeat keeps running.
void CSkinWnd::NudgeTrackbar()
{
    HWND hFocus = ::GetFocus();
    LRESULT nPos = ::SendMessageA(m_hWnd, TBM_GETPOS, 0, 0);
    ::SendMessageA(m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    ::SendMessageA(m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(0, 0));
    ::SendMessageA(m_hWnd, TBM_SETPOS, TRUE, nPos);
    if (hFocus)
        ::SetFocus(hFocus);
}

void CSkinWnd::ApplyWindowStyles()
{
    DWORD dwStyle = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
    DWORD dwExStyle = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE));
    if (!m_bStylesSaved) {
        m_bStylesSaved = TRUE;
        m_dwSavedStyle = dwStyle;
        m_dwSavedExStyle = dwExStyle;
    }
    if (m_bBorderless) {
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, (dwStyle & ~kBorderStyles) | WS_POPUP);
        ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, dwExStyle & ~kBorderExStyles);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else if (dwStyle != m_dwSavedStyle || dwExStyle != m_dwSavedExStyle) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, m_dwSavedStyle);
        ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, m_dwSavedExStyle);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        ::ShowWindow(m_hWnd, SW_SHOW);
        ::SetForegroundWindow(m_hWnd);
    }
}

void CSkinWnd::RebuildColorSet()
{
    m_colorSet.clear();
    const BITMAP& bm = m_pImage[IMAGE_MASK]->GetInfo();
    const BYTE* pBits = static_cast<const BYTE*>(bm.bmBits);
    for (int y = 0; y < bm.bmHeight; ++y) {
        const BYTE* pRow = pBits + static_cast<size_t>(y) * bm.bmWidthBytes;
        for (int x = 0; x < bm.bmWidth; ++x)
            m_colorSet.insert(PixelValue(pRow + 3 * x));
    }
}

BOOL CSkinWnd::BuildRunRegion(CRgn* pRgn, BOOL bMatchColor, DWORD dwColor, int nOffsetX, int nOffsetY) const
{
    const CSkinImage* pMask = m_pParent ? m_pParent->m_pImage[IMAGE_MASK] : m_pImage[IMAGE_MASK];
    const BITMAP& bm = pMask->GetInfo();
    if (!bm.bmBits || bm.bmBitsPixel != 24)
        return FALSE;
    // Runs are collected as rectangles and turned into one region at the end.
    std::vector<RECT> runs;
    const BYTE* pBits = static_cast<const BYTE*>(bm.bmBits);
    for (int y = 0; y < bm.bmHeight; ++y) {
        const BYTE* pRow = pBits + static_cast<size_t>(bm.bmHeight - 1 - y) * bm.bmWidthBytes;
        int x = 0;
        while (x < bm.bmWidth) {
            auto inRun = [&](int nX) {
                DWORD dwValue = PixelValue(pRow + 3 * nX);
                return bMatchColor ? dwValue == dwColor : dwValue != 0;
            };
            if (!inRun(x)) {
                ++x;
                continue;
            }
            int nStart = x;
            while (x < bm.bmWidth && inRun(x))
                ++x;
            runs.push_back({nStart + nOffsetX, y + nOffsetY, x + nOffsetX, y + 1 + nOffsetY});
        }
    }
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    RGNDATA* pData = reinterpret_cast<RGNDATA*>(data.data());
    pData->rdh.dwSize = sizeof(RGNDATAHEADER);
    pData->rdh.iType = RDH_RECTANGLES;
    pData->rdh.nCount = static_cast<DWORD>(runs.size());
    pData->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    RECT rcBound = {0, 0, 0, 0};
    for (const RECT& rc : runs)
        ::UnionRect(&rcBound, &rcBound, &rc);
    pData->rdh.rcBound = rcBound;
    if (!runs.empty())
        memcpy(pData->Buffer, runs.data(), runs.size() * sizeof(RECT));
    CRgn rgnRuns;
    if (!rgnRuns.CreateFromData(nullptr, static_cast<int>(data.size()), pData))
        return FALSE;
    if (!pRgn->GetSafeHandle())
        return pRgn->Attach(rgnRuns.Detach());
    return pRgn->CombineRgn(pRgn, &rgnRuns, RGN_OR) != ERROR;
}

void CSkinWnd::ShapeDialog()
{
    CSkinImage* pMask = m_pImage[IMAGE_MASK];
    if (!pMask || !pMask->GetInfo().bmBits)
        return;
    RebuildColorSet();
    int nWidth = pMask->GetWidth();
    int nHeight = pMask->GetHeight();
    UINT nFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (!::SetWindowPos(m_hWnd, nullptr, 0, 0, nWidth, nHeight, nFlags))
        return;
    RECT rcWindow, rcClient;
    ::GetWindowRect(m_hWnd, &rcWindow);
    ::GetClientRect(m_hWnd, &rcClient);
    int nExtraX = (rcWindow.right - rcWindow.left) - rcClient.right;
    int nExtraY = (rcWindow.bottom - rcWindow.top) - rcClient.bottom;
    if (!::SetWindowPos(m_hWnd, nullptr, 0, 0, nWidth + nExtraX, nHeight + nExtraY, nFlags))
        return;

    // The client area's place inside the window rectangle.
    ::GetWindowRect(m_hWnd, &rcWindow);
    POINT ptClient = {0, 0};
    ::ClientToScreen(m_hWnd, &ptClient);
    int nClientX = ptClient.x - rcWindow.left;
    int nClientY = ptClient.y - rcWindow.top;
    ::GetClientRect(m_hWnd, &rcClient);
    CRgn rgnWindow, rgnClient, rgnShape;
    if (!rgnWindow.CreateRectRgn(0, 0, rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top) ||
        !rgnClient.CreateRectRgn(nClientX, nClientY, nClientX + rcClient.right, nClientY + rcClient.bottom) ||
        !rgnShape.CreateRectRgn(0, 0, 0, 0) || rgnShape.CombineRgn(&rgnWindow, &rgnClient, RGN_XOR) == ERROR)
        return;
    if (!BuildRunRegion(&rgnShape, FALSE, 0, nClientX, nClientY))
        return;
    RECT rcBox;
    if (rgnShape.GetRgnBox(&rcBox) != COMPLEXREGION)
        return;
    m_rgnShape.DeleteObject();
    m_rgnShape.CreateRectRgn(0, 0, 0, 0);
    m_rgnShape.CopyRgn(&rgnShape);
    if (::SetWindowRgn(m_hWnd, static_cast<HRGN>(rgnShape.m_hObject), TRUE))
        rgnShape.Detach();
}

void CSkinWnd::ShapeChild()
{
    if (!m_pParent || !m_pParent->m_pImage[IMAGE_MASK])
        return;
    int nID = ::GetDlgCtrlID(m_hWnd);
    DWORD dwColor = static_cast<DWORD>(nID) & 0xFFFFFF;
    if (nID == 0 || nID == -1 || m_pParent->m_colorSet.count(dwColor) == 0)
        return;
    CRgn rgn;
    if (!BuildRunRegion(&rgn, TRUE, dwColor, 0, 0))
        return;
    RECT rcBox;
    int nType = rgn.GetRgnBox(&rcBox);
    if (nType == ERROR || nType == NULLREGION)
        return;
    rgn.OffsetRgn(-rcBox.left, -rcBox.top);
    // Mask pixels are the dialog's client coordinates.
    if (!::SetWindowPos(m_hWnd, nullptr, rcBox.left, rcBox.top, rcBox.right - rcBox.left,
                        GetPlacedHeight(rcBox.bottom - rcBox.top), SWP_NOZORDER | SWP_NOACTIVATE))
        return;
    m_rgnShape.DeleteObject();
    if (nType == COMPLEXREGION) {
        m_rgnShape.CreateRectRgn(0, 0, 0, 0);
        m_rgnShape.CopyRgn(&rgn);
        if (::SetWindowRgn(m_hWnd, static_cast<HRGN>(rgn.m_hObject), TRUE))
            rgn.Detach();
    }
    if (!m_bKindKnown) {
        m_bKindKnown = TRUE;
        if (IsClass(m_hWnd, "Button")) {
            DWORD dwStyle = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
            m_nKind = (dwStyle & 0x1F) == BS_OWNERDRAW ? KIND_OWNERDRAW_BUTTON : KIND_BUTTON;
        }
    }
    if (m_nKind == KIND_OWNERDRAW_BUTTON) {
        char szText[256] = {};
        ::GetWindowTextA(m_hWnd, szText, sizeof(szText));
        ::SetWindowTextA(m_hWnd, szText);
        CutStatePictures();
    }
}

// A drop-down combo box takes the height given to it as field plus list: sized to its mask
// area alone, its list would open with no room. It keeps the list height of its template.
int CSkinWnd::GetPlacedHeight(int nAreaHeight) const
{
    const int kMinListHeight = 100;
    DWORD dwStyle = static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
    if (!IsClass(m_hWnd, "ComboBox") || (dwStyle & 3) == CBS_SIMPLE)
        return nAreaHeight;
    RECT rcDropped = {0, 0, 0, 0};
    ::SendMessageA(m_hWnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rcDropped));
    int nDropped = rcDropped.bottom - rcDropped.top;
    return nAreaHeight + (nDropped > kMinListHeight ? nDropped : kMinListHeight);
}

void CSkinWnd::CutStatePictures()
{
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    ::MapWindowPoints(nullptr, m_pParent->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    CSkinImage* pFace = m_pParent->m_pImage[IMAGE_FACE];
    const ImageSlot slots[] = {IMAGE_HOVER, IMAGE_PRESSED, IMAGE_CHECKED, IMAGE_DISABLED};
    for (ImageSlot nSlot : slots) {
        DeleteImage(nSlot);
        m_pImage[nSlot] = CropSkinImage(m_pParent->m_pImage[nSlot], pFace, rc);
    }
}

POINT CSkinWnd::GetOffsetInDialog(HWND hWnd) const
{
    const CSkinWnd* pTop = m_pParent ? m_pParent : this;
    POINT ptClient = {0, 0};
    ::ClientToScreen(pTop->m_hWnd, &ptClient);
    RECT rc;
    if (hWnd == pTop->m_hWnd) {
        ::GetClientRect(hWnd, &rc);
        ::ClientToScreen(hWnd, reinterpret_cast<POINT*>(&rc));
    } else {
        ::GetWindowRect(hWnd, &rc);
    }
    POINT pt = {rc.left - ptClient.x, rc.top - ptClient.y};
    return pt;
}

// Aligns the face picture's brush with the dialog's client area for painting hWnd.
HBRUSH CSkinWnd::PrepareFaceBrush(HDC hDC, HWND hWnd)
{
    const CSkinWnd* pTop = m_pParent ? m_pParent : this;
    CSkinImage* pFace = pTop->m_pImage[IMAGE_FACE];
    if (!pFace)
        return nullptr;
    POINT pt = GetOffsetInDialog(hWnd);
    ::SetBrushOrgEx(hDC, -Modulo(pt.x, pFace->GetWidth()), -Modulo(pt.y, pFace->GetHeight()), nullptr);
    return static_cast<HBRUSH>(pFace->GetBrush()->GetSafeHandle());
}

LRESULT CSkinWnd::OnCtlColor(WPARAM wParam, LPARAM lParam, BOOL bDialog)
{
    HDC hDC = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(hDC, m_crText);
    ::SetBkMode(hDC, TRANSPARENT);
    HBRUSH hBrush = PrepareFaceBrush(hDC, bDialog ? m_hWnd : reinterpret_cast<HWND>(lParam));
    if (!hBrush)
        hBrush = static_cast<HBRUSH>(m_brBackground.GetSafeHandle());
    return reinterpret_cast<LRESULT>(hBrush);
}

void CSkinWnd::RelayToolTip(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message < WM_MOUSEMOVE || message > WM_MBUTTONUP || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK)
        return;
    CSkinWnd* pTop = m_pParent ? m_pParent : this;
    if (!pTop->m_toolTip.GetSafeHwnd())
        return;
    MSG msg = {};
    msg.hwnd = m_hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = static_cast<DWORD>(::GetMessageTime());
    ::GetCursorPos(&msg.pt);
    pTop->m_toolTip.RelayEvent(&msg);
}

LRESULT CSkinWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    RelayToolTip(message, wParam, lParam);
    if (!m_pParent)
        return DialogProc(message, wParam, lParam);
    if (m_nKind == KIND_OWNERDRAW_BUTTON)
        return OwnerDrawProc(message, wParam, lParam);
    return CSubclassWnd::WindowProc(message, wParam, lParam);
}

LRESULT CSkinWnd::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CTLCOLORDLG:
        return OnCtlColor(wParam, lParam, TRUE);
    case WM_CTLCOLORSTATIC:
        return OnCtlColor(wParam, lParam, FALSE);
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
        OnDragMessage(message);
        break;
    case WM_CAPTURECHANGED:
        if (m_bDragging && reinterpret_cast<HWND>(lParam) != m_hWnd)
            m_bDragging = FALSE;
        break;
    default:
        break;
    }
    return CSubclassWnd::WindowProc(message, wParam, lParam);
}

void CSkinWnd::OnDragMessage(UINT message)
{
    POINT pt;
    ::GetCursorPos(&pt);
    if (message == WM_LBUTTONDOWN) {
        if (m_bDraggable && !m_bDragging) {
            m_bDragging = TRUE;
            m_ptDragStart = pt;
            ::GetWindowRect(m_hWnd, &m_rcDragStart);
            ::SetCapture(m_hWnd);
        }
    } else if (message == WM_MOUSEMOVE) {
        if (m_bDragging)
            ::SetWindowPos(m_hWnd, nullptr, m_rcDragStart.left + pt.x - m_ptDragStart.x,
                           m_rcDragStart.top + pt.y - m_ptDragStart.y, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (m_bDragging) {
        m_bDragging = FALSE;
        ::ReleaseCapture();
    }
}

LRESULT CSkinWnd::OwnerDrawProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ENABLE:
        Redraw();
        break;
    case WM_SETTEXT:
        OnSetTextTool(reinterpret_cast<LPCSTR>(lParam));
        break;
    case WM_ERASEBKGND:
        if (PaintStatePicture())
            return 1;
        break;
    case BM_SETIMAGE:
        // Button controls keep only bitmaps and icons; the cursor image is kept here.
        if (wParam == IMAGE_CURSOR) {
            HCURSOR hOld = m_hCursor;
            m_hCursor = reinterpret_cast<HCURSOR>(lParam);
            return reinterpret_cast<LRESULT>(hOld);
        }
        break;
    case BM_GETIMAGE:
        if (wParam == IMAGE_CURSOR)
            return reinterpret_cast<LRESULT>(m_hCursor);
        break;
    case WM_SETCURSOR: {
        HCURSOR hCursor = reinterpret_cast<HCURSOR>(::SendMessageA(m_hWnd, BM_GETIMAGE, IMAGE_CURSOR, 0));
        if (hCursor) {
            ::SetCursor(hCursor);
            return TRUE;
        }
        break;
    }
    case BM_GETCHECK:
        return m_bChecked;
    case BM_SETCHECK:
        m_bChecked = static_cast<BOOL>(wParam);
        Redraw();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        m_nMouseState = MOUSE_PRESSED;
        Redraw();
        break;
    case WM_LBUTTONUP:
        m_nMouseState = MOUSE_HOVER;
        Redraw();
        break;
    case WM_MOUSEHOVER:
        // A hover notice arriving while the button is held down keeps it pressed.
        if (m_nMouseState != MOUSE_PRESSED)
            m_nMouseState = MOUSE_HOVER;
        Redraw();
        break;
    case WM_MOUSELEAVE:
        m_bTracking = FALSE;
        m_nMouseState = MOUSE_OUTSIDE;
        Redraw();
        break;
    case WM_MOUSEMOVE:
        OnOwnerDrawMouseMove();
        break;
    default:
        break;
    }
    return CSubclassWnd::WindowProc(message, wParam, lParam);
}

void CSkinWnd::OnSetTextTool(LPCSTR lpszText)
{
    CToolTipCtrl& toolTip = m_pParent->m_toolTip;
    if (!toolTip.GetSafeHwnd())
        return;
    CWnd* pWnd = CWnd::FromHandle(m_hWnd);
    toolTip.DelTool(pWnd);
    if (lpszText && *lpszText)
        toolTip.AddTool(pWnd, lpszText);
}

// Whether the system still reports hover and leave for this window: the tracking can be
// dropped without a leave notice (seen after a combo box list closed), and a button waiting
// for a notice that never comes would stay highlighted.
BOOL CSkinWnd::IsStillTracked() const
{
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_QUERY;
    return ::TrackMouseEvent(&tme) && tme.hwndTrack == m_hWnd && (tme.dwFlags & TME_LEAVE);
}

void CSkinWnd::OnOwnerDrawMouseMove()
{
    if (m_bTracking && !IsStillTracked())
        m_bTracking = FALSE;
    POINT pt;
    ::GetCursorPos(&pt);
    ::ScreenToClient(m_hWnd, &pt);
    BOOL bInside;
    if (m_rgnShape.GetSafeHandle()) {
        bInside = m_rgnShape.PtInRegion(pt);
    } else {
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        bInside = ::PtInRect(&rc, pt);
    }
    if (!m_bTracking) {
        // While a press that started here is held the button keeps the mouse and sees its
        // moves outside too: only a move inside makes it pressed (or hovered) again.
        if (!bInside) {
            SetMouseState(MOUSE_OUTSIDE);
            return;
        }
        BOOL bPressedHere = ::GetCapture() == m_hWnd && (::GetAsyncKeyState(VK_LBUTTON) & 0x8000);
        m_nMouseState = bPressedHere ? MOUSE_PRESSED : MOUSE_HOVER;
        if (bPressedHere)
            Redraw();
        TRACKMOUSEEVENT tme = {sizeof(tme), TME_HOVER | TME_LEAVE, m_hWnd, 1};
        m_bTracking = ::TrackMouseEvent(&tme);
        return;
    }
    if (bInside && m_nMouseState == MOUSE_OUTSIDE)
        SetMouseState((::GetAsyncKeyState(VK_LBUTTON) & 0x8000) ? MOUSE_PRESSED : MOUSE_HOVER);
    else if (!bInside)
        SetMouseState(MOUSE_OUTSIDE);
}

void CSkinWnd::SetMouseState(int nState)
{
    if (m_nMouseState == nState)
        return;
    m_nMouseState = nState;
    Redraw();
}

BOOL CSkinWnd::PaintStatePicture()
{
    CSkinImage* pPicture = m_pParent->m_pImage[IMAGE_FACE];
    BOOL bFace = pPicture != nullptr;
    auto choose = [&](CSkinImage* pImage) {
        if (pImage) {
            pPicture = pImage;
            bFace = FALSE;
        }
    };
    if (m_bChecked)
        choose(m_pImage[IMAGE_CHECKED]);
    if (::IsWindowEnabled(m_hWnd)) {
        if (!m_bChecked && m_nMouseState != MOUSE_OUTSIDE)
            choose(m_pImage[IMAGE_HOVER]);
        if (m_nMouseState == MOUSE_PRESSED)
            choose(m_pImage[IMAGE_PRESSED]);
    } else {
        choose(m_pImage[IMAGE_DISABLED]);
    }
    if (!pPicture)
        return FALSE;
    CScopedWindowDC windowDC(m_hWnd, true);
    const HDC hDC = windowDC.Get();
    if (!hDC)
        return FALSE;
    HBRUSH hBrush = static_cast<HBRUSH>(pPicture->GetBrush()->GetSafeHandle());
    if (bFace)
        PrepareFaceBrush(hDC, m_hWnd);
    else
        ::SetBrushOrgEx(hDC, 0, 0, nullptr);
    RECT rcWindow;
    ::GetWindowRect(m_hWnd, &rcWindow);
    RECT rc = {0, 0, rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top};
    ::FillRect(hDC, &rc, hBrush);
    return TRUE;
}
