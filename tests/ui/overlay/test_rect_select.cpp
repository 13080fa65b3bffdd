// The selection overlay in this process: clamping, the frame and its region, locking, the
// rectangle handed to the grabber, the owner's messages and the system cursor swap. Wine
// accepts SetSystemCursor without changing any cursor, so the swap runs against a recorded
// cursor table here; the real calls are made by the overlay host program.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "framework/AfxCore.h"
#include "framework/CWinApp.h"
#include "ui/CRectSelectWnd.h"
#include "video/CDriverSwitch.h"
#include "video/CFakeDisplay.h"
#include "video/CScreenGrabber.h"

namespace {

CWinApp g_app("Overlay test");

RECT Rect(LONG l, LONG t, LONG r, LONG b)
{
    RECT rc = {l, t, r, b};
    return rc;
}

::testing::AssertionResult RectIs(const RECT& expected, const RECT& actual)
{
    if (EqualRect(&expected, &actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.left << "," << actual.top << "," << actual.right << ","
                                         << actual.bottom << ") instead of (" << expected.left << "," << expected.top
                                         << "," << expected.right << "," << expected.bottom << ")";
}

// The desktop's cursor table as the fake calls change it: id -> handle, handle -> shape.
struct FakeCursors
{
    std::map<DWORD, UINT_PTR> system;
    std::map<UINT_PTR, DWORD> shapes;
    UINT_PTR nNext = 0x5000;
    int nDestroyed = 0;
    DWORD nFailingId = 0;
    bool bOnlySays = false; // a system that says it took a cursor and keeps the old one

    void Reset()
    {
        bOnlySays = false;
        system.clear();
        shapes.clear();
        nDestroyed = 0;
        nFailingId = 0;
        for (DWORD i = 0; i < CRectSelectWnd::SYSTEM_CURSOR_COUNT; ++i) {
            system[CRectSelectWnd::s_pnSystemCursors[i]] = 0x100 + i;
            shapes[0x100 + i] = CRectSelectWnd::s_pnSystemCursors[i];
        }
    }
    DWORD ShapeOf(DWORD nId) { return shapes[system[nId]]; }
} g_cursors;

HCURSOR WINAPI FakeLoadCursor(HINSTANCE, LPCSTR pszName)
{
    return reinterpret_cast<HCURSOR>(g_cursors.system[static_cast<DWORD>(reinterpret_cast<UINT_PTR>(pszName))]);
}

HICON WINAPI FakeCopyIcon(HICON hIcon)
{
    if (!hIcon)
        return nullptr;
    UINT_PTR nCopy = g_cursors.nNext++;
    g_cursors.shapes[nCopy] = g_cursors.shapes[reinterpret_cast<UINT_PTR>(hIcon)];
    return reinterpret_cast<HICON>(nCopy);
}

BOOL WINAPI FakeSetSystemCursor(HCURSOR hCursor, DWORD nId)
{
    if (nId == g_cursors.nFailingId)
        return FALSE;
    if (g_cursors.bOnlySays)
        return TRUE;
    g_cursors.system[nId] = reinterpret_cast<UINT_PTR>(hCursor);
    return TRUE;
}

BOOL WINAPI FakeDestroyCursor(HCURSOR hCursor)
{
    g_cursors.shapes.erase(reinterpret_cast<UINT_PTR>(hCursor));
    ++g_cursors.nDestroyed;
    return TRUE;
}

// A cursor the system took is no longer ours.
BOOL WINAPI FakeIsOwnCursor(HCURSOR hCursor)
{
    const UINT_PTR nHandle = reinterpret_cast<UINT_PTR>(hCursor);
    for (const auto& entry : g_cursors.system)
        if (entry.second == nHandle)
            return FALSE;
    return g_cursors.shapes.count(nHandle) != 0;
}

const SystemCursorApi s_fakeCursorApi = {FakeLoadCursor, FakeCopyIcon, FakeSetSystemCursor, FakeDestroyCursor,
                                         FakeIsOwnCursor};

// Stands in for the main window: records what the overlay sends it.
class COwnerWnd : public CWnd
{
public:
    std::vector<UINT> m_commands;
    int m_nToggles = 0;
    RECT m_rcAtToggle = {};
    CRectSelectWnd* m_pOverlay = nullptr;

    BOOL Create()
    {
        return CreateEx(0, AfxRegisterWndClass(0), "overlay owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                        nullptr, nullptr);
    }

protected:
    void OnSysCommand(UINT nID, LPARAM) { m_commands.push_back(nID & 0xFFF0); }
    // As the main window does: read the rectangle and lock it for the recording.
    LRESULT OnRecordToggle(WPARAM, LPARAM)
    {
        ++m_nToggles;
        if (m_pOverlay) {
            m_pOverlay->GetSelectRect(&m_rcAtToggle);
            m_pOverlay->SetLocked(TRUE);
        }
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COwnerWnd, CWnd)
ON_WM_SYSCOMMAND()
ON_MESSAGE(WM_RECORD_TOGGLE, OnRecordToggle)
END_MESSAGE_MAP()

class RectSelectTest : public ::testing::Test
{
protected:
    COwnerWnd m_owner;

    void SetUp() override
    {
        g_cursors.Reset();
        ASSERT_TRUE(m_owner.Create());
        g_app.m_pMainWnd = &m_owner;
    }
    void TearDown() override
    {
        g_app.m_pMainWnd = nullptr;
        m_owner.DestroyWindow();
    }
    void Prepare(CRectSelectWnd& overlay)
    {
        overlay.SetCursorApi(s_fakeCursorApi);
        m_owner.m_pOverlay = &overlay;
        ASSERT_TRUE(overlay.Create());
    }
    static void StartSelection(CRectSelectWnd& overlay)
    {
        overlay.SetMode(CRectSelectWnd::SELECT_DRAG);
        RECT rcEmpty = {};
        overlay.SetSelectRect(&rcEmpty);
        overlay.SetSelecting(TRUE, FALSE);
        overlay.ShowWindow(SW_SHOW);
    }
    static bool AllCursorsAre(DWORD nShape)
    {
        for (DWORD nId : CRectSelectWnd::s_pnSystemCursors)
            if (g_cursors.ShapeOf(nId) != nShape)
                return false;
        return true;
    }
    static bool AllCursorsOriginal()
    {
        for (DWORD nId : CRectSelectWnd::s_pnSystemCursors)
            if (g_cursors.ShapeOf(nId) != nId)
                return false;
        return true;
    }
    static RECT WindowRect(CWnd& wnd)
    {
        RECT rc;
        wnd.GetWindowRect(&rc);
        return rc;
    }
};

} // namespace

TEST(ClampToScreen, KeepsEveryRectangleInsideAndAtLeastOnePixel)
{
    const RECT rcScreen = Rect(0, 0, 1280, 800);
    struct Case
    {
        RECT in, out;
    } cases[] = {
        {Rect(0, 0, 0, 0), Rect(0, 0, 1, 1)},
        {Rect(100, 100, 420, 340), Rect(100, 100, 420, 340)},
        {Rect(-50, -20, 300, 200), Rect(0, 0, 300, 200)},
        {Rect(1000, 700, 1500, 900), Rect(1000, 700, 1280, 800)},
        {Rect(1280, 800, 1300, 820), Rect(1279, 799, 1280, 800)},
        {Rect(2000, 1000, 2100, 1100), Rect(1279, 799, 1280, 800)},
        {Rect(500, 400, 500, 400), Rect(500, 400, 501, 401)},
        {Rect(500, 400, 300, 200), Rect(500, 400, 501, 401)},
        {Rect(-10, -10, -5, -5), Rect(0, 0, 1, 1)},
        {Rect(0, 0, 1280, 800), Rect(0, 0, 1280, 800)},
    };
    for (const Case& c : cases) {
        RECT rc = c.in;
        CRectSelectWnd::ClampToScreen(rc, rcScreen);
        EXPECT_TRUE(RectIs(c.out, rc)) << "from (" << c.in.left << "," << c.in.top << "," << c.in.right << ","
                                       << c.in.bottom << ")";
    }
}

TEST_F(RectSelectTest, CreatesAHiddenTopmostToolWindowAndDestroyOnlyOnce)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    EXPECT_TRUE(overlay.IsCreated());
    EXPECT_FALSE(overlay.IsWindowVisible());
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP), overlay.GetStyle() & (WS_POPUP | WS_CAPTION | WS_BORDER | WS_CHILD));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
              overlay.GetExStyle() & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    overlay.Destroy();
    EXPECT_FALSE(overlay.IsCreated());
    overlay.Destroy();
}

TEST_F(RectSelectTest, AnEmptySelectionShowsAsTheTopLeftPixel)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    overlay.SetMode(CRectSelectWnd::SELECT_DRAG);
    RECT rcEmpty = {};
    overlay.SetSelectRect(&rcEmpty);
    RECT rc;
    overlay.GetSelectRect(&rc);
    EXPECT_TRUE(RectIs(Rect(0, 0, 1, 1), rc));
    EXPECT_TRUE(RectIs(Rect(0, 0, 1, 1), WindowRect(overlay)));
    overlay.SetSelectRect(nullptr);
    overlay.GetSelectRect(nullptr);
}

TEST_F(RectSelectTest, FullScreenModeSelectsTheScreen)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    EXPECT_EQ(CRectSelectWnd::SELECT_FULLSCREEN, overlay.GetMode());
    overlay.Update();
    RECT rc;
    overlay.GetSelectRect(&rc);
    EXPECT_TRUE(RectIs(Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)), rc));
}

TEST_F(RectSelectTest, OnlyTheOnePixelFrameBelongsToTheWindowAndLockingMovesItOutside)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    overlay.SetMode(CRectSelectWnd::SELECT_DRAG);
    RECT rcSel = Rect(100, 100, 420, 340);
    overlay.SetSelectRect(&rcSel);
    EXPECT_TRUE(RectIs(rcSel, WindowRect(overlay)));

    CRgn rgn;
    ASSERT_TRUE(rgn.CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(overlay, rgn));
    EXPECT_TRUE(rgn.PtInRegion(0, 0));
    EXPECT_TRUE(rgn.PtInRegion(319, 239));
    EXPECT_TRUE(rgn.PtInRegion(160, 0));
    EXPECT_TRUE(rgn.PtInRegion(0, 120));
    EXPECT_FALSE(rgn.PtInRegion(1, 1));
    EXPECT_FALSE(rgn.PtInRegion(160, 120));
    EXPECT_FALSE(rgn.PtInRegion(318, 238));

    overlay.SetLocked(TRUE);
    EXPECT_TRUE(overlay.IsLocked());
    EXPECT_TRUE(RectIs(Rect(99, 99, 421, 341), WindowRect(overlay)));
    RECT rc;
    overlay.GetSelectRect(&rc);
    EXPECT_TRUE(RectIs(rcSel, rc));
    ASSERT_NE(ERROR, GetWindowRgn(overlay, rgn));
    RECT rcBox;
    rgn.GetRgnBox(&rcBox);
    EXPECT_TRUE(RectIs(Rect(0, 0, 322, 242), rcBox));
    EXPECT_FALSE(rgn.PtInRegion(1, 1));

    overlay.SetLocked(FALSE);
    EXPECT_TRUE(RectIs(rcSel, WindowRect(overlay)));
}

TEST_F(RectSelectTest, TheFrameIsPaintedAsDashesOfFourPixels)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    overlay.SetMode(CRectSelectWnd::SELECT_DRAG);
    RECT rcSel = Rect(200, 200, 520, 440);
    overlay.SetSelectRect(&rcSel);
    overlay.ShowWindow(SW_SHOWNOACTIVATE);
    overlay.Update();
    GdiFlush();
    HDC hDC = GetDC(overlay);
    int nBlack = 0, nWhite = 0, nChanges = 0;
    COLORREF prev = GetPixel(hDC, 0, 0);
    for (int x = 0; x < 320; ++x) {
        COLORREF c = GetPixel(hDC, x, 0);
        nBlack += c == RGB(0, 0, 0);
        nWhite += c == RGB(255, 255, 255);
        nChanges += c != prev;
        prev = c;
    }
    ReleaseDC(overlay, hDC);
    EXPECT_EQ(160, nBlack);
    EXPECT_EQ(160, nWhite);
    EXPECT_GE(nChanges, 78);
}

TEST_F(RectSelectTest, WhileLockedTheRectangleGoesToTheGrabberOnEveryTick)
{
    char szKey[MAX_PATH];
    CDriverSwitch::KeyPath("vidcapoverlay", szKey, sizeof(szKey));
    {
        CFakeDisplay display(1280, 800, 32);
        CScreenGrabber grabber("vidcapoverlay", VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
        ASSERT_EQ(1, grabber.Initialize());
        CRectSelectWnd overlay;
        Prepare(overlay);
        overlay.SetGrabber(&grabber);
        overlay.SetMode(CRectSelectWnd::SELECT_DRAG);
        RECT rcSel = Rect(100, 100, 420, 340), rcOther = Rect(0, 0, 64, 64), rc;
        grabber.SetCaptureRect(rcOther);
        overlay.SetSelectRect(&rcSel);
        grabber.GetCaptureRect(rc);
        EXPECT_TRUE(RectIs(rcOther, rc)) << "not locked: the grabber is left alone";

        overlay.SetLocked(TRUE);
        grabber.GetCaptureRect(rc);
        EXPECT_TRUE(RectIs(rcSel, rc));
        grabber.SetCaptureRect(rcOther);
        overlay.Update();
        grabber.GetCaptureRect(rc);
        EXPECT_TRUE(RectIs(rcSel, rc));
        overlay.SetLocked(FALSE);
        grabber.Shutdown();
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, szKey);
}

TEST_F(RectSelectTest, IdleOverlayHidesWhenTheMainWindowIsHidden)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    overlay.ShowWindow(SW_SHOWNOACTIVATE);
    overlay.Update();
    EXPECT_TRUE(overlay.IsWindowVisible()) << "main window visible: left as it is";
    m_owner.ShowWindow(SW_HIDE);
    overlay.Update();
    EXPECT_FALSE(overlay.IsWindowVisible());
}

TEST_F(RectSelectTest, SelectingHidesTheOwnerAndTurnsEveryCursorIntoTheCross)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    const UINT_PTR hCross = g_cursors.system[32515];
    StartSelection(overlay);
    EXPECT_TRUE(overlay.IsSelecting());
    EXPECT_TRUE(overlay.AreCursorsReplaced());
    EXPECT_FALSE(m_owner.IsWindowVisible());
    ASSERT_EQ(1u, m_owner.m_commands.size());
    EXPECT_EQ(static_cast<UINT>(SC_MINIMIZE), m_owner.m_commands[0]);
    EXPECT_TRUE(AllCursorsAre(32515));
    EXPECT_EQ(hCross, g_cursors.system[32515]) << "the cross itself is not replaced";
    EXPECT_EQ(0, g_cursors.nDestroyed);
    EXPECT_EQ(0, overlay.GetDragState());
}

TEST_F(RectSelectTest, AcceptingSendsTheToggleAndRestoresTheCursors)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    StartSelection(overlay);
    RECT rcSel = Rect(100, 100, 420, 340);
    overlay.SetSelectRect(&rcSel);
    overlay.SetSelecting(FALSE, FALSE);
    EXPECT_EQ(1, m_owner.m_nToggles);
    EXPECT_TRUE(RectIs(rcSel, m_owner.m_rcAtToggle));
    EXPECT_FALSE(overlay.IsSelecting());
    EXPECT_FALSE(overlay.AreCursorsReplaced());
    EXPECT_TRUE(AllCursorsOriginal());
    EXPECT_TRUE(overlay.IsLocked());
    EXPECT_TRUE(overlay.IsWindowVisible()) << "the overlay stays for the recording";
    EXPECT_TRUE(RectIs(Rect(99, 99, 421, 341), WindowRect(overlay)));
    overlay.SetSelecting(FALSE, FALSE);
    EXPECT_EQ(1, m_owner.m_nToggles) << "ending twice sends nothing more";
}

TEST_F(RectSelectTest, CancellingRestoresTheOwnerAndTheCursorsAndHidesTheOverlay)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    StartSelection(overlay);
    overlay.SetSelecting(FALSE, TRUE);
    EXPECT_EQ(0, m_owner.m_nToggles);
    EXPECT_TRUE(m_owner.IsWindowVisible());
    ASSERT_EQ(2u, m_owner.m_commands.size());
    EXPECT_EQ(static_cast<UINT>(SC_RESTORE), m_owner.m_commands[1]);
    EXPECT_FALSE(overlay.IsWindowVisible());
    EXPECT_TRUE(AllCursorsOriginal());
}

TEST_F(RectSelectTest, LockingDuringASelectionEndsItAndRestoresTheCursors)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    StartSelection(overlay);
    overlay.SetLocked(TRUE);
    EXPECT_FALSE(overlay.IsSelecting());
    EXPECT_TRUE(AllCursorsOriginal());
    EXPECT_EQ(0, m_owner.m_nToggles);
}

TEST_F(RectSelectTest, DestroyingTheWindowOrTheObjectRestoresTheCursors)
{
    {
        CRectSelectWnd overlay;
        Prepare(overlay);
        StartSelection(overlay);
        ASSERT_TRUE(AllCursorsAre(32515));
        overlay.Destroy();
        EXPECT_TRUE(AllCursorsOriginal());
        EXPECT_FALSE(overlay.IsSelecting());
    }
    g_cursors.Reset();
    {
        CRectSelectWnd overlay;
        Prepare(overlay);
        StartSelection(overlay);
        ASSERT_TRUE(AllCursorsAre(32515));
    }
    EXPECT_TRUE(AllCursorsOriginal());
}

TEST_F(RectSelectTest, StartingAgainDoesNotSaveTheCrossesAsTheCursorsToRestore)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    StartSelection(overlay);
    overlay.SetSelecting(TRUE, FALSE);
    overlay.SetLocked(TRUE);
    overlay.SetLocked(FALSE);
    StartSelection(overlay);
    StartSelection(overlay);
    EXPECT_TRUE(AllCursorsAre(32515));
    overlay.SetSelecting(FALSE, TRUE);
    EXPECT_TRUE(AllCursorsOriginal());
}

TEST_F(RectSelectTest, ACursorThatCannotBeReplacedIsSkippedAndItsCopyDestroyed)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    g_cursors.nFailingId = 32513;
    StartSelection(overlay);
    EXPECT_EQ(1, g_cursors.nDestroyed);
    EXPECT_EQ(32513u, g_cursors.ShapeOf(32513));
    EXPECT_EQ(32515u, g_cursors.ShapeOf(32512));
    EXPECT_EQ(32515u, g_cursors.ShapeOf(32650));
    overlay.SetSelecting(FALSE, TRUE);
    EXPECT_EQ(2, g_cursors.nDestroyed) << "the saved copy the system refused is destroyed too";
    g_cursors.nFailingId = 0;
    EXPECT_TRUE(AllCursorsOriginal());
}

TEST_F(RectSelectTest, CopiesASystemOnlySaysItTookAreDestroyed)
{
    CRectSelectWnd overlay;
    Prepare(overlay);
    g_cursors.bOnlySays = true;
    StartSelection(overlay);
    EXPECT_EQ(CRectSelectWnd::SYSTEM_CURSOR_COUNT - 1, g_cursors.nDestroyed) << "every cross copy";
    overlay.SetSelecting(FALSE, TRUE);
    EXPECT_EQ(2 * (CRectSelectWnd::SYSTEM_CURSOR_COUNT - 1), g_cursors.nDestroyed) << "and every saved copy";
    EXPECT_TRUE(AllCursorsOriginal());
}
