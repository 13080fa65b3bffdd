// The framework under Wine: message-map dispatch and reflection, dialogs and data exchange,
// the resource module switch, message boxes and window classes.
#include "framework/Afx.h"
#include "framework_test_ids.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const UINT WM_PROBE = WM_APP + 1;
const UINT WM_PROBE_BASE_ONLY = WM_APP + 2;
const UINT IDC_RANGE_FIRST = 100;
const UINT IDC_RANGE_LAST = 109;
const UINT IDC_CHILD = 500;

class CProbeWnd : public CWnd
{
public:
    BOOL CreateProbe()
    {
        return CreateEx(0, AfxRegisterWndClass(0), "probe", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr);
    }

    BOOL m_bHandleAtCreate = FALSE;
    std::vector<std::string> m_log;
    UINT m_nLastRangeId = 0;
    MSG m_currentAtHandler = {};
    UINT m_nHotKey[3] = {};
    int m_nChildClicks = 0;
    int m_nParentCtlColor = 0;

protected:
    int OnCreate(LPCREATESTRUCTA)
    {
        m_bHandleAtCreate = m_hWnd != nullptr;
        return 0;
    }
    void OnTimer(UINT_PTR nIDEvent) { m_log.push_back("timer " + std::to_string(nIDEvent)); }
    LRESULT OnProbe(WPARAM wParam, LPARAM lParam)
    {
        m_currentAtHandler = *GetCurrentMessage();
        m_log.push_back("base probe");
        return static_cast<LRESULT>(wParam + lParam);
    }
    LRESULT OnBaseOnly(WPARAM, LPARAM)
    {
        m_log.push_back("base only");
        return 7;
    }
    void OnHotKey(UINT nHotKeyId, UINT nKey1, UINT nKey2)
    {
        m_nHotKey[0] = nHotKeyId;
        m_nHotKey[1] = nKey1;
        m_nHotKey[2] = nKey2;
    }
    void OnRange(UINT nID) { m_nLastRangeId = nID; }
    void OnChildClicked() { ++m_nChildClicks; }
    void OnSelChange() { m_log.push_back("selchange"); }
    void OnCustomNotify(NMHDR* pNMHDR, LRESULT* pResult)
    {
        m_log.push_back("notify " + std::to_string(pNMHDR->idFrom));
        *pResult = 42;
    }
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT)
    {
        ++m_nParentCtlColor;
        return static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
ON_WM_CREATE()
ON_WM_TIMER()
ON_WM_HOTKEY()
ON_WM_CTLCOLOR()
ON_MESSAGE(WM_PROBE, OnProbe)
ON_MESSAGE(WM_PROBE_BASE_ONLY, OnBaseOnly)
ON_COMMAND_RANGE(IDC_RANGE_FIRST, IDC_RANGE_LAST, OnRange)
ON_BN_CLICKED(IDC_CHILD, OnChildClicked)
ON_CBN_SELCHANGE(IDC_CHILD, OnSelChange)
ON_NOTIFY(1234, 77, OnCustomNotify)
END_MESSAGE_MAP()

class CDerivedProbeWnd : public CProbeWnd
{
protected:
    LRESULT OnDerivedProbe(WPARAM wParam, LPARAM lParam)
    {
        m_log.push_back("derived probe");
        return static_cast<LRESULT>(wParam * lParam);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedProbeWnd, CProbeWnd)
ON_MESSAGE(WM_PROBE, OnDerivedProbe)
END_MESSAGE_MAP()

// A button that sees its own click first; m_bSwallow keeps it from the parent.
class CReflectButton : public CButton
{
public:
    BOOL m_bSwallow = FALSE;
    int m_nReflected = 0;
    int m_nDrawn = 0;
    HBRUSH m_hBrush = nullptr;

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override
    {
        if (lpDrawItemStruct && lpDrawItemStruct->CtlID == IDC_CHILD)
            ++m_nDrawn;
    }

protected:
    BOOL OnReflectedClick()
    {
        ++m_nReflected;
        return m_bSwallow;
    }
    HBRUSH CtlColor(CDC*, UINT) { return m_hBrush; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectButton, CButton)
ON_CONTROL_REFLECT_EX(BN_CLICKED, OnReflectedClick)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class CPlainReflectButton : public CButton
{
public:
    int m_nReflected = 0;

protected:
    void OnReflectedClick() { ++m_nReflected; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPlainReflectButton, CButton)
ON_CONTROL_REFLECT(BN_CLICKED, OnReflectedClick)
END_MESSAGE_MAP()

} // namespace

TEST(MessageMap, DispatchesWindowMessagesCommandsAndNotifications)
{
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateProbe());
    EXPECT_TRUE(wnd.m_bHandleAtCreate) << "the object is attached before WM_CREATE";
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));

    EXPECT_EQ(5, wnd.SendMessage(WM_PROBE, 2, 3));
    EXPECT_EQ(WM_PROBE, wnd.m_currentAtHandler.message);
    EXPECT_EQ(2u, wnd.m_currentAtHandler.wParam);
    EXPECT_EQ(wnd.m_hWnd, wnd.m_currentAtHandler.hwnd);

    wnd.SendMessage(WM_TIMER, 9);
    wnd.SendMessage(WM_HOTKEY, 0x33, MAKELPARAM(MOD_CONTROL, VK_F8));
    EXPECT_EQ(0x33u, wnd.m_nHotKey[0]);
    EXPECT_EQ(static_cast<UINT>(MOD_CONTROL), wnd.m_nHotKey[1]);
    EXPECT_EQ(static_cast<UINT>(VK_F8), wnd.m_nHotKey[2]);

    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(104, 0), 0);
    EXPECT_EQ(104u, wnd.m_nLastRangeId);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(110, 0), 0);
    EXPECT_EQ(104u, wnd.m_nLastRangeId) << "ids outside the range are not dispatched";
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHILD, CBN_SELCHANGE), 0);
    EXPECT_EQ(0, wnd.m_nChildClicks) << "the notification code selects the entry";

    NMHDR nm = {wnd.m_hWnd, 77, 1234};
    EXPECT_EQ(42, wnd.SendMessage(WM_NOTIFY, 77, reinterpret_cast<LPARAM>(&nm)));
    NMHDR other = {wnd.m_hWnd, 78, 1234};
    EXPECT_EQ(0, wnd.SendMessage(WM_NOTIFY, 78, reinterpret_cast<LPARAM>(&other)));

    std::vector<std::string> expected = {"base probe", "timer 9", "selchange", "notify 77"};
    EXPECT_EQ(expected, wnd.m_log);

    // Unhandled messages get default processing.
    wnd.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("default text"));
    CString strText;
    wnd.GetWindowText(strText);
    EXPECT_STREQ("default text", strText);

    HWND hWnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST(MessageMap, DerivedEntriesComeBeforeTheBaseClassMap)
{
    CDerivedProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateProbe());
    EXPECT_EQ(6, wnd.SendMessage(WM_PROBE, 2, 3));
    EXPECT_EQ(7, wnd.SendMessage(WM_PROBE_BASE_ONLY));
    std::vector<std::string> expected = {"derived probe", "base only"};
    EXPECT_EQ(expected, wnd.m_log);
}

TEST(MessageMap, NotificationsAreReflectedToTheControlFirst)
{
    CProbeWnd parent;
    ASSERT_TRUE(parent.CreateProbe());
    CReflectButton button;
    ASSERT_TRUE(button.Create("child", WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 40, 20), &parent, IDC_CHILD));

    LPARAM lButton = reinterpret_cast<LPARAM>(button.m_hWnd);
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHILD, BN_CLICKED), lButton);
    EXPECT_EQ(1, button.m_nReflected);
    EXPECT_EQ(1, parent.m_nChildClicks) << "a reflected handler returning FALSE lets the parent see it";

    button.m_bSwallow = TRUE;
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CHILD, BN_CLICKED), lButton);
    EXPECT_EQ(2, button.m_nReflected);
    EXPECT_EQ(1, parent.m_nChildClicks);

    // A real click through the button's own procedure takes the same path.
    button.m_bSwallow = FALSE;
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(3, button.m_nReflected);
    EXPECT_EQ(2, parent.m_nChildClicks);

    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = IDC_CHILD;
    dis.hwndItem = button.m_hWnd;
    EXPECT_EQ(TRUE, parent.SendMessage(WM_DRAWITEM, IDC_CHILD, reinterpret_cast<LPARAM>(&dis)));
    EXPECT_EQ(1, button.m_nDrawn);

    HDC hDC = GetDC(parent.m_hWnd);
    EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH)),
              parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(hDC), lButton));
    EXPECT_EQ(1, parent.m_nParentCtlColor) << "a null brush from the control leaves the parent to answer";
    button.m_hBrush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    EXPECT_EQ(reinterpret_cast<LRESULT>(button.m_hBrush),
              parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(hDC), lButton));
    EXPECT_EQ(1, parent.m_nParentCtlColor);
    ReleaseDC(parent.m_hWnd, hDC);
}

TEST(MessageMap, PlainReflectionKeepsTheNotificationFromTheParent)
{
    CProbeWnd parent;
    ASSERT_TRUE(parent.CreateProbe());
    CPlainReflectButton button;
    ASSERT_TRUE(button.Create("child", WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 40, 20), &parent, IDC_CHILD));
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(1, button.m_nReflected);
    EXPECT_EQ(0, parent.m_nChildClicks);
}

TEST(MessageMap, SubclassedWindowPassesUnhandledMessagesToItsOwnProcedure)
{
    HWND hWnd = CreateWindowExA(0, "STATIC", "before", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hWnd);
    WNDPROC pfnOriginal = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
    {
        CProbeWnd wnd;
        ASSERT_TRUE(wnd.SubclassWindow(hWnd));
        EXPECT_EQ(9, wnd.SendMessage(WM_PROBE, 4, 5));
        wnd.SetWindowText("after");
        char szText[32] = "";
        GetWindowTextA(hWnd, szText, sizeof(szText));
        EXPECT_STREQ("after", szText);
        EXPECT_EQ(hWnd, wnd.UnsubclassWindow());
        EXPECT_EQ(pfnOriginal, reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC)));
    }
    EXPECT_TRUE(IsWindow(hWnd)) << "a detached object leaves the window alone";
    DestroyWindow(hWnd);
}

TEST(Application, DestroyingTheMainWindowEndsTheMessageLoop)
{
    CWinApp app("Framework test");
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateProbe());
    app.m_pMainWnd = &wnd;
    wnd.PostMessage(WM_CLOSE);
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
}

namespace {

class CDataDialog : public CDialog
{
public:
    CDataDialog() : CDialog(IDD_TEST_DIALOG) {}

    CString m_strEdit = "hello";
    int m_nList = 1;
    CString m_strCombo = "1";
    int m_nSlider = 30;
    int m_nCheck = BST_CHECKED;
    BOOL m_bExchangeMissing = FALSE;
    BOOL m_bInitialised = FALSE;

protected:
    BOOL OnInitDialog() override
    {
        m_bInitialised = TRUE;
        CComboBox* pList = static_cast<CComboBox*>(GetDlgItem(IDC_TEST_LIST));
        for (LPCSTR psz : {"AVI file", "WMV file"})
            pList->AddString(psz);
        CComboBox* pCombo = static_cast<CComboBox*>(GetDlgItem(IDC_TEST_EDITCOMBO));
        for (LPCSTR psz : {"10", "15", "20"})
            pCombo->AddString(psz);
        SendDlgItemMessageA(m_hWnd, IDC_TEST_SLIDER, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
        return CDialog::OnInitDialog();
    }
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_TEST_EDIT, m_strEdit);
        DDX_CBIndex(pDX, IDC_TEST_LIST, m_nList);
        DDX_CBString(pDX, IDC_TEST_EDITCOMBO, m_strCombo);
        DDX_Slider(pDX, IDC_TEST_SLIDER, m_nSlider);
        DDX_Check(pDX, IDC_TEST_CHECK, m_nCheck);
        if (m_bExchangeMissing)
            DDX_Check(pDX, 999, m_nCheck);
    }
};

CString DlgItemText(HWND hDlg, int nID)
{
    char szText[256] = "";
    GetDlgItemTextA(hDlg, nID, szText, sizeof(szText));
    return szText;
}

} // namespace

TEST(Dialog, ModelessDialogExchangesDataBothWays)
{
    CDataDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    EXPECT_TRUE(dlg.m_bInitialised);
    HWND hDlg = dlg.m_hWnd;

    // Members to controls (at initialisation).
    EXPECT_STREQ("hello", DlgItemText(hDlg, IDC_TEST_EDIT));
    EXPECT_EQ(1, SendDlgItemMessageA(hDlg, IDC_TEST_LIST, CB_GETCURSEL, 0, 0));
    EXPECT_STREQ("1", DlgItemText(hDlg, IDC_TEST_EDITCOMBO)) << "no prefix match: 1 stays 1, not 10";
    EXPECT_EQ(CB_ERR, SendDlgItemMessageA(hDlg, IDC_TEST_EDITCOMBO, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(30, SendDlgItemMessageA(hDlg, IDC_TEST_SLIDER, TBM_GETPOS, 0, 0));
    EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(hDlg, IDC_TEST_CHECK, BM_GETCHECK, 0, 0));

    // Controls to members.
    SetDlgItemTextA(hDlg, IDC_TEST_EDIT, "changed");
    SendDlgItemMessageA(hDlg, IDC_TEST_LIST, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(hDlg, IDC_TEST_EDITCOMBO, CB_SETCURSEL, 2, 0);
    SendDlgItemMessageA(hDlg, IDC_TEST_SLIDER, TBM_SETPOS, TRUE, 75);
    SendDlgItemMessageA(hDlg, IDC_TEST_CHECK, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_STREQ("changed", dlg.m_strEdit);
    EXPECT_EQ(0, dlg.m_nList);
    EXPECT_STREQ("20", dlg.m_strCombo);
    EXPECT_EQ(75, dlg.m_nSlider);
    EXPECT_EQ(BST_UNCHECKED, dlg.m_nCheck);

    // An exact item text selects the item.
    dlg.m_strCombo = "15";
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_EQ(1, SendDlgItemMessageA(hDlg, IDC_TEST_EDITCOMBO, CB_GETCURSEL, 0, 0));

    // A control that is not there fails the exchange instead of throwing.
    dlg.m_bExchangeMissing = TRUE;
    EXPECT_FALSE(dlg.UpdateData(TRUE));

    // Enter and Escape reach OnOK/OnCancel through the map; for a modeless dialog they hide it.
    dlg.ShowWindow(SW_SHOW);
    dlg.SendMessage(WM_COMMAND, IDCANCEL);
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.DestroyWindow();
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

namespace {

// DLGTEMPLATE, then menu, class and title (each an empty WORD array), no controls.
struct InMemoryTemplate
{
    DLGTEMPLATE dlg;
    WORD wMenu = 0;
    WORD wClass = 0;
    WORD wTitle = 0;
};

class CMemoryDialog : public CDialog
{
public:
    explicit CMemoryDialog(UINT nEndCommand) : m_nEndCommand(nEndCommand)
    {
        m_template.dlg = {};
        m_template.dlg.style = WS_POPUP;
        m_template.dlg.cx = 400;
        m_template.dlg.cy = 200;
        InitModalIndirect(&m_template.dlg);
    }
    BOOL m_bInitialised = FALSE;
    BOOL m_bOkCalled = FALSE;

protected:
    BOOL OnInitDialog() override
    {
        m_bInitialised = TRUE;
        CDialog::OnInitDialog();
        PostMessage(WM_COMMAND, m_nEndCommand);
        return TRUE;
    }
    void OnOK() override
    {
        m_bOkCalled = TRUE;
        CDialog::OnOK();
    }

private:
    InMemoryTemplate m_template;
    UINT m_nEndCommand;
};

} // namespace

TEST(Dialog, ModalDialogFromAnInMemoryTemplate)
{
    CMemoryDialog dlgOk(IDOK);
    EXPECT_EQ(IDOK, dlgOk.DoModal());
    EXPECT_TRUE(dlgOk.m_bInitialised);
    EXPECT_TRUE(dlgOk.m_bOkCalled);
    EXPECT_EQ(nullptr, dlgOk.m_hWnd);

    CMemoryDialog dlgCancel(IDCANCEL);
    EXPECT_EQ(IDCANCEL, dlgCancel.DoModal());
    EXPECT_FALSE(dlgCancel.m_bOkCalled);
    // The same object runs again.
    EXPECT_EQ(IDCANCEL, dlgCancel.DoModal());
}

namespace {

class ResourceModule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hModule = LoadLibraryA("framework_module.dll");
        ASSERT_NE(nullptr, m_hModule);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        if (m_hModule)
            FreeLibrary(m_hModule);
    }
    HMODULE m_hModule = nullptr;
};

struct CapturedBox
{
    int nCount = 0;
    std::string strText;
    std::string strCaption;
    UINT nType = 0;
};
CapturedBox g_box;

int CaptureMessageBox(HWND, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    ++g_box.nCount;
    g_box.strText = lpszText;
    g_box.strCaption = lpszCaption;
    g_box.nType = nType;
    return IDOK;
}

} // namespace

TEST_F(ResourceModule, StringsComeFromTheModuleWithTheProgramFillingGaps)
{
    HINSTANCE hProgram = GetModuleHandleA(nullptr);
    EXPECT_EQ(hProgram, AfxGetResourceHandle());
    CString str;
    EXPECT_TRUE(str.LoadString(IDS_TEST_BOTH));
    EXPECT_STREQ("from the program", str);

    AfxSetResourceHandle(m_hModule);
    EXPECT_EQ(m_hModule, AfxGetResourceHandle());
    EXPECT_TRUE(str.LoadString(IDS_TEST_BOTH));
    EXPECT_STREQ("from the module", str);
    EXPECT_TRUE(str.LoadString(IDS_TEST_MODULE_ONLY));
    EXPECT_STREQ("module only", str);
    EXPECT_TRUE(str.LoadString(IDS_TEST_PROGRAM_ONLY));
    EXPECT_STREQ("program only", str);
    EXPECT_FALSE(str.LoadString(9999));
    EXPECT_TRUE(str.IsEmpty());

    EXPECT_EQ(m_hModule, AfxFindResourceHandle(MAKEINTRESOURCEA(IDD_TEST_MODULE_DIALOG), MAKEINTRESOURCEA(5)));
    EXPECT_EQ(hProgram, AfxFindResourceHandle(MAKEINTRESOURCEA(IDD_TEST_DIALOG), MAKEINTRESOURCEA(5)));
    EXPECT_EQ(m_hModule, AfxFindResourceHandle(MAKEINTRESOURCEA(4242), MAKEINTRESOURCEA(5)));

    // A dialog template missing from the module is taken from the program.
    CDataDialog dlg;
    EXPECT_TRUE(dlg.Create(IDD_TEST_DIALOG));
    dlg.DestroyWindow();

    AfxSetResourceHandle(hProgram);
    EXPECT_TRUE(str.LoadString(IDS_TEST_BOTH));
    EXPECT_STREQ("from the program", str);
}

TEST_F(ResourceModule, MessageBoxTakesItsTextByNumberAndTheApplicationName)
{
    CWinApp app("Probe title 1.0");
    AFX_MSGBOX_HOOK pfnOld = AfxSetMessageBoxHook(CaptureMessageBox);
    g_box = CapturedBox();
    AfxSetResourceHandle(m_hModule);
    EXPECT_EQ(IDOK, AfxMessageBox(IDS_TEST_BOTH, MB_SYSTEMMODAL | MB_ICONHAND));
    AfxSetMessageBoxHook(pfnOld);
    EXPECT_EQ(1, g_box.nCount);
    EXPECT_EQ("from the module", g_box.strText);
    EXPECT_EQ("Probe title 1.0", g_box.strCaption);
    EXPECT_EQ(static_cast<UINT>(MB_SYSTEMMODAL | MB_ICONHAND), g_box.nType);
}

TEST(String, LoadsStringsLongerThanAFixedBuffer)
{
    CString str;
    ASSERT_TRUE(str.LoadString(IDS_TEST_LONG));
    EXPECT_GT(str.GetLength(), 256);
    EXPECT_EQ(0, strcmp(static_cast<LPCSTR>(str) + str.GetLength() - 4, "end."));
}

TEST(String, EditingAndFormatting)
{
    CString str;
    str.Format("%s %d.%d", "Orvane", 1, 0);
    EXPECT_STREQ("Orvane 1.0", str);
    EXPECT_STREQ("Orvane", str.Left(str.Find(' ')));
    EXPECT_STREQ("1.0", str.Mid(str.ReverseFind(' ') + 1));
    EXPECT_EQ(0, str.CompareNoCase("ORVANE 1.0"));
    LPSTR psz = str.GetBuffer(260);
    strcpy(psz, "short");
    str.ReleaseBuffer();
    EXPECT_EQ(5, str.GetLength());
}

TEST(WindowClass, RegisteredOncePerAttributeSet)
{
    LPCSTR lpszFirst = AfxRegisterWndClass(0);
    LPCSTR lpszAgain = AfxRegisterWndClass(0);
    LPCSTR lpszOther = AfxRegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW));
    ASSERT_NE(nullptr, lpszFirst);
    EXPECT_EQ(lpszFirst, lpszAgain);
    EXPECT_STRNE(lpszFirst, lpszOther);
    WNDCLASSA wc = {};
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), lpszOther, &wc));
    EXPECT_EQ(static_cast<UINT>(CS_DBLCLKS), wc.style);
}

TEST(Controls, MenuAndToolTips)
{
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateProbe());
    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&wnd));
    CButton button;
    ASSERT_TRUE(button.Create("tool", WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 40, 20), &wnd, IDC_CHILD));
    EXPECT_TRUE(tips.AddTool(&button, "Tip"));
    EXPECT_EQ(1, tips.GetToolCount());
    tips.DelTool(&button);
    EXPECT_EQ(0, tips.GetToolCount());

    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 11, "First"));
    EXPECT_TRUE(menu.AppendMenu(MF_STRING, 12, "Second"));
    EXPECT_TRUE(menu.DeleteMenu(0, MF_BYPOSITION));
    EXPECT_TRUE(menu.InsertMenu(0, MF_BYPOSITION | MF_STRING, 11, "Again"));
    CString str;
    menu.GetMenuString(0, str, MF_BYPOSITION);
    EXPECT_STREQ("Again", str);
    EXPECT_EQ(11u, menu.GetMenuItemID(0));
}

TEST(Gdi, WrappersOwnTheirHandles)
{
    HGDIOBJ hBrush = nullptr;
    {
        CBrush brush(RGB(1, 2, 3));
        hBrush = brush.m_hObject;
        LOGBRUSH lb = {};
        EXPECT_EQ(static_cast<int>(sizeof(lb)), brush.GetObject(sizeof(lb), &lb));
        EXPECT_EQ(RGB(1, 2, 3), lb.lbColor);
    }
    LOGBRUSH lb = {};
    EXPECT_EQ(0, GetObjectA(hBrush, sizeof(lb), &lb)) << "deleted with its wrapper";

    CClientDC screen(nullptr);
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(&screen));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&screen, 8, 8));
    HGDIOBJ hOld = dc.SelectObject(&bitmap);
    dc.FillSolidRect(CRect(0, 0, 8, 8), RGB(10, 20, 30));
    EXPECT_EQ(RGB(10, 20, 30), dc.GetPixel(3, 3));
    dc.SelectObject(hOld);

    CRgn rgn;
    ASSERT_TRUE(rgn.CreateRectRgn(0, 0, 10, 10));
    CRgn other;
    ASSERT_TRUE(other.CreateRectRgn(5, 5, 20, 20));
    EXPECT_EQ(COMPLEXREGION, rgn.CombineRgn(&rgn, &other, RGN_OR));
    CRect box;
    rgn.GetRgnBox(&box);
    EXPECT_EQ(CRect(0, 0, 20, 20), box);
}
