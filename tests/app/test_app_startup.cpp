// Start-up of the application object in this process, with the program's resources linked
// in: title, single instance, priority, language DLL chosen by the registry.
#include "app/COrvaneApp.h"
#include <gtest/gtest.h>
#include <fstream>
#include <string>

namespace {

struct CapturedBoxes
{
    int nCount = 0;
    std::string strText;
    std::string strCaption;
    UINT nType = 0;
} g_boxes;

int CaptureMessageBox(HWND, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    ++g_boxes.nCount;
    g_boxes.strText = lpszText;
    g_boxes.strCaption = lpszCaption;
    g_boxes.nType = nType;
    return IDOK;
}

std::string Ansi(const wchar_t* pwsz)
{
    int nBytes = WideCharToMultiByte(CP_ACP, 0, pwsz, -1, nullptr, 0, nullptr, nullptr);
    std::string str(nBytes > 0 ? nBytes - 1 : 0, '\0');
    if (nBytes > 1)
        WideCharToMultiByte(CP_ACP, 0, pwsz, -1, &str[0], nBytes, nullptr, nullptr);
    return str;
}

std::string Loaded(const CString& str)
{
    return std::string(static_cast<LPCSTR>(str));
}

std::string WindowText(HWND hWnd)
{
    char szText[512] = "";
    GetWindowTextA(hWnd, szText, sizeof(szText));
    return szText;
}

// Runs the message loop of a started application until its window is closed.
int CloseAndRun(COrvaneApp& app)
{
    app.GetMainDialog().PostMessage(WM_CLOSE);
    return app.Run();
}

class AppStartup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pfnOldHook = AfxSetMessageBoxHook(CaptureMessageBox);
        g_boxes = CapturedBoxes();
        RegCreateKeyExA(HKEY_CURRENT_USER, ORVANE_REGISTRY_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey,
                        nullptr);
        RegDeleteValueA(m_hKey, "Language");
        AfxSetInstanceHandle(GetModuleHandleA(nullptr));
    }

    void TearDown() override
    {
        AfxSetMessageBoxHook(m_pfnOldHook);
        RegDeleteValueA(m_hKey, "Language");
        RegCloseKey(m_hKey);
        RemoveLanguageTree();
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    }

    // bin\tests\UI\orvane\0804_Chinese\Base_Default.dll: a copy of the built one, or junk.
    // bValid: the built Chinese DLL; otherwise junk. pszSource: another module to use instead.
    void MakeChineseDll(bool bValid, const char* pszSource = "..\\UI\\orvane\\0804_Chinese\\Base_Default.dll")
    {
        CreateDirectoryA("UI", nullptr);
        CreateDirectoryA("UI\\orvane", nullptr);
        CreateDirectoryA("UI\\orvane\\0804_Chinese", nullptr);
        if (bValid) {
            ASSERT_TRUE(CopyFileA(pszSource, "UI\\orvane\\0804_Chinese\\Base_Default.dll", FALSE));
        } else {
            std::ofstream("UI\\orvane\\0804_Chinese\\Base_Default.dll") << "not a module";
        }
    }

    void RemoveLanguageTree()
    {
        DeleteFileA("UI\\orvane\\0804_Chinese\\Base_Default.dll");
        RemoveDirectoryA("UI\\orvane\\0804_Chinese");
        RemoveDirectoryA("UI\\orvane");
        RemoveDirectoryA("UI");
    }

    void SetLanguage(const void* pData, DWORD cbData, DWORD dwType = REG_SZ)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(m_hKey, "Language", 0, dwType, static_cast<const BYTE*>(pData), cbData));
    }

    AFX_MSGBOX_HOOK m_pfnOldHook = nullptr;
    HKEY m_hKey = nullptr;
};

} // namespace

TEST_F(AppStartup, TitleFromTheVersionResourcePriorityRaisedAndRestored)
{
    SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS);
    COrvaneApp app;
    EXPECT_EQ(static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS), app.GetSavedPriorityClass());
    ASSERT_TRUE(app.InitInstance());

    EXPECT_STREQ("Orvane 1.0.0.0", app.m_pszAppName);
    EXPECT_STREQ("Vantri", app.GetVersionRecord().m_strCompanyName);
    EXPECT_STREQ("1.0.0.0", app.GetVersionRecord().m_strFileVersionNumber);
    EXPECT_STREQ("Unknown OS", app.GetVersionRecord().m_strFileOS) << "the program declares dwFileOS 4";
    HWND hWnd = app.GetMainDialog().m_hWnd;
    ASSERT_TRUE(IsWindow(hWnd));
    EXPECT_EQ(&app.GetMainDialog(), app.m_pMainWnd);
    EXPECT_TRUE(IsWindowVisible(hWnd));
    EXPECT_EQ("Orvane 1.0.0.0", WindowText(hWnd));
    EXPECT_EQ(hWnd, FindWindowA(nullptr, "Orvane 1.0.0.0"));
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
    EXPECT_EQ(nullptr, app.GetLanguageModule().GetLoadedPath());

    // The working directory is the program's folder.
    char szModule[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, szModule, sizeof(szModule));
    *strrchr(szModule, '\\') = '\0';
    char szCurrent[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(szCurrent), szCurrent);
    EXPECT_EQ(0, lstrcmpiA(szModule, szCurrent));

    EXPECT_EQ(static_cast<DWORD>(ABOVE_NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    EXPECT_TRUE(app.HoldsInstanceMutex());

    EXPECT_EQ(0, CloseAndRun(app));
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    EXPECT_FALSE(app.HoldsInstanceMutex());
    HANDLE hMutex = OpenMutexA(SYNCHRONIZE, FALSE, ORVANE_MUTEX_NAME);
    EXPECT_EQ(nullptr, hMutex) << "the mutex is gone after exit";
    if (hMutex)
        CloseHandle(hMutex);
    EXPECT_EQ(0, g_boxes.nCount);
}

TEST_F(AppStartup, SecondInstanceBringsTheRunningWindowBackWithoutAMessage)
{
    // A running instance: its mutex and its (hidden, as in the tray) main window.
    HANDLE hMutex = CreateMutexA(nullptr, FALSE, ORVANE_MUTEX_NAME);
    ASSERT_NE(nullptr, hMutex);
    HWND hRunning = CreateWindowExA(WS_EX_APPWINDOW, "#32770", "Orvane 1.0.0.0", WS_POPUP | WS_CAPTION, 10, 10, 200,
                                    100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hRunning);
    EXPECT_FALSE(IsWindowVisible(hRunning));

    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    {
        COrvaneApp app;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(nullptr, app.GetMainDialog().m_hWnd);
        EXPECT_EQ(0, app.ExitInstance());
    }
    EXPECT_EQ(0, g_boxes.nCount) << g_boxes.strText;
    EXPECT_TRUE(IsWindowVisible(hRunning));
    EXPECT_EQ(hRunning, GetForegroundWindow());
    EXPECT_EQ(static_cast<DWORD>(NORMAL_PRIORITY_CLASS), GetPriorityClass(GetCurrentProcess()));
    DestroyWindow(hRunning);
    CloseHandle(hMutex);
}

TEST_F(AppStartup, SecondInstanceWithoutAWindowReportsIt)
{
    HANDLE hMutex = CreateMutexA(nullptr, FALSE, ORVANE_MUTEX_NAME);
    ASSERT_NE(nullptr, hMutex);
    {
        COrvaneApp app;
        EXPECT_FALSE(app.InitInstance());
        app.ExitInstance();
    }
    CString strExpected;
    strExpected.LoadString(IDS_ALREADY_RUNNING);
    EXPECT_EQ(1, g_boxes.nCount);
    EXPECT_EQ(Loaded(strExpected), g_boxes.strText);
    EXPECT_EQ("Orvane 1.0.0.0", g_boxes.strCaption);
    EXPECT_EQ(static_cast<UINT>(MB_SYSTEMMODAL | MB_ICONHAND), g_boxes.nType);
    CloseHandle(hMutex);
}

TEST_F(AppStartup, ChineseDllChosenByTheRegistryGivesCaptionAndStrings)
{
    MakeChineseDll(true);
    SetLanguage("0804", 5);
    COrvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    HINSTANCE hDll = app.GetLanguageModule().GetModule();
    ASSERT_NE(nullptr, hDll);
    EXPECT_EQ(hDll, AfxGetResourceHandle());

    // Title and caption from the DLL's own version resource.
    std::string strTitle = "Orvane " + Ansi(L"1.0.0.0 \x7B80\x4F53\x4E2D\x6587\x7248"); // 简体中文版
    EXPECT_EQ(strTitle, app.m_pszAppName);
    EXPECT_EQ(strTitle, WindowText(app.GetMainDialog().m_hWnd));
    EXPECT_EQ(Ansi(L"\x7248\x6743\x6240\x6709 (C) 2026 Vantri\x3002\x4FDD\x7559\x6240\x6709\x6743\x5229\x3002"),
              Loaded(app.GetVersionRecord().m_strLegalCopyright));

    // Strings, dialog and menu come from the DLL, in Chinese.
    const wchar_t* pwsz = nullptr;
    int nLength = LoadStringW(AfxGetResourceHandle(), IDS_CANNOT_START, reinterpret_cast<LPWSTR>(&pwsz), 0);
    ASSERT_GT(nLength, 0);
    EXPECT_EQ(std::wstring(L"\x65E0\x6CD5\x5F00\x59CB\x5F55\x5236\xFF01"),
              std::wstring(pwsz, nLength)); // 无法开始录制！
    CString str;
    ASSERT_TRUE(str.LoadString(IDS_CANNOT_START));
    EXPECT_EQ(Ansi(L"\x65E0\x6CD5\x5F00\x59CB\x5F55\x5236\xFF01"), Loaded(str));
    char szButton[64] = "";
    GetDlgItemTextA(app.GetMainDialog().m_hWnd, IDC_BTN_CHANGE_FOLDER, szButton, sizeof(szButton));
    EXPECT_EQ(Ansi(L"\x66F4\x6539"), szButton); // 更改
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_TRAY_MENU));
    CString strItem;
    menu.GetSubMenu(0)->GetMenuString(ID_TRAY_EXIT, strItem, MF_BYCOMMAND);
    EXPECT_EQ(Ansi(L"\x9000\x51FA"), Loaded(strItem)); // 退出

    EXPECT_EQ(0, CloseAndRun(app));
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle()) << "exit gives the program its resources back";
}

TEST_F(AppStartup, LanguageFolderWithoutAValidModuleKeepsTheProgramResources)
{
    MakeChineseDll(false);
    SetLanguage("0804", 5);
    COrvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(nullptr, app.GetLanguageModule().GetLoadedPath());
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
    EXPECT_STREQ("Orvane 1.0.0.0", app.m_pszAppName);
    char szButton[64] = "";
    GetDlgItemTextA(app.GetMainDialog().m_hWnd, IDC_BTN_CHANGE_FOLDER, szButton, sizeof(szButton));
    EXPECT_STREQ("Change", szButton);
    EXPECT_EQ(0, CloseAndRun(app));
}

TEST_F(AppStartup, LanguageDllWithoutVersionResourceTitlesTheWindowOrvane)
{
    // A resource module with a few strings and no version resource, dialog or icons.
    MakeChineseDll(true, "framework_module.dll");
    SetLanguage("0804", 5);
    COrvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_NE(nullptr, app.GetLanguageModule().GetLoadedPath());
    EXPECT_STREQ("Orvane", app.m_pszAppName);
    EXPECT_EQ("Orvane", WindowText(app.GetMainDialog().m_hWnd)) << "the dialog comes from the program";
    EXPECT_EQ(app.GetMainDialog().m_hWnd, FindWindowA(nullptr, "Orvane"));
    EXPECT_EQ(0, CloseAndRun(app));
}

TEST_F(AppStartup, BadLanguageValuesAreIgnored)
{
    MakeChineseDll(true);
    LANGID wUser = GetUserDefaultLangID();
    if (PRIMARYLANGID(wUser) == LANG_CHINESE)
        GTEST_SKIP() << "the user language itself chooses Chinese here";

    DWORD dwValue = 0x0804;
    SetLanguage(&dwValue, sizeof(dwValue), REG_DWORD);
    {
        COrvaneApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(nullptr, app.GetLanguageModule().GetLoadedPath());
        EXPECT_STREQ("Orvane 1.0.0.0", app.m_pszAppName);
        EXPECT_EQ(0, CloseAndRun(app));
    }
    std::string strLong = "0804" + std::string(300, '0');
    SetLanguage(strLong.c_str(), static_cast<DWORD>(strLong.size() + 1));
    {
        COrvaneApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(nullptr, app.GetLanguageModule().GetLoadedPath());
        EXPECT_STREQ("Orvane 1.0.0.0", app.m_pszAppName);
        EXPECT_EQ(0, CloseAndRun(app));
    }
    EXPECT_EQ(0, g_boxes.nCount);
}
