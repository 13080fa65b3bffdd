// The resources of the program and of the Simplified Chinese language DLL, read from the
// built files: strings, main dialog, tray menu, icons, pictures and version information.
#include "res/resource.h"
#include "sysinfo/CFileVersionInfo.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <map>
#include <set>
#include <string>

namespace {

const char* const kProgram = "..\\orvane.exe";
const char* const kChinese = "..\\UI\\orvane\\0804_Chinese\\Base_Default.dll";

class Module
{
public:
    explicit Module(const char* pszPath) : m_hModule(LoadLibraryExA(pszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module()
    {
        if (m_hModule)
            FreeLibrary(m_hModule);
    }
    HMODULE Get() const { return m_hModule; }

private:
    HMODULE m_hModule;
};

std::wstring WideString(HMODULE hModule, UINT nID)
{
    const wchar_t* pwsz = nullptr;
    int nLength = LoadStringW(hModule, nID, reinterpret_cast<LPWSTR>(&pwsz), 0);
    return nLength > 0 ? std::wstring(pwsz, nLength) : std::wstring();
}

std::string AsciiString(HMODULE hModule, UINT nID)
{
    std::wstring str = WideString(hModule, nID);
    return std::string(str.begin(), str.end());
}

const std::map<UINT, std::string>& EnglishStrings()
{
    static const std::map<UINT, std::string> strings = {
        {10001, "This program can not run on Windows 95/98/ME.\nPlease run it on Windows 2000/XP/2003/Vista or later "
                "version of Windows."},
        {10002,
         "You are running another instance of this program.\n\nOnly one instance is allowed to run at the same time."},
        {10003, "Are you sure to restore the default settings?"},
        {10004, "Failed to initialize the screen capture driver!\n\nPlease reboot your computer, or re-install this "
                "software, and then try again."},
        {10005, "Failed to open the audio device configuration dialog!\n\nPlease try to open it from the system "
                "control panel manually."},
        {10006, "Failed to open the audio input configuration dialog!\n\nPlease try to open it from the system control "
                "panel manually."},
        {10007, "Failed to register the hotkey:\n\n<%s>\n\nIt is in use. Please try other keys."},
        {10008, "Can not start recording!"},
        {10009, "\n\nInvalid output file path!"},
        {10010, "\n\nThe region you are trying to record is too small."},
        {10011, "\n\nFailed to capture video, please try another codec.\nIf it still does not work, please reinstall "
                "this software."},
        {10012, "\n\nFailed to capture sound. Maybe your sound card is not a full-duplex sound card, so you can not "
                "play and record sound at the same time. If you are sure your sound card is a full-duplex sound card, "
                "maybe some components of this software are missing, please reinstall this software."},
        {10013, "\n\nFailed to write data to the file:\n\n%s\n\nMaybe the file is in use by other applications, or the "
                "file path is invalid. Please check."},
        {10014, "Can not continue recording!\n\nFailed to write data to the file:\n\n%s\n\nMaybe the disk is full, or "
                "an unknown error occurred during A/V encoding."},
        {10020, "Can not continue recording!"},
        {20001, "Start"},
        {20002, "Stop"},
        {20003, "Pause"},
        {20004, "Resume"},
        {30003, "Select/Create the folder to save recorded videos:"},
        {30004, " file"},
        {30005, "More video codecs on the web..."},
        {30007, "[Default Audio Device]"},
        {30008, "[Default Audio Input]"},
        {30009, "[0]Highest"},
        {30010, "[1]"},
        {30011, "[2]High"},
        {30012, "[3]"},
        {30013, "[4]"},
        {30014, "[5]Normal"},
        {30015, "[6]"},
        {30016, "[7]"},
        {30017, "[8]"},
        {30018, "[9]Low"},
        {30019, "Select the video rectangle to record."},
        {30020, "Double-click icon to restore main window."},
        {30021, "Click icon or press <%s> to stop recording."},
        {30024, "Recording %s, %s. Click icon or press <%s> to stop."},
        {30025, "Paused %s, %s. Press <%s> to resume."},
        {30026, "(none)"},
    };
    return strings;
}

int CountOf(const std::wstring& str, const wchar_t* pwszNeedle)
{
    int nCount = 0;
    for (size_t n = str.find(pwszNeedle); n != std::wstring::npos; n = str.find(pwszNeedle, n + 1))
        ++nCount;
    return nCount;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

struct ControlInfo
{
    std::string strClass;
    DWORD dwStyle;
    RECT rc;
};

// Creates a dialog (the main one by default) from a module (hidden) and describes its controls.
std::map<int, ControlInfo> DialogControls(HMODULE hModule, RECT* prcClient = nullptr, RECT* prcTemplate = nullptr,
                                          UINT nDialog = IDD_ORVANE_DIALOG)
{
    std::map<int, ControlInfo> controls;
    HWND hDlg = CreateDialogParamA(hModule, MAKEINTRESOURCEA(nDialog), nullptr, QuietDialogProc, 0);
    if (!hDlg)
        return controls;
    for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        char szClass[64] = "";
        GetClassNameA(hChild, szClass, sizeof(szClass));
        ControlInfo info = {szClass, static_cast<DWORD>(GetWindowLongPtrA(hChild, GWL_STYLE)), {}};
        GetWindowRect(hChild, &info.rc);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&info.rc), 2);
        controls[GetDlgCtrlID(hChild)] = info;
    }
    if (prcClient)
        GetClientRect(hDlg, prcClient);
    if (prcTemplate) {
        SetRect(prcTemplate, 0, 0, 333, 260);
        MapDialogRect(hDlg, prcTemplate);
    }
    DestroyWindow(hDlg);
    return controls;
}

bool IsPng(HMODULE hModule, UINT nID, int* pnWidth, int* pnHeight)
{
    HRSRC hResource = FindResourceA(hModule, MAKEINTRESOURCEA(nID), "PNG");
    if (!hResource)
        return false;
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(hModule, hResource)));
    if (!p || SizeofResource(hModule, hResource) < 24 || memcmp(p, "\x89PNG\r\n\x1a\n", 8) != 0)
        return false;
    *pnWidth = (p[16] << 24) | (p[17] << 16) | (p[18] << 8) | p[19];
    *pnHeight = (p[20] << 24) | (p[21] << 16) | (p[22] << 8) | p[23];
    return true;
}

} // namespace

TEST(ProgramResources, StringTableHasEveryMessageWithItsExactText)
{
    Module program(kProgram);
    ASSERT_NE(nullptr, program.Get());
    for (const auto& entry : EnglishStrings())
        EXPECT_EQ(entry.second, AsciiString(program.Get(), entry.first)) << entry.first;
    std::string strUrl = AsciiString(program.Get(), IDS_CODECS_URL);
    EXPECT_EQ(0u, strUrl.find("http://")) << strUrl;
}

TEST(ProgramResources, MainDialogHasEveryControl)
{
    Module program(kProgram);
    RECT rcClient = {}, rcTemplate = {};
    std::map<int, ControlInfo> controls = DialogControls(program.Get(), &rcClient, &rcTemplate);
    EXPECT_EQ(rcTemplate.right, rcClient.right) << "333 x 260 dialog units";
    EXPECT_EQ(rcTemplate.bottom, rcClient.bottom);

    std::set<int> ids;
    for (const auto& entry : controls)
        ids.insert(entry.first);
    std::set<int> expected;
    for (int nID = 1000; nID <= 1034; ++nID) {
        if (nID != 1006)
            expected.insert(nID);
    }
    EXPECT_EQ(expected, ids);

    auto isCombo = [&](int nID, DWORD dwKind) {
        return controls[nID].strClass == "ComboBox" && (controls[nID].dwStyle & 3) == dwKind;
    };
    for (int nID : {1011, 1012, 1016, 1018, 1021, 1023, 1033})
        EXPECT_TRUE(isCombo(nID, CBS_DROPDOWNLIST)) << nID;
    EXPECT_TRUE(isCombo(1027, CBS_DROPDOWN)) << "the frames-per-second combo is editable";
    EXPECT_TRUE(controls[1012].dwStyle & CBS_SORT);
    EXPECT_FALSE(controls[1016].dwStyle & CBS_SORT);
    EXPECT_EQ("Edit", controls[1008].strClass);
    EXPECT_TRUE(controls[1008].dwStyle & ES_READONLY);
    EXPECT_TRUE(controls[1008].dwStyle & ES_AUTOHSCROLL);
    EXPECT_EQ(0, lstrcmpiA(TRACKBAR_CLASSA, controls[1025].strClass.c_str()));
    EXPECT_TRUE(controls[1025].dwStyle & TBS_VERT);
    EXPECT_TRUE(controls[1025].dwStyle & TBS_BOTH);
    for (int nID : {1030, 1031, 1032})
        EXPECT_EQ(static_cast<DWORD>(BS_AUTOCHECKBOX), controls[nID].dwStyle & 0x1F) << nID;
    for (int nID : {1007, 1015, 1024, 1026, 1029})
        EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), controls[nID].dwStyle & 0x1F) << nID;
    for (int nID : {1004, 1005})
        EXPECT_EQ(static_cast<DWORD>(BS_PUSHBUTTON), controls[nID].dwStyle & 0x1F)
            << "Enter must not start a recording through a default button";

    // Every control lies inside the dialog.
    for (const auto& entry : controls) {
        const RECT& rc = entry.second.rc;
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= rcClient.right && rc.bottom <= rcClient.bottom)
            << entry.first;
    }

    HWND hDlg = CreateDialogParamA(program.Get(), MAKEINTRESOURCEA(IDD_ORVANE_DIALOG), nullptr, QuietDialogProc, 0);
    ASSERT_NE(nullptr, hDlg);
    char szText[64] = "";
    const std::map<int, std::string> texts = {
        {1000, "Minimize"},       {1001, "Close"},          {1004, "Start"},
        {1005, "Default"},        {1007, "Save To"},        {1009, "Change"},
        {1010, "Browse"},         {1013, "Config"},         {1014, "About"},
        {1015, "Audio Settings"}, {1017, "Config"},         {1019, "Config"},
        {1020, "Sample Rate:"},   {1022, "Audio Quality:"}, {1024, "Audio Volume"},
        {1026, "Video FPS"},      {1028, "frames/s"},       {1029, "Start/Stop Hotkey"},
        {1030, "Alt +"},          {1031, "Ctrl +"},         {1032, "Shift +"},
        {1034, "Options"}};
    for (const auto& entry : texts) {
        GetDlgItemTextA(hDlg, entry.first, szText, sizeof(szText));
        EXPECT_EQ(entry.second, szText) << entry.first;
    }
    EXPECT_TRUE(GetWindowLongPtrA(hDlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongPtrA(hDlg, GWL_STYLE) & WS_VISIBLE) << "start-up shows it after creation";
    DestroyWindow(hDlg);
}

TEST(ProgramResources, TrayMenuIconsAndPictures)
{
    Module program(kProgram);
    HMENU hMenu = LoadMenuA(program.Get(), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_NE(nullptr, hMenu);
    HMENU hPopup = GetSubMenu(hMenu, 0);
    ASSERT_NE(nullptr, hPopup);
    const char* const items[] = {"Settings...", "Options...", nullptr,    "Start", nullptr,
                                 "Browse...",   nullptr,      "About...", nullptr, "Exit"};
    ASSERT_EQ(10, GetMenuItemCount(hPopup));
    for (int i = 0; i < 10; ++i) {
        char szText[64] = "";
        GetMenuStringA(hPopup, i, szText, sizeof(szText), MF_BYPOSITION);
        if (items[i])
            EXPECT_STREQ(items[i], szText) << i;
        else
            EXPECT_TRUE(GetMenuState(hPopup, i, MF_BYPOSITION) & MF_SEPARATOR) << i;
    }
    DestroyMenu(hMenu);

    for (UINT nID : {IDR_MAINFRAME, IDI_TRAY_ALT, IDI_TRAY_PAUSED, IDI_START, IDI_DEFAULT})
        EXPECT_NE(nullptr, FindResourceA(program.Get(), MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(14))) << nID;
    HINSTANCE hExe = LoadLibraryA(kProgram); // icons need a loaded image
    ASSERT_NE(nullptr, hExe);
    for (UINT nID : {IDI_START, IDI_DEFAULT}) {
        HICON hIcon = static_cast<HICON>(LoadImageA(hExe, MAKEINTRESOURCEA(nID), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
        ASSERT_NE(nullptr, hIcon) << nID;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(hIcon, &info));
        BITMAP bm = {};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
        EXPECT_EQ(16, bm.bmWidth) << nID;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(hIcon);
    }

    HBITMAP hAbout = static_cast<HBITMAP>(
        LoadImageA(hExe, MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
    ASSERT_NE(nullptr, hAbout);
    DIBSECTION ds = {};
    ASSERT_EQ(static_cast<int>(sizeof(ds)), GetObjectA(hAbout, sizeof(ds), &ds));
    EXPECT_EQ(400, ds.dsBm.bmWidth);
    EXPECT_EQ(200, ds.dsBm.bmHeight);
    EXPECT_EQ(24, ds.dsBm.bmBitsPixel);
    DeleteObject(hAbout);
    FreeLibrary(hExe);

    int nWidth = 0, nHeight = 0;
    ASSERT_TRUE(IsPng(program.Get(), IDB_SKIN_MASK, &nWidth, &nHeight));
    EXPECT_GT(nWidth, 0);
    for (UINT nID : {IDB_SKIN_FACE, IDB_SKIN_HOVER}) {
        int nW = 0, nH = 0;
        ASSERT_TRUE(IsPng(program.Get(), nID, &nW, &nH)) << nID;
        EXPECT_EQ(nWidth, nW) << "the skin pictures are aligned pixel for pixel";
        EXPECT_EQ(nHeight, nH);
    }
    int nOptionsWidth = 0, nOptionsHeight = 0, nW = 0, nH = 0;
    ASSERT_TRUE(IsPng(program.Get(), IDB_OPTIONS_MASK, &nOptionsWidth, &nOptionsHeight));
    ASSERT_TRUE(IsPng(program.Get(), IDB_OPTIONS_FACE, &nW, &nH));
    EXPECT_EQ(nOptionsWidth, nW);
    EXPECT_EQ(nOptionsHeight, nH);
}

TEST(ProgramResources, OptionsDialogInBothLanguages)
{
    Module program(kProgram);
    Module chinese(kChinese);
    std::map<int, ControlInfo> english = DialogControls(program.Get(), nullptr, nullptr, IDD_OPTIONS);
    std::set<int> ids;
    for (const auto& entry : english)
        ids.insert(entry.first);
    std::set<int> expected = {IDOK, IDCANCEL};
    for (int nID = IDC_GRP_PAUSE_HOTKEY; nID <= IDC_SLD_SECOND_VOLUME; ++nID)
        expected.insert(nID);
    EXPECT_EQ(expected, ids);
    for (int nID : {IDC_CMB_PAUSE_HOTKEY, IDC_CMB_COUNTDOWN, IDC_CMB_SECOND_DEVICE})
        EXPECT_EQ(static_cast<DWORD>(CBS_DROPDOWNLIST), english[nID].dwStyle & 3) << nID;
    for (int nID : {IDC_CHK_PAUSE_ALT, IDC_CHK_PAUSE_CTRL, IDC_CHK_PAUSE_SHIFT, IDC_CHK_RECORD_POINTER,
                    IDC_CHK_HIGHLIGHT_POINTER, IDC_CHK_SHOW_CLICKS})
        EXPECT_EQ(static_cast<DWORD>(BS_AUTOCHECKBOX), english[nID].dwStyle & 0x1F) << nID;

    // Every text is translated; the controls are the same.
    std::map<int, ControlInfo> translated = DialogControls(chinese.Get(), nullptr, nullptr, IDD_OPTIONS);
    ASSERT_EQ(english.size(), translated.size());
    HWND hEnglish = CreateDialogParamA(program.Get(), MAKEINTRESOURCEA(IDD_OPTIONS), nullptr, QuietDialogProc, 0);
    HWND hChinese = CreateDialogParamA(chinese.Get(), MAKEINTRESOURCEA(IDD_OPTIONS), nullptr, QuietDialogProc, 0);
    ASSERT_NE(nullptr, hEnglish);
    ASSERT_NE(nullptr, hChinese);
    for (const auto& entry : english) {
        EXPECT_EQ(entry.second.dwStyle, translated[entry.first].dwStyle) << entry.first;
        wchar_t szEnglish[64] = L"", szChinese[64] = L"";
        GetDlgItemTextW(hEnglish, entry.first, szEnglish, 64);
        GetDlgItemTextW(hChinese, entry.first, szChinese, 64);
        const bool bKeyName = wcsncmp(szEnglish, L"Alt", 3) == 0 || wcsncmp(szEnglish, L"Ctrl", 4) == 0 ||
                              wcsncmp(szEnglish, L"Shift", 5) == 0;
        if (szEnglish[0] && !bKeyName) {
            EXPECT_NE(std::wstring(szEnglish), std::wstring(szChinese)) << entry.first;
        }
    }
    DestroyWindow(hEnglish);
    DestroyWindow(hChinese);
}

TEST(ProgramResources, VersionInformation)
{
    CFileVersionInfo info;
    ASSERT_TRUE(info.Open(kProgram));
    FileVersionRecord record;
    ASSERT_TRUE(info.Fill(record));
    EXPECT_STREQ("Orvane", record.m_strProductName);
    EXPECT_STREQ("Vantri", record.m_strCompanyName);
    EXPECT_STREQ("1.0.0.0", record.m_strProductVersion);
    EXPECT_STREQ("1.0.0.0", record.m_strFileVersion);
    EXPECT_STREQ("1.0.0.0", record.m_strFileVersionNumber);
    EXPECT_FALSE(record.m_strLegalCopyright.IsEmpty());
    EXPECT_STREQ("Application", record.m_strFileType);
}

TEST(ChineseLanguageDll, TranslatesEveryStringTheDialogAndTheMenu)
{
    Module program(kProgram);
    Module chinese(kChinese);
    ASSERT_NE(nullptr, chinese.Get());
    for (const auto& entry : EnglishStrings()) {
        std::wstring strChinese = WideString(chinese.Get(), entry.first);
        std::wstring strEnglish = WideString(program.Get(), entry.first);
        ASSERT_FALSE(strChinese.empty()) << entry.first;
        EXPECT_EQ(CountOf(strEnglish, L"%s"), CountOf(strChinese, L"%s")) << entry.first;
        EXPECT_EQ(strEnglish.compare(0, 2, L"\n\n") == 0, strChinese.compare(0, 2, L"\n\n") == 0)
            << "detail texts start with two line breaks: " << entry.first;
    }
    EXPECT_EQ(std::wstring(L"\x5F00\x59CB"), WideString(chinese.Get(), IDS_MENU_START)); // 开始
    EXPECT_EQ(WideString(program.Get(), IDS_CODECS_URL), WideString(chinese.Get(), IDS_CODECS_URL));

    std::map<int, ControlInfo> english = DialogControls(program.Get());
    std::map<int, ControlInfo> translated = DialogControls(chinese.Get());
    ASSERT_EQ(english.size(), translated.size());
    for (const auto& entry : english) {
        ASSERT_TRUE(translated.count(entry.first)) << entry.first;
        EXPECT_EQ(entry.second.strClass, translated[entry.first].strClass) << entry.first;
        EXPECT_EQ(entry.second.dwStyle, translated[entry.first].dwStyle) << entry.first;
    }

    HMENU hMenu = LoadMenuA(chinese.Get(), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_NE(nullptr, hMenu);
    HMENU hPopup = GetSubMenu(hMenu, 0);
    for (UINT nCommand :
         {ID_TRAY_SETTINGS, ID_TRAY_OPTIONS, ID_TRAY_START, ID_TRAY_BROWSE, ID_TRAY_ABOUT, ID_TRAY_EXIT})
        EXPECT_NE(static_cast<UINT>(-1), GetMenuState(hPopup, nCommand, MF_BYCOMMAND)) << nCommand;
    DestroyMenu(hMenu);

    CFileVersionInfo info;
    ASSERT_TRUE(info.Open(kChinese));
    EXPECT_EQ(0x080404B0u, info.GetTranslation());
    EXPECT_STREQ("Orvane", info.GetString("ProductName"));
    EXPECT_STREQ("Vantri", info.GetString("CompanyName"));
}

TEST(ChineseLanguageDll, CarriesTheProgramsPicturesAsTheyAre)
{
    Module program(kProgram);
    Module chinese(kChinese);
    ASSERT_NE(nullptr, chinese.Get());
    auto bytes = [](HMODULE hModule, UINT nID, LPCSTR pszType) {
        HRSRC hResource = FindResourceA(hModule, MAKEINTRESOURCEA(nID), pszType);
        const BYTE* p = hResource ? static_cast<const BYTE*>(LockResource(LoadResource(hModule, hResource))) : nullptr;
        return p ? std::string(reinterpret_cast<const char*>(p), SizeofResource(hModule, hResource)) : std::string();
    };
    for (UINT nID : {IDB_SKIN_MASK, IDB_SKIN_FACE, IDB_SKIN_HOVER, IDB_OPTIONS_MASK, IDB_OPTIONS_FACE}) {
        ASSERT_FALSE(bytes(chinese.Get(), nID, "PNG").empty()) << nID;
        EXPECT_EQ(bytes(program.Get(), nID, "PNG"), bytes(chinese.Get(), nID, "PNG")) << nID;
    }
    EXPECT_EQ(bytes(program.Get(), IDB_ABOUT, MAKEINTRESOURCEA(2)),
              bytes(chinese.Get(), IDB_ABOUT, MAKEINTRESOURCEA(2)));
}

TEST(ProgramResources, ManifestDeclaresPerMonitorDpiAwareness)
{
    // Read as the system reads it when the program starts.
    char szProgram[MAX_PATH];
    ASSERT_TRUE(GetFullPathNameA(kProgram, sizeof(szProgram), szProgram, nullptr));
    ACTCTXA context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = szProgram;
    context.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE hContext = CreateActCtxA(&context);
    ASSERT_NE(INVALID_HANDLE_VALUE, hContext) << GetLastError();
    WCHAR szValue[128] = L"";
    EXPECT_TRUE(QueryActCtxSettingsW(0, hContext, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                                     L"dpiAwareness", szValue, ARRAYSIZE(szValue), nullptr));
    EXPECT_EQ(0, wcsncmp(L"PerMonitorV2", szValue, 12));
    EXPECT_TRUE(QueryActCtxSettingsW(0, hContext, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware",
                                     szValue, ARRAYSIZE(szValue), nullptr));
    EXPECT_EQ(std::wstring(L"true/pm"), szValue);
    ReleaseActCtx(hContext);
}
