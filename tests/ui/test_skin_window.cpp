// The main window's template skinned with the program's artwork, driven with real mouse
// input: shape, placement, hover pictures, dragging, icon buttons, the about box.
#include "CSkinTestDialog.h"

#include "framework/AfxCore.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

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

// Pumps messages until the condition holds or the time is up; returns the condition. The
// time-out only bounds a wait for something that never happens.
template <typename Condition> bool PumpUntil(Condition condition, DWORD dwMilliseconds = 10000)
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
    // Rounded up: the system takes the whole part of dx * width / 65536.
    input.mi.dx = (x * 65536 + nWidth - 1) / nWidth;
    input.mi.dy = (y * 65536 + nHeight - 1) / nHeight;
    input.mi.dwFlags = dwFlags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

// Moves the pointer to pt until the condition holds. Under Wine's virtual desktop each move
// is also echoed back by the X server some time later, and a late echo of an earlier move
// puts the pointer back there: the move is repeated until it has taken.
template <typename Condition> bool MoveUntil(POINT pt, Condition condition, DWORD dwMilliseconds = 10000)
{
    DWORD dwEnd = GetTickCount() + dwMilliseconds;
    do {
        SendMouse(0, pt.x, pt.y);
        Pump(40);
        if (condition())
            return true;
    } while (static_cast<LONG>(GetTickCount() - dwEnd) < 0);
    return false;
}

bool PointerAt(POINT pt)
{
    POINT now;
    return GetCursorPos(&now) && now.x == pt.x && now.y == pt.y;
}

bool MoveTo(POINT pt)
{
    return MoveUntil(pt, [&] { return PointerAt(pt); });
}

// Left button presses and releases at pt, sent together so that two clicks make a double click.
void Clicks(POINT pt, int nClicks = 1)
{
    ASSERT_TRUE(MoveTo(pt));
    std::vector<INPUT> inputs;
    for (int i = 0; i < nClicks; ++i) {
        for (DWORD dwButton : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
            INPUT input = {};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = dwButton;
            inputs.push_back(input);
        }
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Click(POINT pt)
{
    Clicks(pt, 1);
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

// What a failed dialog creation met: the error, and whether the process can make any window.
std::string WhyNoWindow()
{
    const DWORD dwError = GetLastError();
    HWND hPlain = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const DWORD dwPlainError = GetLastError();
    if (hPlain)
        DestroyWindow(hPlain);
    return "error " + std::to_string(dwError) + "; a plain window " +
           (hPlain ? std::string("can be made") : "cannot be made either (error " + std::to_string(dwPlainError) + ")") +
           "; desktop window " + std::to_string(reinterpret_cast<UINT_PTR>(GetDesktopWindow()));
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
        ASSERT_TRUE(m_pDlg->CreateFromTemplate()) << WhyNoWindow();
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
    EXPECT_FALSE(PtInRegion(hRgn, 0, 0)); // rounded corner
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
            EXPECT_LE(rcCtl.bottom, rcArea.bottom + 2); // a combo box keeps its field height
        else
            EXPECT_EQ(rcCtl.bottom, rcArea.bottom);
        ++nChecked;
    }
    EXPECT_EQ(nChecked, 33);

    HRGN hRgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(Item(IDC_GRP_AUDIO), hRgn), COMPLEXREGION); // a frame
    EXPECT_FALSE(PtInRegion(hRgn, 100, 50));
    EXPECT_EQ(GetWindowRgn(Item(IDC_BTN_START), hRgn), ERROR); // a rectangle: no region
    DeleteObject(hRgn);
}

TEST_F(SkinWindowTest, PlacedComboBoxStillDropsItsList)
{
    Open();
    HWND hCombo = Item(IDC_CMB_CODEC);
    Click(Center(hCombo));
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(hCombo, CB_GETDROPPEDSTATE, 0, 0) != 0; }));
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(hCombo, &info));
    RECT rcList;
    GetWindowRect(info.hwndList, &rcList);
    EXPECT_GE(rcList.bottom - rcList.top, 2 * 13); // both items visible
    Click(Center(hCombo));
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(hCombo, CB_GETDROPPEDSTATE, 0, 0) == 0; }));
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
    EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(ptScreen) == ImagePixel(face, ptDiff.x, ptDiff.y); }));

    CSkinWnd* pHelp = m_pDlg->m_skin.GetChild(hHelp);
    ASSERT_NE(pHelp, nullptr);
    EXPECT_EQ(pHelp->GetControlKind(), CSkinWnd::KIND_OWNERDRAW_BUTTON);
    EXPECT_NE(pHelp->GetImage(CSkinWnd::IMAGE_HOVER), nullptr);
    POINT ptCenter = Center(hHelp);
    EXPECT_TRUE(MoveUntil(ptCenter, [&] { return pHelp->GetMouseState() == CSkinWnd::MOUSE_HOVER; }));
    // The hover notice comes from the system's tracking; small moves inside the button, as a
    // hand on the mouse makes, must not lose it.
    int nJiggle = 0;
    EXPECT_TRUE(PumpUntil([&] {
        MoveUntil(
            POINT{ptCenter.x + (++nJiggle % 3), ptCenter.y}, [] { return false; }, 60);
        return ScreenPixel(ptScreen) == ImagePixel(hover, ptDiff.x, ptDiff.y) &&
               GetCursor() == LoadCursorA(nullptr, IDC_HAND);
    }));

    EXPECT_TRUE(MoveUntil(ClientToScreenPt(200, 395), [&] {
        return ScreenPixel(ptScreen) == ImagePixel(face, ptDiff.x, ptDiff.y) &&
               pHelp->GetMouseState() == CSkinWnd::MOUSE_OUTSIDE;
    }));
}

TEST_F(SkinWindowTest, PressedButtonDraggedOutAndBackIn)
{
    Open();
    HWND hClose = Item(IDC_BTN_CLOSE);
    CSkinWnd* pClose = m_pDlg->m_skin.GetChild(hClose);
    ASSERT_NE(pClose, nullptr);
    POINT pt = Center(hClose), ptOut = {pt.x - 60, pt.y + 80};
    auto state = [&](int nState) { return [=] { return pClose->GetMouseState() == nState; }; };
    ASSERT_TRUE(MoveUntil(pt, state(CSkinWnd::MOUSE_HOVER)));
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    EXPECT_TRUE(PumpUntil(state(CSkinWnd::MOUSE_PRESSED)));
    EXPECT_TRUE(MoveUntil(ptOut, state(CSkinWnd::MOUSE_OUTSIDE)));
    // Further moves outside while the button is held keep it drawn as not pressed.
    EXPECT_TRUE(MoveUntil(POINT{ptOut.x - 5, ptOut.y}, [&] { return PointerAt(POINT{ptOut.x - 5, ptOut.y}); }));
    EXPECT_EQ(pClose->GetMouseState(), CSkinWnd::MOUSE_OUTSIDE);
    EXPECT_TRUE(MoveUntil(pt, state(CSkinWnd::MOUSE_PRESSED)));
    EXPECT_TRUE(MoveUntil(ptOut, state(CSkinWnd::MOUSE_OUTSIDE)));
    SendMouse(MOUSEEVENTF_LEFTUP, ptOut.x, ptOut.y); // released outside: no click
    EXPECT_TRUE(PumpUntil([&] { return GetCapture() == nullptr; }));
    for (UINT nID : m_pDlg->m_commands)
        EXPECT_NE(nID, static_cast<UINT>(IDC_BTN_CLOSE));
}

TEST_F(SkinWindowTest, SkinningKeepsTrackbarValueAndTooltips)
{
    Open();
    EXPECT_EQ(SendMessageA(Item(IDC_SLD_VOLUME), TBM_GETPOS, 0, 0), 30);
    EXPECT_EQ(GetCapture(), nullptr);
    // One tool per owner-drawn button, registered from its caption: the five picture
    // buttons (Options among them) and the two icon buttons.
    EXPECT_EQ(m_pDlg->m_skin.GetToolTip()->GetToolCount(), 7);
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
    ASSERT_TRUE(MoveTo(pt));
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    EXPECT_TRUE(PumpUntil([&] { return GetCapture() == m_hDlg; }));
    for (int i = 1; i <= 4; ++i) {
        EXPECT_TRUE(MoveUntil(POINT{pt.x + 10 * i, pt.y + 6 * i}, [&] {
            RECT rc;
            GetWindowRect(m_hDlg, &rc);
            return rc.left == rcBefore.left + 10 * i && rc.top == rcBefore.top + 6 * i;
        })) << i;
    }
    SendMouse(MOUSEEVENTF_LEFTUP, pt.x + 40, pt.y + 24);
    EXPECT_TRUE(PumpUntil([&] { return GetCapture() == nullptr; }));
    GetWindowRect(m_hDlg, &rcAfter);
    EXPECT_EQ(rcAfter.left - rcBefore.left, 40);
    EXPECT_EQ(rcAfter.top - rcBefore.top, 24);

    // Pressing on the save folder box and moving does not drag.
    rcBefore = rcAfter;
    pt = Center(Item(IDC_EDT_SAVE_FOLDER));
    ASSERT_TRUE(MoveTo(pt));
    SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
    EXPECT_TRUE(PumpUntil([&] { return GetCapture() == Item(IDC_EDT_SAVE_FOLDER); }));
    EXPECT_TRUE(MoveTo(POINT{pt.x + 30, pt.y + 20}));
    SendMouse(MOUSEEVENTF_LEFTUP, pt.x + 30, pt.y + 20);
    EXPECT_TRUE(PumpUntil([&] { return GetCapture() == nullptr; }));
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
    Clicks(pt, 2);
    auto starts = [&] {
        int nStarts = 0;
        for (UINT nID : m_pDlg->m_commands)
            nStarts += nID == IDC_BTN_START;
        return nStarts;
    };
    EXPECT_TRUE(PumpUntil([&] { return starts() >= 2; }));
    EXPECT_EQ(starts(), 2);
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
        EXPECT_TRUE(PumpUntil([&] { return !m_pDlg->m_commands.empty(); }));
        TearDown();
    }
}

// The about box, driven from a timer inside its modal loop: each step repeats its move until
// what it waits for is seen, then the next step begins.
struct AboutScript
{
    CAboutBox* pAbout = nullptr;
    int nStep = 0;
    DWORD dwDeadline = 0;
    BOOL bHighlighted = FALSE, bPlainAfter = FALSE;
    int nWidth = 0, nHeight = 0, nLinks = 0, nJiggle = 0;
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
BOOL IsRed(COLORREF c)
{
    return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80;
}
BOOL IsBlue(COLORREF c)
{
    return GetBValue(c) > 180 && GetRValue(c) < 80 && GetGValue(c) < 80;
}

void MoveInside(HWND hWnd, POINT pt)
{
    ClientToScreen(hWnd, &pt);
    SendMouse(0, pt.x, pt.y);
}

void CALLBACK AboutStep(HWND, UINT, UINT_PTR, DWORD)
{
    AboutScript& s = g_script;
    HWND hWnd = s.pAbout->m_hWnd;
    if (!hWnd)
        return;
    if (static_cast<LONG>(GetTickCount() - s.dwDeadline) > 0) {
        EndDialog(hWnd, -2); // what a step waited for never came
        return;
    }
    switch (s.nStep) {
    case 0: {
        RECT rc;
        GetWindowRect(hWnd, &rc);
        s.nWidth = rc.right - rc.left;
        s.nHeight = rc.bottom - rc.top;
        s.nLinks = s.pAbout->GetLinkCount();
        if (!s.nLinks)
            break; // not painted yet
        s.rcLink = s.pAbout->GetLinkRect(0);
        ++s.nStep;
        break;
    }
    case 1:
        // Over the link: the hand, the link is the current one and drawn in the hover colour.
        if (!s.pAbout->GetCurrentLink().IsEmpty() && GetCursor() == LoadCursorA(nullptr, IDC_HAND) &&
            FindColor(hWnd, s.rcLink, IsRed) && !FindColor(hWnd, s.rcLink, IsBlue)) {
            s.bHighlighted = TRUE;
            ++s.nStep;
            break;
        }
        MoveInside(hWnd, POINT{(s.rcLink.left + s.rcLink.right) / 2 + (++s.nJiggle % 2),
                               (s.rcLink.top + s.rcLink.bottom) / 2});
        break;
    case 2:
        // Off the link, over the picture: back to the link colour.
        if (s.pAbout->GetCurrentLink().IsEmpty() && FindColor(hWnd, s.rcLink, IsBlue) &&
            !FindColor(hWnd, s.rcLink, IsRed)) {
            s.bPlainAfter = TRUE;
            ++s.nStep;
            break;
        }
        MoveInside(hWnd, POINT{100 + (++s.nJiggle % 2), 100});
        break;
    case 3: {
        POINT pt = {100, 100};
        ClientToScreen(hWnd, &pt);
        SendMouse(MOUSEEVENTF_LEFTDOWN, pt.x, pt.y);
        SendMouse(MOUSEEVENTF_LEFTUP, pt.x, pt.y);
        ++s.nStep;
        break;
    }
    default:
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
    g_script.dwDeadline = GetTickCount() + 30000;
    UINT_PTR nTimer = SetTimer(nullptr, 0, 100, AboutStep);
    EXPECT_TRUE(about.Show(nullptr));
    KillTimer(nullptr, nTimer);
    EXPECT_EQ(about.m_hWnd, nullptr);
    EXPECT_EQ(g_script.nStep, 4) << "a click on the picture should close the box";
    EXPECT_EQ(g_script.nWidth, 400);
    EXPECT_EQ(g_script.nHeight, 200);
    EXPECT_EQ(g_script.nLinks, 1);
    EXPECT_STREQ(about.GetVersionText(), "1.2.3.4");
    EXPECT_STREQ(about.GetNoticeText(), "Copyright (C) 2026 Vantri");
    EXPECT_EQ(g_script.rcLink.top, 185);
    EXPECT_GT(g_script.rcLink.left, 100);
    EXPECT_TRUE(g_script.bHighlighted) << "the link under the pointer: hand, current link, hover colour";
    EXPECT_TRUE(g_script.bPlainAfter) << "the pointer off the link: link colour again";
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

} // namespace
