// The hotkey value, its names, the key list and registration with rollback against a key
// held by another process; the tray icon's calls (real ones under Wine, and recorded ones
// for their contents), its texts from the string table and the tray menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CHotKey.h"
#include "app/CTrayIcon.h"
#include "framework/CMenu.h"
#include "res/resource.h"

namespace {

HWND CreateTestWindow(const char* pszClass = "STATIC", DWORD dwStyle = WS_POPUP)
{
    return CreateWindowExA(0, pszClass, "hotkey tray test", dwStyle, 0, 0, 200, 200, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// True when nobody holds the key combination (checked by taking and giving it back).
bool IsFree(UINT nModifiers, UINT nVirtKey)
{
    HWND hWnd = CreateTestWindow();
    bool bFree = RegisterHotKey(hWnd, 0x7777, nModifiers, nVirtKey) != FALSE;
    if (bFree)
        UnregisterHotKey(hWnd, 0x7777);
    DestroyWindow(hWnd);
    return bFree;
}

// Another process that holds one key combination while it runs.
class CHolder
{
public:
    CHolder(UINT nModifiers, UINT nVirtKey)
    {
        m_hReady = CreateEventA(nullptr, TRUE, FALSE, "OrvaneHotkeyHolderReady");
        m_hQuit = CreateEventA(nullptr, TRUE, FALSE, "OrvaneHotkeyHolderQuit");
        ResetEvent(m_hReady);
        ResetEvent(m_hQuit);
        char szCommand[MAX_PATH];
        snprintf(szCommand, sizeof(szCommand), "hotkey_holder.exe %u %u", nModifiers, nVirtKey);
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        if (CreateProcessA(nullptr, szCommand, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi))
            m_bReady = WaitForSingleObject(m_hReady, 20000) == WAIT_OBJECT_0;
    }
    ~CHolder()
    {
        SetEvent(m_hQuit);
        if (m_pi.hProcess) {
            WaitForSingleObject(m_pi.hProcess, 20000);
            CloseHandle(m_pi.hThread);
            CloseHandle(m_pi.hProcess);
        }
        CloseHandle(m_hQuit);
        CloseHandle(m_hReady);
    }
    bool m_bReady = false;

private:
    HANDLE m_hReady, m_hQuit;
    PROCESS_INFORMATION m_pi = {};
};

// The layout's own name of a key, looked up directly.
std::string LayoutName(UINT nVirtKey)
{
    char szName[64] = "";
    GetKeyNameTextA(static_cast<LONG>(MapVirtualKeyA(nVirtKey, 0) << 16), szName, sizeof(szName));
    return szName;
}

// Recorded tray calls.
struct TrayCall
{
    DWORD dwMessage;
    NOTIFYICONDATAA data;
};
std::vector<TrayCall> g_trayCalls;

BOOL WINAPI RecordNotify(DWORD dwMessage, PNOTIFYICONDATAA pData)
{
    g_trayCalls.push_back({dwMessage, *pData});
    return TRUE;
}

} // namespace

// ---- Hotkey value and names -----------------------------------------------------------

TEST(HotKey, PacksKeyWordAndModifiers)
{
    CHotKey hotKey;
    EXPECT_EQ(0x770000u, hotKey.Value()) << "F8 without modifiers by default";
    EXPECT_EQ(0x770000u, CHotKey::Pack(0x77, FALSE, FALSE, FALSE));
    EXPECT_EQ(0x780006u, CHotKey::Pack(0x78, FALSE, TRUE, TRUE));
    EXPECT_EQ(0x1210001u, CHotKey::Pack(0x121, TRUE, FALSE, FALSE));

    ASSERT_TRUE(hotKey.SetValue(0x121, TRUE, FALSE, TRUE));
    EXPECT_EQ(0x1210005u, hotKey.Value());
    EXPECT_EQ(0x121, hotKey.KeyWord());
    EXPECT_TRUE(hotKey.Alt());
    EXPECT_FALSE(hotKey.Ctrl());
    EXPECT_TRUE(hotKey.Shift());
    EXPECT_EQ(static_cast<UINT>(MOD_ALT | MOD_SHIFT), hotKey.Modifiers());
    EXPECT_EQ(0x21u, hotKey.VirtualKey()) << "the extended flag only names the key";
    EXPECT_TRUE(hotKey.Matches(MOD_ALT | MOD_SHIFT, 0x21));
    EXPECT_FALSE(hotKey.Matches(MOD_ALT, 0x21));
    EXPECT_FALSE(hotKey.Matches(MOD_ALT | MOD_SHIFT, 0x121));
    EXPECT_FALSE(hotKey.IsRegistered());
}

TEST(HotKey, NamesComeFromTheKeyboardLayout)
{
    EXPECT_STREQ("F8", CHotKey::Text(0x770000));
    const std::string ctrl = LayoutName(VK_CONTROL), shift = LayoutName(VK_SHIFT), alt = LayoutName(VK_MENU);
    ASSERT_FALSE(ctrl.empty() || shift.empty() || alt.empty());
    CString ctrlShiftF9 = CHotKey::Text(CHotKey::Pack(0x78, FALSE, TRUE, TRUE));
    printf("Ctrl + Shift + F9 is named \"%s\"\n", static_cast<LPCSTR>(ctrlShiftF9));
    EXPECT_EQ(ctrl + " + " + shift + " + F9", std::string(ctrlShiftF9));
    EXPECT_EQ(alt + " + " + ctrl + " + " + shift + " + A",
              std::string(CHotKey::Text(CHotKey::Pack('A', TRUE, TRUE, TRUE))));
    EXPECT_EQ(alt + " + F8", std::string(CHotKey::Text(CHotKey::Pack(0x77, TRUE, FALSE, FALSE))));
    CString pageUp = CHotKey::Text(0x1210000);
    printf("Page Up is named \"%s\", keypad 5 \"%s\", Delete \"%s\"\n", static_cast<LPCSTR>(pageUp),
           static_cast<LPCSTR>(CHotKey::Text(0x650000)), static_cast<LPCSTR>(CHotKey::Text(0x12E0000)));
    EXPECT_FALSE(pageUp.IsEmpty());
    EXPECT_STRNE(pageUp, CHotKey::Text(0x690000)) << "extended Page Up is not keypad 9";
    EXPECT_STREQ("", CHotKey::Text(0)) << "a key without scan code has no name";
    EXPECT_EQ(std::string(CHotKey::Text(0x650000)), LayoutName(VK_NUMPAD5).empty() ? "Num 5" : LayoutName(VK_NUMPAD5))
        << "every key of the list is named";
}

TEST(HotKey, KeyListHasSeventyThreeKeysInOrder)
{
    std::vector<WORD> expected = {0x08, 0x09, 0x0D, 0x1B, 0x20};
    for (WORD k = 0x121; k <= 0x128; ++k)
        expected.push_back(k);
    expected.push_back(0x12D);
    expected.push_back(0x12E);
    for (WORD k = 0x60; k <= 0x69; ++k)
        expected.push_back(k);
    for (WORD k = 0x30; k <= 0x39; ++k)
        expected.push_back(k);
    for (WORD k = 0x41; k <= 0x5A; ++k)
        expected.push_back(k);
    for (WORD k = 0x70; k <= 0x7B; ++k)
        expected.push_back(k);
    ASSERT_EQ(73u, expected.size());
    for (int i = 0; i < CHotKey::KEY_COUNT; ++i)
        EXPECT_EQ(expected[i], CHotKey::KeyAt(i)) << "entry " << i;
    EXPECT_EQ(0, CHotKey::KeyAt(73));
    EXPECT_EQ(0, CHotKey::KeyAt(-1));

    HWND hCombo = CreateTestWindow("COMBOBOX", WS_POPUP | CBS_DROPDOWNLIST);
    ASSERT_NE(nullptr, hCombo);
    CHotKey::FillKeyCombo(hCombo);
    ASSERT_EQ(73, SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    char szText[64];
    for (int i = 0; i < 73; ++i) {
        EXPECT_EQ(expected[i], SendMessageA(hCombo, CB_GETITEMDATA, i, 0));
        SendMessageA(hCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(szText));
        EXPECT_STREQ(CHotKey::Text(static_cast<DWORD>(expected[i]) << 16), szText);
        EXPECT_NE('\0', szText[0]) << "entry " << i << " has a name";
    }
    SendMessageA(hCombo, CB_GETLBTEXT, 72, reinterpret_cast<LPARAM>(szText));
    EXPECT_STREQ("F12", szText);

    EXPECT_EQ(68, CHotKey::SelectKeyInCombo(hCombo, 0x77));
    EXPECT_EQ(68, SendMessageA(hCombo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(5, CHotKey::SelectKeyInCombo(hCombo, 0x121));
    EXPECT_EQ(-1, CHotKey::SelectKeyInCombo(hCombo, 0x7C));
    EXPECT_EQ(-1, SendMessageA(hCombo, CB_GETCURSEL, 0, 0));
    DestroyWindow(hCombo);
}

TEST(HotKey, IdFromTheComboHandleStaysInTheApplicationRange)
{
    EXPECT_EQ(0x1234, CHotKey::IdFromHandle(reinterpret_cast<HWND>(0x1234)));
    EXPECT_EQ(1, CHotKey::IdFromHandle(reinterpret_cast<HWND>(0xC000)));
    EXPECT_EQ(static_cast<int>(0x80001234u % 0xBFFF),
              CHotKey::IdFromHandle(reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<INT32>(0x80001234)))))
        << "a sign-extended handle still gives an id inside 0 ... 0xBFFE";
}

// ---- Registration ------------------------------------------------------------------------

TEST(HotKey, RegistersAndReRegistersOnEveryChange)
{
    HWND hWnd = CreateTestWindow();
    CHotKey hotKey;
    ASSERT_TRUE(hotKey.SetValue(0x7A, FALSE, TRUE, TRUE));
    EXPECT_TRUE(IsFree(MOD_CONTROL | MOD_SHIFT, VK_F11)) << "not registered until asked";
    ASSERT_TRUE(hotKey.Register(hWnd, 0x123));
    EXPECT_TRUE(hotKey.IsRegistered());
    EXPECT_FALSE(IsFree(MOD_CONTROL | MOD_SHIFT, VK_F11));

    ASSERT_TRUE(hotKey.SetValue(0x122, FALSE, TRUE, FALSE));
    EXPECT_TRUE(IsFree(MOD_CONTROL | MOD_SHIFT, VK_F11));
    EXPECT_FALSE(IsFree(MOD_CONTROL, VK_NEXT)) << "Page Down registers as virtual key 0x22";

    EXPECT_TRUE(hotKey.Unregister());
    EXPECT_FALSE(hotKey.IsRegistered());
    EXPECT_TRUE(IsFree(MOD_CONTROL, VK_NEXT));
    EXPECT_FALSE(hotKey.Unregister());
    EXPECT_FALSE(hotKey.Register(nullptr, 1));
    DestroyWindow(hWnd);
}

TEST(HotKey, AKeyHeldByAnotherProgramFailsAndTheOldKeyStaysRegistered)
{
    CHolder holder(MOD_CONTROL | MOD_SHIFT, VK_F9);
    ASSERT_TRUE(holder.m_bReady) << "hotkey_holder.exe did not take Ctrl + Shift + F9";
    HWND hWnd = CreateTestWindow();
    CHotKey hotKey;
    ASSERT_TRUE(hotKey.Register(hWnd, CHotKey::IdFromHandle(hWnd)));
    EXPECT_FALSE(IsFree(0, VK_F8));

    EXPECT_FALSE(hotKey.SetValue(0x78, FALSE, TRUE, TRUE));
    EXPECT_EQ(0x770000u, hotKey.Value());
    EXPECT_TRUE(hotKey.IsRegistered());
    EXPECT_FALSE(IsFree(0, VK_F8)) << "F8 is ours again";

    // Without the modifiers F9 is free.
    EXPECT_TRUE(hotKey.SetValue(0x78, FALSE, FALSE, FALSE));
    EXPECT_TRUE(IsFree(0, VK_F8));
    EXPECT_FALSE(IsFree(0, VK_F9));
    hotKey.Unregister();
    DestroyWindow(hWnd);
}

TEST(HotKey, ChangingAnUnregisteredHotKeyOnlyStoresIt)
{
    CHolder holder(MOD_CONTROL | MOD_SHIFT, VK_F9);
    ASSERT_TRUE(holder.m_bReady);
    CHotKey hotKey;
    EXPECT_TRUE(hotKey.SetValue(0x78, FALSE, TRUE, TRUE));
    EXPECT_EQ(0x780006u, hotKey.Value());
    HWND hWnd = CreateTestWindow();
    EXPECT_FALSE(hotKey.Register(hWnd, 5)) << "held elsewhere";
    EXPECT_FALSE(hotKey.IsRegistered());
    DestroyWindow(hWnd);
}

// ---- Tray icon ------------------------------------------------------------------------------

TEST(TrayIcon, AddModifyBalloonAndDeleteSucceedWithTheShell)
{
    HWND hWnd = CreateTestWindow();
    CTrayIcon tray;
    tray.Init(hWnd, WM_TRAY_NOTIFY);
    EXPECT_TRUE(tray.Add(CTrayIcon::TRAY_ICON_ID, "Orvane"));
    EXPECT_TRUE(tray.Modify(CTrayIcon::TRAY_ICON_ID, CTrayIcon::ALT_ICON_ID, CTrayIcon::StopHint("F8")));
    EXPECT_TRUE(tray.Modify(CTrayIcon::TRAY_ICON_ID, CTrayIcon::TRAY_ICON_ID, CTrayIcon::MinimizedTip("Orvane")));
    EXPECT_TRUE(
        tray.Balloon(CTrayIcon::TRAY_ICON_ID, CTrayIcon::SelectHint(), "Orvane", 1000, CTrayIcon::BALLOON_FLAGS));
    EXPECT_TRUE(tray.Delete(CTrayIcon::TRAY_ICON_ID));
    EXPECT_FALSE(tray.Delete(CTrayIcon::TRAY_ICON_ID)) << "already gone";
    DestroyWindow(hWnd);
}

TEST(TrayIcon, CallsCarryThePlatformStructureAndCutTexts)
{
    EXPECT_EQ(sizeof(NOTIFYICONDATAA), CTrayIcon::StructSize());
#ifdef _WIN64
    EXPECT_EQ(528u, CTrayIcon::StructSize());
#endif
    HWND hWnd = reinterpret_cast<HWND>(0x4242);
    CTrayIcon tray;
    tray.SetNotifyFunction(RecordNotify);
    g_trayCalls.clear();
    EXPECT_FALSE(tray.Add(128, "tip"));
    EXPECT_FALSE(tray.Delete(128));
    EXPECT_FALSE(tray.Balloon(128, "a", "b", 0, 0));
    tray.Init(hWnd, 0);
    EXPECT_FALSE(tray.Modify(128, 0, "tip")) << "no callback message";
    tray.Init(hWnd, WM_TRAY_NOTIFY);
    EXPECT_FALSE(tray.Add(0, "tip")) << "no id";
    EXPECT_TRUE(g_trayCalls.empty());

    const std::string longText(400, 'x');
    ASSERT_TRUE(tray.Add(128, longText.c_str()));
    ASSERT_TRUE(tray.Modify(128, 0, nullptr));
    ASSERT_TRUE(tray.Balloon(128, longText.c_str(), longText.c_str(), 1000, NIIF_INFO | NIIF_NOSOUND));
    ASSERT_TRUE(tray.Balloon(128, nullptr, nullptr, 0, 0));
    ASSERT_TRUE(tray.Delete(128));
    ASSERT_EQ(5u, g_trayCalls.size());
    for (const TrayCall& call : g_trayCalls) {
        EXPECT_EQ(sizeof(NOTIFYICONDATAA), call.data.cbSize);
        EXPECT_EQ(hWnd, call.data.hWnd);
        EXPECT_EQ(128u, call.data.uID);
    }
    const NOTIFYICONDATAA& add = g_trayCalls[0].data;
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), g_trayCalls[0].dwMessage);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP), add.uFlags);
    EXPECT_EQ(static_cast<UINT>(WM_TRAY_NOTIFY), add.uCallbackMessage);
    EXPECT_NE(nullptr, add.hIcon) << "icon 128 from the program's resources";
    EXPECT_EQ(127u, strlen(add.szTip)) << "the tip field of the full structure";

    const NOTIFYICONDATAA& modify = g_trayCalls[1].data;
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), g_trayCalls[1].dwMessage);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE), modify.uFlags) << "icon and tip kept";

    const NOTIFYICONDATAA& balloon = g_trayCalls[2].data;
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), g_trayCalls[2].dwMessage);
    EXPECT_EQ(static_cast<UINT>(NIF_INFO), balloon.uFlags);
    EXPECT_EQ(255u, strlen(balloon.szInfo));
    EXPECT_EQ(63u, strlen(balloon.szInfoTitle));
    EXPECT_EQ(1000u, balloon.uTimeout);
    EXPECT_EQ(0x11u, balloon.dwInfoFlags);
    EXPECT_STREQ("", g_trayCalls[3].data.szInfo) << "a missing text is sent empty";
    EXPECT_STREQ("", g_trayCalls[3].data.szInfoTitle);

    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), g_trayCalls[4].dwMessage);
    EXPECT_EQ(0u, g_trayCalls[4].data.uFlags);
}

TEST(TrayIcon, TextsComeFromTheStringTable)
{
    EXPECT_STREQ("Orvane\nDouble-click icon to restore main window.", CTrayIcon::MinimizedTip("Orvane"));
    EXPECT_STREQ("Double-click icon to restore main window.", CTrayIcon::RestoreHint());
    EXPECT_STREQ("Select the video rectangle to record.", CTrayIcon::SelectHint());
    EXPECT_STREQ("Click icon or press <F8> to stop recording.", CTrayIcon::StopHint(CHotKey::Text(0x770000)));
    EXPECT_EQ(129u, CTrayIcon::NextBlinkIcon(128));
    EXPECT_EQ(128u, CTrayIcon::NextBlinkIcon(129));
    EXPECT_EQ(128u, CTrayIcon::NextBlinkIcon(0)) << "the first tick shows the normal icon";
}

TEST(TrayIcon, MenuShowsStartOrStopWithTheHotKeyAndGreysSettingsWhileRecording)
{
    for (BOOL bRecording : {FALSE, TRUE}) {
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_TRAY_MENU));
        CMenu* pPopup = menu.GetSubMenu(0);
        ASSERT_NE(nullptr, pPopup);
        const int nCount = pPopup->GetMenuItemCount();
        ASSERT_TRUE(CTrayIcon::PrepareMenu(*pPopup, bRecording, "F8"));
        EXPECT_EQ(nCount, pPopup->GetMenuItemCount()) << "no pause item without a pause key";
        EXPECT_EQ(static_cast<UINT>(ID_TRAY_START), pPopup->GetMenuItemID(3));
        CString text;
        pPopup->GetMenuString(3, text, MF_BYPOSITION);
        EXPECT_STREQ(bRecording ? "Stop <F8>" : "Start <F8>", text);
        for (UINT nCommand : {ID_TRAY_SETTINGS, ID_TRAY_OPTIONS}) {
            const UINT nState = pPopup->GetMenuState(nCommand, MF_BYCOMMAND);
            EXPECT_EQ(bRecording ? static_cast<UINT>(MF_GRAYED) : 0u, nState & MF_GRAYED) << nCommand;
        }
        menu.DestroyMenu();
    }
}

TEST(TrayIcon, MenuWhileRecordingOffersPauseOrResumeAboveStop)
{
    for (BOOL bPaused : {FALSE, TRUE}) {
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_TRAY_MENU));
        CMenu* pPopup = menu.GetSubMenu(0);
        const int nCount = pPopup->GetMenuItemCount();
        ASSERT_TRUE(CTrayIcon::PrepareMenu(*pPopup, TRUE, "F8", bPaused, "F9"));
        EXPECT_EQ(nCount + 1, pPopup->GetMenuItemCount());
        CString pause, stop;
        pPopup->GetMenuString(3, pause, MF_BYPOSITION);
        pPopup->GetMenuString(4, stop, MF_BYPOSITION);
        EXPECT_EQ(static_cast<UINT>(ID_TRAY_PAUSE), pPopup->GetMenuItemID(3));
        EXPECT_STREQ(bPaused ? "Resume <F9>" : "Pause <F9>", pause);
        EXPECT_STREQ("Stop <F8>", stop);
        menu.DestroyMenu();
    }
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_TRAY_MENU));
    const int nCount = menu.GetSubMenu(0)->GetMenuItemCount();
    ASSERT_TRUE(CTrayIcon::PrepareMenu(*menu.GetSubMenu(0), FALSE, "F8", FALSE, "F9"));
    EXPECT_EQ(nCount, menu.GetSubMenu(0)->GetMenuItemCount()) << "no pause item while idle";
    menu.DestroyMenu();
    ASSERT_TRUE(menu.LoadMenu(IDR_TRAY_MENU));
    ASSERT_TRUE(CTrayIcon::PrepareMenu(*menu.GetSubMenu(0), TRUE, "F8", FALSE, ""));
    CString pause;
    menu.GetSubMenu(0)->GetMenuString(3, pause, MF_BYPOSITION);
    EXPECT_STREQ("Pause", pause) << "a pause key that is not registered is not named";
    menu.DestroyMenu();
}

TEST(TrayIcon, TipsTellTheRecordedTimeAndSize)
{
    const DWORD dwTime = ((12 * 60) + 34) * 1000 + 999;
    const ULONGLONG ullBytes = 85ull * 1024 * 1024 + 210000;
    EXPECT_STREQ("Recording 00:12:34, 85.2 MB. Click icon or press <F8> to stop.",
                 CTrayIcon::RecordingTip(dwTime, ullBytes, "F8"));
    EXPECT_STREQ("Paused 00:12:34, 85.2 MB. Press <F9> to resume.", CTrayIcon::PausedTip(dwTime, ullBytes, "F9"));
    EXPECT_STREQ("26:00:01", CTrayIcon::DurationText(26 * 3600000 + 1000));
    EXPECT_STREQ("0.0 MB", CTrayIcon::SizeText(0));
    EXPECT_EQ(128u, CTrayIcon::NextBlinkIcon(CTrayIcon::PAUSED_ICON_ID)) << "blinking again after a pause";
}
