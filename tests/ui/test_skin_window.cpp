// The main window's template skinned with the program's artwork, driven with real mouse
// input: shape, placement, hover pictures, dragging, icon buttons, the about box.
#include "CSkinTestDialog.h"

#include "framework/AfxCore.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

void Pump(DWORD dwMilliseconds)
{
    DWORD dwEnd = GetTickCount() + dwMilliseconds;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (static_cast<LONG>(GetTickCount() - dwEnd) < 0);
}

// Pumps messages until the condition holds or the time is up; returns the condition.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD dwMilliseconds = 2000)
{
    DWORD dwEnd = GetTickCount() + dwMilliseconds;
    while (!condition() && static_cast<LONG>(GetTickCount() - dwEnd) < 0)
        Pump(20);
    return condition();
}

void SendMouse(DWORD dwFlags, int x, int y)
{
    int nWidth = GetSystemMetrics(SM_CXSCREEN), nHeight = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65536 + nWidth / 2) / nWidth;
    input.mi.dy = (y * 65536 + nHeight / 2) / nHeight;
    input.mi.dwFlags = dwFlags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

void MoveTo(POINT pt, DWORD dwWait = 150)
{
    SendMouse(0, pt.x, pt.y);
    Pump(dwWait);
}

void Click(POINT pt)
{
    MoveTo(pt, 80);
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    Pump(60);
    SendMouse(MOUSEEVENTF_LEFTUP, pt.x, pt.y);
    Pump(150);
}

POINT Center(HWND hWnd)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

COLORREF ScreenPixel(POINT pt)
{
    HDC hDC = GetDC(nullptr);
    COLORREF color = GetPixel(hDC, pt.x, pt.y);
    ReleaseDC(nullptr, hDC);
    return color;
}

COLORREF ImagePixel(const CDib& dib, int x, int y)
{
    const BITMAP& bm = dib.GetInfo();
    const BYTE* p = static_cast<const BYTE*>(bm.bmBits) + (bm.bmHeight - 1 - y) * bm.bmWidthBytes + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

// Bounding box of every mask colour, in client pixels.
std::map<DWORD, RECT> MaskAreas(const CDib& mask)
{
    std::map<DWORD, RECT> areas;
    for (int y = 0; y < mask.GetHeight(); ++y) {
        for (int x = 0; x < mask.GetWidth(); ++x) {
            COLORREF c = ImagePixel(mask, x, y);
            DWORD dwValue = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            auto it = areas.find(dwValue);
            if (it == areas.end()) {
                areas[dwValue] = RECT{x, y, x + 1, y + 1};
            } else {
                RECT& rc = it->second;
                rc.left = std::min<LONG>(rc.left, x);
                rc.top = std::min<LONG>(rc.top, y);
                rc.right = std::max<LONG>(rc.right, x + 1);
                rc.bottom = std::max<LONG>(rc.bottom, y + 1);
            }
        }
    }
    return areas;
}

RECT ClientRectOf(HWND hChild)
{
    RECT rc;
    GetWindowRect(hChild, &rc);
    MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

class SkinWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        AfxSetInstanceHandle(GetModuleHandleA(nullptr));
        AfxSetResourceHandle(GetModuleHandleA(nullptr));
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }

    void Open(UINT nMask = IDB_SKIN_MASK, UINT nFace = IDB_SKIN_FACE, UINT nHover = IDB_SKIN_HOVER)
    {
        m_pDlg.reset(new CSkinTestDialog(nMask, nFace, nHover));
        ASSERT_TRUE(m_pDlg->CreateFromTemplate());
        m_hDlg = m_pDlg->m_hWnd;
        SetWindowPos(m_hDlg, HWND_TOP, 200, 150, 0, 0, SWP_NOSIZE);
        ShowWindow(m_hDlg, SW_SHOW);
        SetForegroundWindow(m_hDlg);
        Pump(300);
    }

    void TearDown() override
    {
        if (m_pDlg && IsWindow(m_hDlg))
            m_pDlg->DestroyWindow();
        m_pDlg.reset();
        Pump(50);
    }

    POINT ClientToScreenPt(int x, int y) const
    {
        POINT pt = {x, y};
        ClientToScreen(m_hDlg, &pt);
        return pt;
    }

    HWND Item(int nID) const { return GetDlgItem(m_hDlg, nID); }

    std::unique_ptr<CSkinTestDialog> m_pDlg;
    HWND m_hDlg = nullptr;
};

TEST_F(SkinWindowTest, WindowTakesPictureSizeAndMaskShape)
{
    Open();
    RECT rcClient, rcWindow;
    GetClientRect(m_hDlg, &rcClient);
    GetWindowRect(m_hDlg, &rcWindow);
    EXPECT_EQ(rcClient.right, 512);
    EXPECT_EQ(rcClient.bottom, 416);
    EXPECT_EQ(rcWindow.right - rcWindow.left, 512);
    EXPECT_EQ(rcWindow.bottom - rcWindow.top, 416);
    EXPECT_EQ(GetWindowLongPtrA(m_hDlg, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), 0);

    HRGN hRgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(m_hDlg, hRgn), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(hRgn, 0, 0));      // rounded corner
    EXPECT_FALSE(PtInRegion(hRgn, 511, 415));
    EXPECT_TRUE(PtInRegion(hRgn, 256, 200));
    EXPECT_TRUE(PtInRegion(hRgn, 0, 200));
    DeleteObject(hRgn);
}

TEST_F(SkinWindowTest, EveryControlSitsInItsMaskArea)
{
    Open();
    CDib mask;
    ASSERT_TRUE(mask.Load(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN_MASK), "png"));
    std::map<DWORD, RECT> areas = MaskAreas(mask);
    int nChecked = 0;
    for (HWND hChild = GetWindow(m_hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        int nID = GetDlgCtrlID(hChild);
        if (nID < IDC_BTN_MINIMIZE || nID > IDC_CMB_HOTKEY)
            continue;
        SCOPED_TRACE(nID);
        ASSERT_TRUE(areas.count(nID)) << "control missing from the mask";
        RECT rcArea = areas[nID], rcCtl = ClientRectOf(hChild);
        char szClass[32] = {};
        GetClassNameA(hChild, szClass, sizeof(szClass));
        EXPECT_EQ(rcCtl.left, rcArea.left);
        EXPECT_EQ(rcCtl.top, rcArea.top);
        EXPECT_EQ(rcCtl.right, rcArea.right);
        if (lstrcmpiA(szClass, "ComboBox") == 0)
            EXPECT_LE(rcCtl.bottom, rcArea.bottom + 2);  // a combo box keeps its field height
        else
            EXPECT_EQ(rcCtl.bottom, rcArea.bottom);
        ++nChecked;
    }
    EXPECT_EQ(nChecked, 33);

    HRGN hRgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(Item(IDC_GRP_AUDIO), hRgn), COMPLEXREGION);  // a frame
    EXPECT_FALSE(PtInRegion(hRgn, 100, 50));
    EXPECT_EQ(GetWindowRgn(Item(IDC_BTN_START), hRgn), ERROR);  // a rectangle: no region
    DeleteObject(hRgn);
}

TEST_F(SkinWindowTest, PlacedComboBoxStillDropsItsList)
{
    Open();
    HWND hCombo = Item(IDC_CMB_CODEC);
    Click(Center(hCombo));
    Pump(200);
    EXPECT_TRUE(SendMessageA(hCombo, CB_GETDROPPEDSTATE, 0, 0));
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(hCombo, &info));
    RECT rcList;
    GetWindowRect(info.hwndList, &rcList);
    EXPECT_GE(rcList.bottom - rcList.top, 2 * 13);  // both items visible
    Click(Center(hCombo));
    Pump(200);
    EXPECT_FALSE(SendMessageA(hCombo, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(SkinWindowTest, HoveringSkinnedButtonShowsHighlightPicture)
{
    Open();
    CDib face, hover;
    ASSERT_TRUE(face.Load(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN_FACE), "png"));
    ASSERT_TRUE(hover.Load(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN_HOVER), "png"));
    HWND hHelp = Item(IDC_BTN_HELP);
    RECT rc = ClientRectOf(hHelp);
    POINT ptDiff = {-1, -1};
    for (int y = rc.top; y < rc.bottom && ptDiff.x < 0; ++y)
        for (int x = rc.left; x < rc.right && ptDiff.x < 0; ++x)
            if (ImagePixel(face, x, y) != ImagePixel(hover, x, y))
                ptDiff = POINT{x, y};
    ASSERT_GE(ptDiff.x, 0);
    POINT ptScreen = ClientToScreenPt(ptDiff.x, ptDiff.y);
    EXPECT_EQ(ScreenPixel(ptScreen), ImagePixel(face, ptDiff.x, ptDiff.y));

    CSkinWnd* pHelp = m_pDlg->m_skin.GetChild(hHelp);
    ASSERT_NE(pHelp, nullptr);
    EXPECT_EQ(pHelp->GetControlKind(), CSkinWnd::KIND_OWNERDRAW_BUTTON);
    EXPECT_NE(pHelp->GetImage(CSkinWnd::IMAGE_HOVER), nullptr);
    POINT ptCenter = Center(hHelp);
    MoveTo(ptCenter, 50);
    MoveTo(POINT{ptCenter.x + 1, ptCenter.y}, 100);
    EXPECT_EQ(pHelp->GetMouseState(), CSkinWnd::MOUSE_HOVER);
    // The hover notice comes from the system's tracking; small moves inside the button, as a
    // hand on the mouse makes, must not lose it.
    int nJiggle = 0;
    EXPECT_TRUE(PumpUntil([&] {
        MoveTo(POINT{ptCenter.x + (++nJiggle % 3), ptCenter.y}, 60);
        return ScreenPixel(ptScreen) == ImagePixel(hover, ptDiff.x, ptDiff.y);
    }, 4000));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));

    MoveTo(ClientToScreenPt(200, 395), 100);
    EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(ptScreen) == ImagePixel(face, ptDiff.x, ptDiff.y); }));
    EXPECT_EQ(pHelp->GetMouseState(), CSkinWnd::MOUSE_OUTSIDE);
}

TEST_F(SkinWindowTest, PressedButtonDraggedOutAndBackIn)
{
    Open();
    HWND hClose = Item(IDC_BTN_CLOSE);
    CSkinWnd* pClose = m_pDlg->m_skin.GetChild(hClose);
    ASSERT_NE(pClose, nullptr);
    POINT pt = Center(hClose);
    MoveTo(pt, 100);
    MoveTo(POINT{pt.x + 1, pt.y}, 200);
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    EXPECT_TRUE(PumpUntil([&] { return pClose->GetMouseState() == CSkinWnd::MOUSE_PRESSED; }));
    MoveTo(POINT{pt.x - 60, pt.y + 80}, 200);
    EXPECT_EQ(pClose->GetMouseState(), CSkinWnd::MOUSE_OUTSIDE);
    MoveTo(pt, 200);
    EXPECT_EQ(pClose->GetMouseState(), CSkinWnd::MOUSE_PRESSED);
    MoveTo(POINT{pt.x - 60, pt.y + 80}, 100);
    SendMouse(MOUSEEVENTF_LEFTUP, pt.x - 60, pt.y + 80);  // released outside: no click
    Pump(200);
    for (UINT nID : m_pDlg->m_commands)
        EXPECT_NE(nID, static_cast<UINT>(IDC_BTN_CLOSE));
}

TEST_F(SkinWindowTest, SkinningKeepsTrackbarValueAndTooltips)
{
    Open();
    EXPECT_EQ(SendMessageA(Item(IDC_SLD_VOLUME), TBM_GETPOS, 0, 0), 30);
    EXPECT_EQ(GetCapture(), nullptr);
    // One tool per owner-drawn button, registered from its caption: the four picture
    // buttons and the two icon buttons.
    EXPECT_EQ(m_pDlg->m_skin.GetToolTip()->GetToolCount(), 6);
}

TEST_F(SkinWindowTest, IconButtonDefaultFrameAndDisabledFocus)
{
    Open();
    HWND hStart = Item(IDC_BTN_START);
    SendMessageA(hStart, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(m_pDlg->m_btnStart.IsDefaultButton());
    EXPECT_EQ(GetWindowLongPtrA(hStart, GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    EXPECT_TRUE(SendMessageA(hStart, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    // The black outer frame without the focus.
    SetFocus(Item(IDC_EDT_SAVE_FOLDER));
    RedrawWindow(hStart, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    Pump(100);
    RECT rc;
    GetWindowRect(hStart, &rc);
    EXPECT_EQ(ScreenPixel(POINT{(rc.left + rc.right) / 2, rc.top}), RGB(0, 0, 0));
    SendMessageA(hStart, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(m_pDlg->m_btnStart.IsDefaultButton());
    EXPECT_TRUE(SendMessageA(hStart, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);

    SetFocus(hStart);
    EnableWindow(hStart, FALSE);
    EXPECT_NE(GetFocus(), hStart);
    EXPECT_NE(GetFocus(), nullptr);
}

TEST_F(SkinWindowTest, DraggingBackgroundMovesWindowButNotOnAControl)
{
    Open();
    RECT rcBefore, rcAfter;
    GetWindowRect(m_hDlg, &rcBefore);
    POINT pt = ClientToScreenPt(200, 395);
    MoveTo(pt, 80);
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    Pump(80);
    for (int i = 1; i <= 4; ++i)
        MoveTo(POINT{pt.x + 10 * i, pt.y + 6 * i}, 60);
    SendMouse(MOUSEEVENTF_LEFTUP, pt.x + 40, pt.y + 24);
    Pump(150);
    GetWindowRect(m_hDlg, &rcAfter);
    EXPECT_EQ(rcAfter.left - rcBefore.left, 40);
    EXPECT_EQ(rcAfter.top - rcBefore.top, 24);

    // Pressing on the save folder box and moving does not drag.
    rcBefore = rcAfter;
    pt = Center(Item(IDC_EDT_SAVE_FOLDER));
    MoveTo(pt, 80);
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    Pump(80);
    MoveTo(POINT{pt.x + 30, pt.y + 20}, 100);
    SendMouse(MOUSEEVENTF_LEFTUP, pt.x + 30, pt.y + 20);
    Pump(150);
    GetWindowRect(m_hDlg, &rcAfter);
    EXPECT_EQ(rcAfter.left, rcBefore.left);
    EXPECT_EQ(rcAfter.top, rcBefore.top);
}

TEST_F(SkinWindowTest, IconButtonCountsDoubleClickAsTwoClicks)
{
    Open();
    EXPECT_NE(m_pDlg->m_btnStart.GetIcon(), nullptr);
    EXPECT_EQ(m_pDlg->m_btnStart.GetIconSize().cx, 16);
    EXPECT_EQ(GetWindowLongPtrA(Item(IDC_BTN_START), GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    POINT pt = Center(Item(IDC_BTN_START));
    // A double click: the second press arrives as WM_LBUTTONDBLCLK.
    Click(pt);
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    SendMouse(MOUSEEVENTF_LEFTUP, pt.x, pt.y);
    Pump(300);
    int nStarts = 0;
    for (UINT nID : m_pDlg->m_commands)
        nStarts += nID == IDC_BTN_START;
    EXPECT_EQ(nStarts, 2);
    EXPECT_EQ(GetFocus(), Item(IDC_BTN_START));
}

TEST_F(SkinWindowTest, MissingOrDamagedPicturesLeaveTemplateLayout)
{
    const UINT sets[][3] = {{230, 231, 999}, {997, 998, 999}, {0, 0, 0}};
    for (const auto& ids : sets) {
        SCOPED_TRACE(ids[0]);
        Open(ids[0], ids[1], ids[2]);
        for (HWND hChild = GetWindow(m_hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
            RECT rcNow = ClientRectOf(hChild), rcTemplate = m_pDlg->TemplateRect(hChild);
            EXPECT_TRUE(EqualRect(&rcNow, &rcTemplate)) << GetDlgCtrlID(hChild);
        }
        HRGN hRgn = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetWindowRgn(m_hDlg, hRgn), ERROR);
        DeleteObject(hRgn);
        // Still works: hovering and clicking a control, dragging the background.
        Click(Center(Item(IDC_BTN_START)));
        EXPECT_FALSE(m_pDlg->m_commands.empty());
        TearDown();
    }
}

// The about box, driven from a timer inside its modal loop.
struct AboutScript
{
    CAboutBox* pAbout = nullptr;
    int nStep = 0;
    BOOL bRedSeen = FALSE, bBlueAfter = FALSE, bRedAfter = FALSE, bHand = FALSE, bLinkSet = FALSE;
    int nWidth = 0, nHeight = 0, nLinks = 0;
    RECT rcLink = {};
};
AboutScript g_script;

BOOL FindColor(HWND hWnd, const RECT& rc, BOOL (*pfnTest)(COLORREF))
{
    HDC hDC = GetDC(hWnd);
    BOOL bFound = FALSE;
    for (int y = rc.top; y < rc.bottom && !bFound; ++y)
        for (int x = rc.left; x < rc.right && !bFound; ++x)
            bFound = pfnTest(GetPixel(hDC, x, y));
    ReleaseDC(hWnd, hDC);
    return bFound;
}
BOOL IsRed(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80; }
BOOL IsBlue(COLORREF c) { return GetBValue(c) > 180 && GetRValue(c) < 80 && GetGValue(c) < 80; }

void CALLBACK AboutStep(HWND, UINT, UINT_PTR, DWORD)
{
    AboutScript& s = g_script;
    HWND hWnd = s.pAbout->m_hWnd;
    if (!hWnd)
        return;
    POINT pt;
    switch (s.nStep++) {
    case 0: {
        RECT rc;
        GetWindowRect(hWnd, &rc);
        s.nWidth = rc.right - rc.left;
        s.nHeight = rc.bottom - rc.top;
        s.nLinks = s.pAbout->GetLinkCount();
        if (s.nLinks)
            s.rcLink = s.pAbout->GetLinkRect(0);
        pt = {(s.rcLink.left + s.rcLink.right) / 2, (s.rcLink.top + s.rcLink.bottom) / 2};
        ClientToScreen(hWnd, &pt);
        SendMouse(0, pt.x, pt.y);
        break;
    }
    case 1:
        SendMouse(0, 0, 0);  // nudge so the cursor is set again inside the link
        GetCursorPos(&pt);
        break;
    case 2:
        pt = {(s.rcLink.left + s.rcLink.right) / 2 + 1, (s.rcLink.top + s.rcLink.bottom) / 2};
        ClientToScreen(hWnd, &pt);
        SendMouse(0, pt.x, pt.y);
        break;
    case 3:
        s.bLinkSet = !s.pAbout->GetCurrentLink().IsEmpty();
        s.bHand = GetCursor() == LoadCursorA(nullptr, IDC_HAND);
        s.bRedSeen = FindColor(hWnd, s.rcLink, IsRed);
        pt = {100, 100};
        ClientToScreen(hWnd, &pt);
        SendMouse(0, pt.x, pt.y);
        break;
    case 4:
        s.bBlueAfter = FindColor(hWnd, s.rcLink, IsBlue);
        s.bRedAfter = FindColor(hWnd, s.rcLink, IsRed);
        pt = {100, 100};
        ClientToScreen(hWnd, &pt);
        SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
        SendMouse(MOUSEEVENTF_LEFTUP, pt.x, pt.y);
        break;
    default:
        if (s.nStep > 30)
            EndDialog(hWnd, -2);  // the click did not close it
        break;
    }
}

TEST_F(SkinWindowTest, AboutBoxShowsTextsHighlightsLinkAndClosesOnClick)
{
    FileVersionRecord record;
    record.m_strFileVersion = "1.2.3.4";
    record.m_strLegalCopyright = "Copyright (C) 2026 Vantri";
    CAboutBox about(&record);
    g_script = AboutScript();
    g_script.pAbout = &about;
    UINT_PTR nTimer = SetTimer(nullptr, 0, 250, AboutStep);
    DWORD dwStart = GetTickCount();
    EXPECT_TRUE(about.Show(nullptr));
    KillTimer(nullptr, nTimer);
    EXPECT_EQ(about.m_hWnd, nullptr);
    EXPECT_LT(GetTickCount() - dwStart, 6000u) << "a click on the picture should close the box";
    EXPECT_EQ(g_script.nWidth, 400);
    EXPECT_EQ(g_script.nHeight, 200);
    EXPECT_EQ(g_script.nLinks, 1);
    EXPECT_STREQ(about.GetVersionText(), "1.2.3.4");
    EXPECT_STREQ(about.GetNoticeText(), "Copyright (C) 2026 Vantri");
    EXPECT_EQ(g_script.rcLink.top, 185);
    EXPECT_GT(g_script.rcLink.left, 100);
    EXPECT_TRUE(g_script.bLinkSet);
    EXPECT_TRUE(g_script.bHand);
    EXPECT_TRUE(g_script.bRedSeen);
    EXPECT_TRUE(g_script.bBlueAfter);
    EXPECT_FALSE(g_script.bRedAfter);
}

struct CAboutProbe : CAboutBox
{
    using CAboutBox::CAboutBox;
    using CAboutBox::Init;
};

TEST(AboutBoxTexts, VersionFallsBackToProductVersionThenNothing)
{
    FileVersionRecord record;
    record.m_strProductVersion = "2.0";
    CAboutProbe about(&record);
    ASSERT_TRUE(about.Init());
    EXPECT_STREQ(about.GetVersionText(), "2.0");
    EXPECT_STREQ(about.GetNoticeText(), CAboutBox::kDefaultNotice);
    record.m_strProductVersion = "";
    ASSERT_TRUE(about.Init());
    EXPECT_STREQ(about.GetVersionText(), "");
    CAboutProbe none(nullptr);
    ASSERT_TRUE(none.Init());
    EXPECT_STREQ(none.GetVersionText(), "");
}

}  // namespace
