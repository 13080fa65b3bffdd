// Choice and loading of the language and style DLL against folder trees made by the test.
#include "framework/AfxCore.h"
#include "sysinfo/CLanguageModule.h"
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <vector>

namespace {

LANGID g_userLanguage = 0x0409;

LANGID WINAPI TestUserLanguage()
{
    return g_userLanguage;
}

class LanguageModule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char szTemp[MAX_PATH] = "";
        GetTempPathA(sizeof(szTemp), szTemp);
        m_strRoot = std::string(szTemp) + "orvane_lang_" + std::to_string(GetCurrentProcessId()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_strFolder = m_strRoot + "\\UI\\orvane";
        CreateDirectoryA(m_strRoot.c_str(), nullptr);
        CreateDirectoryA((m_strRoot + "\\UI").c_str(), nullptr);
        m_strKey = "Software\\Vantri\\OrvaneTest\\" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &m_hKey, nullptr));
        g_userLanguage = 0x0409;
        m_module.SetFolder(m_strFolder.c_str());
        m_module.SetRegistry(HKEY_CURRENT_USER, m_strKey.c_str());
        m_module.SetUserLanguageSource(TestUserLanguage);
        m_hProgram = AfxGetResourceHandle();
    }

    void TearDown() override
    {
        m_module.Unload();
        EXPECT_EQ(m_hProgram, AfxGetResourceHandle()) << "Unload gives the program its resources back";
        RegCloseKey(m_hKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_strKey.c_str());
        for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) {
            if (!DeleteFileA(it->c_str()))
                RemoveDirectoryA(it->c_str());
        }
        RemoveDirectoryA((m_strRoot + "\\UI").c_str());
        RemoveDirectoryA(m_strRoot.c_str());
    }

    void MakeFolder(const std::string& strRelative)
    {
        std::string strPath = m_strFolder + (strRelative.empty() ? "" : "\\" + strRelative);
        CreateDirectoryA(strPath.c_str(), nullptr);
        m_created.push_back(strPath);
    }

    // A loadable module (copied from a test DLL) at folder\language\style.
    void MakeDll(const std::string& strLanguage, const std::string& strStyle)
    {
        std::string strPath = m_strFolder + "\\" + strLanguage + "\\" + strStyle;
        ASSERT_TRUE(CopyFileA("sysinfo_version_driver.dll", strPath.c_str(), FALSE)) << strPath;
        m_created.push_back(strPath);
    }

    void MakeBrokenDll(const std::string& strLanguage, const std::string& strStyle)
    {
        std::string strPath = m_strFolder + "\\" + strLanguage + "\\" + strStyle;
        std::ofstream(strPath) << "not a module";
        m_created.push_back(strPath);
    }

    // The usual tree: 0409_English and 0804_Chinese, each with Base_Default.dll.
    void MakeEnglishAndChinese()
    {
        MakeFolder("");
        MakeFolder("0409_English");
        MakeDll("0409_English", "Base_Default.dll");
        MakeFolder("0804_Chinese");
        MakeDll("0804_Chinese", "Base_Default.dll");
    }

    void SetString(LPCSTR lpszValue, const std::string& strData, DWORD dwType = REG_SZ)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(m_hKey, lpszValue, 0, dwType, reinterpret_cast<const BYTE*>(strData.c_str()),
                                 static_cast<DWORD>(strData.size() + 1)));
    }

    void SetRaw(LPCSTR lpszValue, DWORD dwType, const void* pData, DWORD cbData)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(m_hKey, lpszValue, 0, dwType, static_cast<const BYTE*>(pData), cbData));
    }

    // The loaded path relative to the language folder, or "" when nothing is loaded.
    std::string Loaded() const
    {
        LPCSTR lpszPath = m_module.GetLoadedPath();
        if (!lpszPath)
            return "";
        std::string strPath = lpszPath;
        std::string strPrefix = m_strFolder + "\\";
        return strPath.compare(0, strPrefix.size(), strPrefix) == 0 ? strPath.substr(strPrefix.size()) : strPath;
    }

    std::string m_strRoot;
    std::string m_strFolder;
    std::string m_strKey;
    HKEY m_hKey = nullptr;
    std::vector<std::string> m_created;
    CLanguageModule m_module;
    HINSTANCE m_hProgram = nullptr;
};

} // namespace

TEST_F(LanguageModule, NoFolderKeepsTheProgramResources)
{
    EXPECT_FALSE(m_module.Load());
    EXPECT_EQ(nullptr, m_module.GetLoadedPath());
    EXPECT_EQ(m_hProgram, AfxGetResourceHandle());
    ASSERT_EQ(1u, m_module.GetLanguageEntries().size());
    EXPECT_STREQ("0409_English", m_module.GetLanguageEntries()[0]);
    EXPECT_STREQ("Base_Default.dll", m_module.GetStyleEntries()[0]);
}

TEST_F(LanguageModule, UserLanguageChoosesByExactAndPrimaryLanguage)
{
    MakeEnglishAndChinese();

    g_userLanguage = 0x0804;
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());
    EXPECT_EQ(m_module.GetModule(), AfxGetResourceHandle()) << "the DLL is the resource module";
    // The built-in entry comes first, then the folders other than 0409.
    ASSERT_EQ(2u, m_module.GetLanguageEntries().size());
    EXPECT_STREQ("0409_English", m_module.GetLanguageEntries()[0]);
    EXPECT_STREQ("0804_Chinese", m_module.GetLanguageEntries()[1]);

    g_userLanguage = 0x1004; // Chinese (Singapore): same primary language
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());

    g_userLanguage = 0x0407; // German: no match, the built-in English entry
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0409_English\\Base_Default.dll", Loaded());
    EXPECT_STREQ("0409", m_module.GetLanguageCode());
}

TEST_F(LanguageModule, LanguageValueMatchingExactlyWins)
{
    MakeEnglishAndChinese();
    g_userLanguage = 0x0407;
    SetString("Language", "0804");
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());
}

TEST_F(LanguageModule, LanguageValueWithoutFolderFallsBackToTheUserLanguage)
{
    MakeEnglishAndChinese();
    g_userLanguage = 0x0804;
    SetString("Language", "0c0a");
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());
}

TEST_F(LanguageModule, LanguageValueMatchingOnlyWithoutCaseLoadsThatFolder)
{
    MakeEnglishAndChinese();
    MakeFolder("040c_French");
    MakeDll("040c_French", "Base_Default.dll");
    g_userLanguage = 0x0804;
    SetString("Language", "040C");
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("040c_French\\Base_Default.dll", Loaded());
    EXPECT_STREQ("040c", m_module.GetLanguageCode());
}

TEST_F(LanguageModule, FolderWithoutCodeIsListedAndOnlyAnEmptyValueSelectsIt)
{
    MakeEnglishAndChinese();
    MakeFolder("English");
    MakeDll("English", "Base_Default.dll");
    g_userLanguage = 0x0407;
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0409_English\\Base_Default.dll", Loaded());
    bool bListed = false;
    for (const CString& strEntry : m_module.GetLanguageEntries())
        bListed = bListed || strEntry == "English";
    EXPECT_TRUE(bListed);

    SetString("Language", "");
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("English\\Base_Default.dll", Loaded());
}

TEST_F(LanguageModule, StyleChoice)
{
    MakeEnglishAndChinese();
    MakeDll("0804_Chinese", "Blue_Night.dll");
    g_userLanguage = 0x0804;

    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded()) << "no Style value: the base style";

    SetString("Style", "Blue");
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Blue_Night.dll", Loaded());

    SetString("Style", "bLUE");
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Blue_Night.dll", Loaded());

    SetString("Style", "Green");
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());
}

TEST_F(LanguageModule, LanguageValueLongerThan260BytesIsIgnored)
{
    MakeEnglishAndChinese();
    g_userLanguage = 0x0407;
    SetString("Language", "0804" + std::string(300, 'x'));
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0409_English\\Base_Default.dll", Loaded());

    // 259 characters and the null: still read (and matching no folder).
    SetString("Language", "0804" + std::string(255, 'x'));
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0409_English\\Base_Default.dll", Loaded());
}

TEST_F(LanguageModule, LanguageValueOfAnotherTypeIsIgnored)
{
    MakeEnglishAndChinese();
    g_userLanguage = 0x0407;
    DWORD dwValue = 0x0804;
    SetRaw("Language", REG_DWORD, &dwValue, sizeof(dwValue));
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0409_English\\Base_Default.dll", Loaded());

    SetRaw("Language", REG_BINARY, "0804", 5);
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0409_English\\Base_Default.dll", Loaded());

    // The string types are all accepted; a multi-string gives its first text.
    SetString("Language", "0804", REG_EXPAND_SZ);
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());
    SetRaw("Language", REG_MULTI_SZ, "0804\0zzzz\0", 11);
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());
    // Stored without its terminating null.
    SetRaw("Language", REG_SZ, "0804", 4);
    ASSERT_TRUE(m_module.Load());
    EXPECT_EQ("0804_Chinese\\Base_Default.dll", Loaded());
}

TEST_F(LanguageModule, DllThatIsNotAModuleLeavesTheProgramResources)
{
    MakeFolder("");
    MakeFolder("0804_Chinese");
    MakeBrokenDll("0804_Chinese", "Base_Default.dll");
    g_userLanguage = 0x0804;
    EXPECT_FALSE(m_module.Load());
    EXPECT_EQ(nullptr, m_module.GetLoadedPath());
    EXPECT_EQ(nullptr, m_module.GetModule());
    EXPECT_EQ(m_hProgram, AfxGetResourceHandle());
}

TEST_F(LanguageModule, MissingDllOrSettingsLoadNothing)
{
    MakeFolder("");
    MakeFolder("0804_Chinese"); // no DLL inside
    g_userLanguage = 0x0804;
    EXPECT_FALSE(m_module.Load());
    EXPECT_EQ(m_hProgram, AfxGetResourceHandle());

    CLanguageModule unconfigured;
    EXPECT_FALSE(unconfigured.Load());
    EXPECT_EQ(nullptr, unconfigured.GetLoadedPath());
}

TEST(LanguageCodes, CodeAndHexadecimalIdentifier)
{
    EXPECT_STREQ("0804", CLanguageModule::EntryCode("0804_Chinese"));
    EXPECT_STREQ("Blue", CLanguageModule::EntryCode("Blue_Night_Sky.dll"));
    EXPECT_STREQ("", CLanguageModule::EntryCode("English"));
    EXPECT_EQ(0x0804, CLanguageModule::HexLanguageId("0804"));
    EXPECT_EQ(0x0c0a, CLanguageModule::HexLanguageId("0C0Azz"));
    EXPECT_EQ(0, CLanguageModule::HexLanguageId("xyz"));
    EXPECT_EQ(0x2345, CLanguageModule::HexLanguageId("12345")); // compared as 16 bits
}
