// The program started in this process, with its resources linked in, where start-up meets the
// platform: a capture driver that cannot start, a hotkey held elsewhere, the window thread's
// apartment, the tray icon after minimising and after the shell restarts, the XviD key, a
// language DLL whose formats differ from the program's, and a language DLL with code.
#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "app/COrvaneApp.h"
#include "sysinfo/FormatText.h"
#include "video/CDriverSwitch.h"

namespace {

// Answers every message box of this thread with OK once it is set up, and keeps its text.
class CMessageBoxAnswer
{
public:
    CMessageBoxAnswer() { m_hHook = SetWindowsHookExA(WH_CALLWNDPROCRET, Hook, nullptr, GetCurrentThreadId()); }
    ~CMessageBoxAnswer() { UnhookWindowsHookEx(m_hHook); }
    static std::vector<std::string> s_texts;

private:
    static LRESULT CALLBACK Hook(int nCode, WPARAM wParam, LPARAM lParam)
    {
        const CWPRETSTRUCT* pCall = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        HWND hWnd = pCall->hwnd;
        char szClass[16] = "";
        if (nCode == HC_ACTION && pCall->message == WM_INITDIALOG && GetClassNameA(hWnd, szClass, sizeof(szClass)) &&
            lstrcmpA(szClass, "#32770") == 0 && GetDlgItem(hWnd, 0xFFFF) && !GetDlgItem(hWnd, IDC_CMB_HOTKEY)) {
            char szText[1024] = "";
            GetDlgItemTextA(hWnd, 0xFFFF, szText, sizeof(szText));
            s_texts.push_back(szText);
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        }
        return CallNextHookEx(nullptr, nCode, wParam, lParam);
    }
    HHOOK m_hHook = nullptr;
};
std::vector<std::string> CMessageBoxAnswer::s_texts;

struct TrayCall
{
    DWORD dwMessage;
    NOTIFYICONDATAA data;
};
std::vector<TrayCall> g_trayCalls;

// Balloons stay away from the shell: it shows each for seconds, over the tests that follow.
BOOL WINAPI RecordTrayCall(DWORD dwMessage, PNOTIFYICONDATAA pData)
{
    g_trayCalls.push_back({dwMessage, *pData});
    return (pData->uFlags & NIF_INFO) ? TRUE : Shell_NotifyIconA(dwMessage, pData);
}

LONG WINAPI RefuseEveryKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, const LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD)
{
    return ERROR_ACCESS_DENIED;
}

std::string Text(UINT nId, HINSTANCE hModule = nullptr)
{
    CString str;
    if (hModule)
        str.LoadString(hModule, nId);
    else
        str.LoadString(nId);
    return static_cast<LPCSTR>(str);
}

class WindowPlatform : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CMessageBoxAnswer::s_texts.clear();
        g_trayCalls.clear();
        AfxSetInstanceHandle(GetModuleHandleA(nullptr));
        RegDeleteTreeA(HKEY_CURRENT_USER, ORVANE_REGISTRY_KEY);
    }

    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, ORVANE_REGISTRY_KEY);
        DeleteFileA("UI\\orvane\\0804_Chinese\\Base_Default.dll");
        RemoveDirectoryA("UI\\orvane\\0804_Chinese");
        RemoveDirectoryA("UI\\orvane");
        RemoveDirectoryA("UI");
        SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    }

    void StoreDword(const char* pszName, DWORD dwValue)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, ORVANE_REGISTRY_KEY, pszName, REG_DWORD, &dwValue,
                                                 sizeof(dwValue)));
    }

    DWORD StoredDword(const char* pszName)
    {
        DWORD dwValue = 0xDEAD, cbValue = sizeof(dwValue);
        RegGetValueA(HKEY_CURRENT_USER, ORVANE_REGISTRY_KEY, pszName, RRF_RT_REG_DWORD, nullptr, &dwValue, &cbValue);
        return dwValue;
    }

    // The given module as the Chinese language DLL, chosen by the registry.
    void UseLanguageDll(const char* pszModule)
    {
        CreateDirectoryA("UI", nullptr);
        CreateDirectoryA("UI\\orvane", nullptr);
        CreateDirectoryA("UI\\orvane\\0804_Chinese", nullptr);
        ASSERT_TRUE(CopyFileA(pszModule, "UI\\orvane\\0804_Chinese\\Base_Default.dll", FALSE));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueA(HKEY_CURRENT_USER, ORVANE_REGISTRY_KEY, "Language", REG_SZ, "0804", 5));
    }

    static int CloseAndRun(COrvaneApp& app)
    {
        app.GetMainDialog().PostMessage(WM_CLOSE);
        return app.Run();
    }
};

// Another program's hotkey, taken by a window of this test.
class CHeldKey
{
public:
    CHeldKey(UINT nModifiers, UINT nVirtKey)
    {
        m_hWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        m_bHeld = RegisterHotKey(m_hWnd, 0x5151, nModifiers, nVirtKey) != FALSE;
    }
    ~CHeldKey()
    {
        UnregisterHotKey(m_hWnd, 0x5151);
        DestroyWindow(m_hWnd);
    }
    bool IsHeld() const { return m_bHeld; }

private:
    HWND m_hWnd = nullptr;
    bool m_bHeld = false;
};

} // namespace

TEST_F(WindowPlatform, FailedDriverStartReportsItAndKeepsTheStoredSettings)
{
    StoreDword("Video FPS", 25);
    StoreDword("Audio Quality", 2);
    CDriverSwitch::CreateKeyFunction pfnOld = CDriverSwitch::SetCreateKeyFunction(RefuseEveryKey);
    {
        CMessageBoxAnswer answer;
        COrvaneApp app;
        app.InitInstance();
        EXPECT_FALSE(IsWindow(app.GetMainDialog().m_hWnd)) << "the window closes";
        app.ExitInstance();
    }
    CDriverSwitch::SetCreateKeyFunction(pfnOld);
    ASSERT_EQ(1u, CMessageBoxAnswer::s_texts.size());
    EXPECT_EQ(Text(IDS_DRIVER_FAILED), CMessageBoxAnswer::s_texts[0]);
    EXPECT_EQ(25u, StoredDword("Video FPS"));
    EXPECT_EQ(2u, StoredDword("Audio Quality"));
    EXPECT_EQ(0xDEADu, StoredDword("Video Format")) << "nothing was saved";
}

TEST_F(WindowPlatform, OnlyTheStoredHotkeyIsRegisteredOnce)
{
    CHeldKey f8(0, VK_F8);
    ASSERT_TRUE(f8.IsHeld());
    // Another key stored: F8 held elsewhere is none of this user's business.
    const DWORD dwCtrlF9 = CHotKey::Pack(VK_F9, FALSE, TRUE, FALSE);
    StoreDword("Start HotKey", dwCtrlF9);
    {
        CMessageBoxAnswer answer;
        COrvaneApp app;
        ASSERT_TRUE(app.InitInstance());
        CHotKey& hotKey = app.GetMainDialog().Recording().HotKey();
        EXPECT_TRUE(hotKey.IsRegistered());
        EXPECT_EQ(dwCtrlF9, hotKey.Value());
        EXPECT_EQ(0, CloseAndRun(app));
    }
    EXPECT_TRUE(CMessageBoxAnswer::s_texts.empty()) << CMessageBoxAnswer::s_texts[0];

    // F8 stored and held: said once.
    StoreDword("Start HotKey", CHotKey::DEFAULT_VALUE);
    {
        CMessageBoxAnswer answer;
        COrvaneApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_FALSE(app.GetMainDialog().Recording().HotKey().IsRegistered());
        EXPECT_EQ(0, CloseAndRun(app));
    }
    ASSERT_EQ(1u, CMessageBoxAnswer::s_texts.size());
    EXPECT_NE(std::string::npos,
              CMessageBoxAnswer::s_texts[0].find("<" + std::string(CHotKey::Text(CHotKey::DEFAULT_VALUE)) + ">"));
}

TEST_F(WindowPlatform, WindowThreadIsAnOleApartmentAndTheXvidKeyIsCreated)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\GNU\\XviD");
    // The folder browser needs a single-threaded apartment on the window's thread (the AVI
    // library, started by the window's constructor, may have made one already).
    {
        COrvaneApp app;
        ASSERT_TRUE(app.InitInstance());
        APTTYPE type = APTTYPE_CURRENT;
        APTTYPEQUALIFIER qualifier;
        ASSERT_EQ(S_OK, CoGetApartmentType(&type, &qualifier));
        EXPECT_TRUE(type == APTTYPE_MAINSTA || type == APTTYPE_STA) << type;
        EXPECT_EQ(0, CloseAndRun(app));
    }

    DWORD dwStatus = 0xDEAD, cbStatus = sizeof(dwStatus);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "Software\\GNU\\XviD", "display_status", RRF_RT_REG_DWORD,
                                          nullptr, &dwStatus, &cbStatus));
    EXPECT_EQ(0u, dwStatus);
}

TEST_F(WindowPlatform, TrayShowsTheRestoreHintAndComesBackAfterTheShellRestarts)
{
    COrvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    COrvaneDlg& dlg = app.GetMainDialog();
    dlg.Recording().Tray().SetNotifyFunction(RecordTrayCall);
    const std::string strName = app.m_pszAppName;

    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_MINIMIZE, BN_CLICKED), 0);
    EXPECT_FALSE(dlg.IsWindowVisible());
    bool bBalloon = false;
    for (const TrayCall& call : g_trayCalls) {
        if (call.dwMessage == NIM_MODIFY && call.data.uFlags == NIF_INFO) {
            EXPECT_EQ(Text(IDS_RESTORE_HINT), call.data.szInfo);
            EXPECT_EQ(strName, call.data.szInfoTitle);
            EXPECT_EQ(static_cast<DWORD>(NIIF_INFO | NIIF_NOSOUND), call.data.dwInfoFlags);
            bBalloon = true;
        }
    }
    EXPECT_TRUE(bBalloon) << "no balloon on minimising";

    // The shell's notification area starts again, empty.
    const UINT nTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    g_trayCalls.clear();
    dlg.SendMessage(nTaskbarCreated);
    ASSERT_LE(1u, g_trayCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_trayCalls[0].dwMessage);
    EXPECT_EQ(static_cast<UINT>(CTrayIcon::TRAY_ICON_ID), g_trayCalls[0].data.uID);
    EXPECT_TRUE(g_trayCalls[0].data.uFlags & NIF_ICON);
    EXPECT_EQ(std::string(CTrayIcon::MinimizedTip(strName.c_str())).substr(0, CTrayIcon::TIP_CHARS),
              g_trayCalls.back().data.szTip);

    // While recording it comes back with the recording's tip.
    dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    RECT rect = {100, 100, 228, 228};
    dlg.Recording().Overlay().SetSelectRect(&rect);
    dlg.SendMessage(WM_RECORD_TOGGLE);
    ASSERT_TRUE(dlg.Recording().IsRecording());
    // Paused, the icon is set once; the ticks after that change only the tip, also after the
    // shell starts again.
    dlg.Recording().TogglePause();
    g_trayCalls.clear();
    dlg.Recording().OnBlinkTimer();
    dlg.Recording().OnBlinkTimer();
    dlg.SendMessage(nTaskbarCreated);
    dlg.Recording().OnBlinkTimer();
    ASSERT_EQ(5u, g_trayCalls.size());
    const auto setsIcon = [](const TrayCall& call) { return (call.data.uFlags & NIF_ICON) != 0; };
    EXPECT_FALSE(setsIcon(g_trayCalls[0]) || setsIcon(g_trayCalls[1]) || setsIcon(g_trayCalls[4]));
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_trayCalls[2].dwMessage);
    EXPECT_TRUE(setsIcon(g_trayCalls[3])) << "the paused icon is not set again after the shell's restart";
    dlg.Recording().TogglePause();
    g_trayCalls.clear();
    dlg.SendMessage(nTaskbarCreated);
    dlg.SendMessage(WM_RECORD_TOGGLE);
    EXPECT_FALSE(dlg.Recording().IsRecording());
    ASSERT_LE(2u, g_trayCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_trayCalls[0].dwMessage);
    EXPECT_EQ(0u, std::string(g_trayCalls[1].data.szTip).find("Recording 00:00:0")) << g_trayCalls[1].data.szTip;
    EXPECT_NE(std::string::npos, std::string(g_trayCalls[1].data.szTip).find("press <F8> to stop."));
    DeleteFileA(dlg.Recording().FileName());
    EXPECT_EQ(0, CloseAndRun(app));
}

TEST_F(WindowPlatform, TranslatedFormatsAreUsedOnlyWithTheProgramsArguments)
{
    EXPECT_TRUE(SameFormatArguments("<%s> 100%% %-5d", "[%s] %d%%"));
    EXPECT_FALSE(SameFormatArguments("%s %s", "%s"));
    EXPECT_FALSE(SameFormatArguments("%d", "%s"));
    EXPECT_FALSE(SameFormatArguments("%*s", "%s"));
    EXPECT_FALSE(SameFormatArguments("%n", "%n"));

    // Its text of the taken hotkey asks for a number and two texts.
    UseLanguageDll("bad_format_lang.dll");
    CHeldKey f8(0, VK_F8);
    ASSERT_TRUE(f8.IsHeld());
    {
        CMessageBoxAnswer answer;
        COrvaneApp app;
        ASSERT_TRUE(app.InitInstance());
        ASSERT_NE(nullptr, app.GetLanguageModule().GetLoadedPath());
        CString strExpected;
        strExpected.Format(Text(IDS_HOTKEY_IN_USE, AfxGetInstanceHandle()).c_str(),
                           static_cast<LPCSTR>(CHotKey::Text(CHotKey::DEFAULT_VALUE)));
        ASSERT_EQ(1u, CMessageBoxAnswer::s_texts.size());
        EXPECT_EQ(std::string(strExpected), CMessageBoxAnswer::s_texts[0]);
        // A translation with the same arguments is used.
        EXPECT_EQ(Text(IDS_STOP_HINT), std::string(LoadFormatString(IDS_STOP_HINT)));
        EXPECT_NE(Text(IDS_STOP_HINT, AfxGetInstanceHandle()), Text(IDS_STOP_HINT));
        EXPECT_EQ(0, CloseAndRun(app));
    }
}

TEST_F(WindowPlatform, LanguageDllIsReadAsResourcesAndNeverRun)
{
    // The Chinese resources in a DLL whose entry point leaves a mark when it runs.
    UseLanguageDll("planted_lang.dll");
    COrvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    ASSERT_NE(nullptr, app.GetLanguageModule().GetLoadedPath());
    HANDLE hMark = OpenEventA(SYNCHRONIZE, FALSE, "OrvanePlantedDllRan");
    EXPECT_EQ(nullptr, hMark) << "the DLL's code ran";
    if (hMark)
        CloseHandle(hMark);

    // Version, strings and pictures come from it: the caption, and the skinned window.
    EXPECT_NE(std::string::npos, std::string(app.m_pszAppName).find("1.0.0.0 "));
    EXPECT_STRNE("Orvane 1.0.0.0", app.m_pszAppName);
    EXPECT_NE(Text(IDS_CANNOT_START, AfxGetInstanceHandle()), Text(IDS_CANNOT_START));
    RECT client;
    ::GetClientRect(app.GetMainDialog().m_hWnd, &client);
    EXPECT_EQ(512, client.right);
    EXPECT_EQ(416, client.bottom);
    HRGN hRegion = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(COMPLEXREGION, GetWindowRgn(app.GetMainDialog().m_hWnd, hRegion)) << "the skin's shape";
    DeleteObject(hRegion);
    EXPECT_EQ(0, CloseAndRun(app));
}
