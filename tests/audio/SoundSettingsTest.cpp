// The system sound settings: the "LineStates" rewrite in a key of the test's own, and the
// programs and arguments started for each system version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/CSoundSettings.h"

namespace {

const char kTestKey[] = "Software\\Vantri\\OrvaneTests\\VolumeControl";

struct Launch
{
    std::string application;
    std::string commandLine;
};
std::vector<Launch> g_launches;
int g_nRefusals = 0;

bool RecordLaunch(const char* pszApplication, const char* pszCommandLine)
{
    g_launches.push_back(Launch{pszApplication, pszCommandLine});
    if (g_nRefusals > 0) {
        --g_nRefusals;
        return false;
    }
    return true;
}

std::string SystemFolder()
{
    char szFolder[MAX_PATH];
    GetSystemDirectoryA(szFolder, sizeof(szFolder));
    return std::string(szFolder) + "\\";
}

class SoundSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &m_hKey, nullptr));
        m_settings.SetVolumeControlKey(HKEY_CURRENT_USER, kTestKey);
        m_settings.SetLauncher(&RecordLaunch);
        g_launches.clear();
        g_nRefusals = 0;
    }
    void TearDown() override
    {
        RegCloseKey(m_hKey);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Vantri\\OrvaneTests");
    }

    static void SetBinary(HKEY hKey, const char* pszName, const std::vector<BYTE>& data, DWORD dwType = REG_BINARY)
    {
        RegSetValueExA(hKey, pszName, 0, dwType, data.data(), DWORD(data.size()));
    }
    static std::vector<BYTE> GetBinary(HKEY hKey, const char* pszName)
    {
        std::vector<BYTE> data(8192);
        DWORD cbData = DWORD(data.size());
        if (RegQueryValueExA(hKey, pszName, nullptr, nullptr, data.data(), &cbData) != ERROR_SUCCESS)
            return {};
        data.resize(cbData);
        return data;
    }

    HKEY m_hKey = nullptr;
    CSoundSettings m_settings;
};

TEST_F(SoundSettingsTest, ClearsTheFirstByteOfEveryLineStateRecord)
{
    std::vector<BYTE> states(264, 0xAB);
    SetBinary(m_hKey, "LineStates", states);
    m_settings.PrepareVolumeControl();
    std::vector<BYTE> expected = states;
    expected[0] = 0;
    expected[132] = 0;
    EXPECT_EQ(expected, GetBinary(m_hKey, "LineStates"));
}

TEST_F(SoundSettingsTest, WalksSubkeysAndComparesNamesWithoutCase)
{
    HKEY hSub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(m_hKey, "Card\\Recording", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hSub, nullptr));
    SetBinary(hSub, "linestates", std::vector<BYTE>(133, 0x01));
    SetBinary(hSub, "OtherStates", std::vector<BYTE>(10, 0x01));
    SetBinary(m_hKey, "LineStates", std::vector<BYTE>(4, 0x07), REG_DWORD);
    m_settings.PrepareVolumeControl();

    std::vector<BYTE> states = GetBinary(hSub, "linestates");
    ASSERT_EQ(133u, states.size());
    EXPECT_EQ(0, states[0]);
    EXPECT_EQ(0, states[132]);
    EXPECT_EQ(1, states[1]);
    EXPECT_EQ(std::vector<BYTE>(10, 0x01), GetBinary(hSub, "OtherStates"));
    EXPECT_EQ(std::vector<BYTE>(4, 0x07), GetBinary(m_hKey, "LineStates"));
    RegCloseKey(hSub);
}

TEST_F(SoundSettingsTest, StopsAtTheFirstValueThatDoesNotFit)
{
    SetBinary(m_hKey, "A", std::vector<BYTE>(4000, 0x01));
    SetBinary(m_hKey, "LineStates", std::vector<BYTE>(132, 0x01));
    m_settings.PrepareVolumeControl();
    std::vector<BYTE> states = GetBinary(m_hKey, "LineStates");
    ASSERT_EQ(132u, states.size());
    EXPECT_EQ(1, states[0]) << "values after one that does not fit are not read";
}

TEST_F(SoundSettingsTest, MissingKeyIsNoFailure)
{
    m_settings.SetVolumeControlKey(HKEY_CURRENT_USER, "Software\\Vantri\\OrvaneTests\\Absent");
    EXPECT_TRUE(m_settings.OpenDeviceSettings());
}

TEST_F(SoundSettingsTest, DeviceSettingsArgumentsFollowTheSystemVersion)
{
    struct Case
    {
        DWORD dwPlatform, dwMajor, dwMinor;
        const char* pszArguments;
    };
    const Case cases[] = {
        {VER_PLATFORM_WIN32_NT, 5, 1, " shell32.dll,Control_RunDLL mmsys.cpl,,2"},
        {VER_PLATFORM_WIN32_NT, 5, 2, " shell32.dll,Control_RunDLL mmsys.cpl,,2"},
        {VER_PLATFORM_WIN32_NT, 5, 0, " shell32.dll,Control_RunDLL mmsys.cpl,,1"},
        {VER_PLATFORM_WIN32_NT, 6, 0, " shell32.dll,Control_RunDLL mmsys.cpl,,1"},
        {VER_PLATFORM_WIN32_NT, 4, 0, " shell32.dll,Control_RunDLL mmsys.cpl"},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, " shell32.dll,Control_RunDLL mmsys.cpl"},
    };
    for (const Case& c : cases) {
        g_launches.clear();
        m_settings.SetSystemVersion(c.dwPlatform, c.dwMajor, c.dwMinor);
        EXPECT_TRUE(m_settings.OpenDeviceSettings());
        ASSERT_EQ(1u, g_launches.size());
        EXPECT_EQ(c.pszArguments, g_launches[0].commandLine) << c.dwMajor << "." << c.dwMinor;
    }
    m_settings.SetSystemVersion(VER_PLATFORM_WIN32_NT, 5, 1);
    g_launches.clear();
    m_settings.OpenDeviceSettings();
    EXPECT_EQ(SystemFolder() + "rundll32.exe", g_launches[0].application);
}

TEST_F(SoundSettingsTest, PreparesTheVolumeControlBeforeStartingIt)
{
    SetBinary(m_hKey, "LineStates", std::vector<BYTE>(132, 0x05));
    g_nRefusals = 1;
    EXPECT_TRUE(m_settings.OpenInputSettings());
    EXPECT_EQ(0, GetBinary(m_hKey, "LineStates")[0]);
    ASSERT_EQ(2u, g_launches.size());
    EXPECT_EQ(SystemFolder() + "sndvol32.exe", g_launches[0].application);
    EXPECT_EQ(" /r", g_launches[0].commandLine);
    EXPECT_EQ(SystemFolder() + "sndvol.exe", g_launches[1].application);
    EXPECT_EQ(" /r", g_launches[1].commandLine);
}

TEST_F(SoundSettingsTest, FailsWhenNoProgramStarts)
{
    g_nRefusals = 2;
    EXPECT_FALSE(m_settings.OpenInputSettings());
    g_nRefusals = 1;
    EXPECT_FALSE(m_settings.OpenDeviceSettings());
}

TEST(SoundSettingsLauncher, CreatesTheProcessWithoutWaiting)
{
    char szCmd[MAX_PATH];
    GetSystemDirectoryA(szCmd, sizeof(szCmd));
    lstrcatA(szCmd, "\\cmd.exe");
    EXPECT_TRUE(CSoundSettings::CreateProcessLauncher(szCmd, " /c exit 0"));
    EXPECT_FALSE(CSoundSettings::CreateProcessLauncher("C:\\no\\such\\program.exe", " /r"));
}

} // namespace
