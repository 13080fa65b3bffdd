// The settings key: first run, load repairs, what is written; and the device name score.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/CSettingsStore.h"
#include "app/DeviceNameScore.h"

namespace {

const char kTestKey[] = "Software\\Vantri\\OrvaneSettingsTest";

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }

    void WriteDword(const char* pszName, DWORD dwValue)
    {
        HKEY hKey;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        RegSetValueExA(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
        RegCloseKey(hKey);
    }
    void WriteString(const char* pszName, const char* pszValue, DWORD dwType = REG_SZ)
    {
        HKEY hKey;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        RegSetValueExA(hKey, pszName, 0, dwType, reinterpret_cast<const BYTE*>(pszValue),
                       static_cast<DWORD>(strlen(pszValue) + 1));
        RegCloseKey(hKey);
    }
    DWORD ReadDword(const char* pszName)
    {
        DWORD dwValue = 0xDEAD, cbValue = sizeof(dwValue);
        RegGetValueA(HKEY_CURRENT_USER, kTestKey, pszName, RRF_RT_REG_DWORD, nullptr, &dwValue, &cbValue);
        return dwValue;
    }

    CSettingsStore m_store{HKEY_CURRENT_USER, kTestKey};
};

TEST_F(SettingsStoreTest, FirstRunWritesAllTenDefaults)
{
    StoredSettings settings;
    ASSERT_EQ(1, m_store.Load(settings));
    EXPECT_STREQ("C:\\Video Recordings", settings.strSaveFolder);
    EXPECT_TRUE(GetFileAttributesA("C:\\Video Recordings") & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(0u, ReadDword("Video Format"));
    EXPECT_EQ(0xFFFFFFFFu, ReadDword("Video Codec"));
    EXPECT_EQ(0xFFFFFFFFu, ReadDword("Audio Device"));
    EXPECT_EQ(0xFFFFFFFFu, ReadDword("Audio Input"));
    EXPECT_EQ(4u, ReadDword("Sample Rate"));
    EXPECT_EQ(5u, ReadDword("Audio Quality"));
    EXPECT_EQ(45535u, ReadDword("Audio Volume"));
    EXPECT_EQ(20u, ReadDword("Video FPS"));
    EXPECT_EQ(0x770000u, ReadDword("Start HotKey"));
    char szFolder[MAX_PATH] = "";
    DWORD cbFolder = sizeof(szFolder);
    ASSERT_EQ(ERROR_SUCCESS,
              RegGetValueA(HKEY_CURRENT_USER, kTestKey, "Save Folder", RRF_RT_REG_SZ, nullptr, szFolder, &cbFolder));
    EXPECT_STREQ("C:\\Video Recordings", szFolder);
}

TEST_F(SettingsStoreTest, LoadRepairsOutOfRangeValues)
{
    WriteDword("Sample Rate", static_cast<DWORD>(-3));
    WriteDword("Audio Quality", 42);
    WriteDword("Audio Volume", static_cast<DWORD>(-1));
    WriteDword("Video FPS", 25);
    WriteString("Save Folder", "D:\\Elsewhere", REG_BINARY);
    StoredSettings settings;
    m_store.Load(settings);
    EXPECT_EQ(4, settings.nSampleRate);
    EXPECT_EQ(9, settings.nAudioQuality);
    EXPECT_EQ(45535, settings.nVolumeSlider);
    EXPECT_STREQ("25", settings.strFps);
    EXPECT_STREQ("C:\\Video Recordings", settings.strSaveFolder) << "a folder of the wrong type keeps the default";
}

TEST_F(SettingsStoreTest, SaveFolderThatCannotBeReadKeepsTheDefaultFolder)
{
    StoredSettings settings;
    WriteDword("Save Folder", 5);
    m_store.Load(settings);
    EXPECT_STREQ("C:\\Video Recordings", settings.strSaveFolder) << "a number";

    WriteString("Save Folder", ("C:\\" + std::string(256, 'x')).c_str());
    m_store.Load(settings);
    EXPECT_STREQ("C:\\Video Recordings", settings.strSaveFolder) << "259 characters leave no room for the terminator";

    const std::string longest = "C:\\" + std::string(255, 'x');
    WriteString("Save Folder", longest.c_str());
    m_store.Load(settings);
    EXPECT_EQ(longest, static_cast<const char*>(settings.strSaveFolder)) << "258 characters fit";

    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_ALL_ACCESS, &hKey));
    RegDeleteValueA(hKey, "Save Folder");
    RegCloseKey(hKey);
    RemoveDirectoryA("C:\\Video Recordings"); // only when empty; either way it must exist afterwards
    m_store.Load(settings);
    EXPECT_STREQ("C:\\Video Recordings", settings.strSaveFolder) << "missing";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\Video Recordings"));
    EXPECT_TRUE(GetFileAttributesA("C:\\Video Recordings") & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(SettingsStoreTest, TypedFramesPerSecondStoresItsLeadingDigits)
{
    StoredSettings settings;
    CSettingsStore::ApplyDefaults(settings);
    settings.strFps = "25abc";
    m_store.Save(settings);
    EXPECT_EQ(25u, ReadDword("Video FPS"));
    settings.strFps = "abc";
    m_store.Save(settings);
    EXPECT_EQ(0u, ReadDword("Video FPS"));
    m_store.Load(settings);
    EXPECT_STREQ("0", settings.strFps);

    // A sign is not a digit: a typed -5 must not become a frame rate of four thousand million.
    settings.strFps = "-5";
    m_store.Save(settings);
    EXPECT_EQ(0u, ReadDword("Video FPS"));
    settings.strFps = "99999999999";
    m_store.Save(settings);
    EXPECT_EQ(0x7FFFFFFFu, ReadDword("Video FPS"));
    m_store.Load(settings);
    EXPECT_STREQ("2147483647", settings.strFps);
    EXPECT_EQ(30, CSettingsStore::FramesPerSecond(" 30"));
    EXPECT_EQ(0, CSettingsStore::FramesPerSecond(nullptr));
}

TEST(FramesPerSecond, ARecordingUsesTheTypedRateKeptToOneToAHundred)
{
    EXPECT_EQ(25, CSettingsStore::UsableFramesPerSecond("25abc"));
    EXPECT_EQ(1, CSettingsStore::UsableFramesPerSecond("abc"));
    EXPECT_EQ(1, CSettingsStore::UsableFramesPerSecond("0"));
    EXPECT_EQ(100, CSettingsStore::UsableFramesPerSecond("100"));
    EXPECT_EQ(100, CSettingsStore::UsableFramesPerSecond("1001"));
    EXPECT_EQ(100, CSettingsStore::UsableFramesPerSecond("99999999999"));
}

TEST_F(SettingsStoreTest, OptionsAndTheLastRectangleAreStoredAndRepaired)
{
    StoredSettings settings;
    m_store.Load(settings);
    EXPECT_EQ(0x780000u, ReadDword("Pause HotKey")) << "F9";
    EXPECT_EQ(0u, ReadDword("Countdown"));
    EXPECT_EQ(1u, ReadDword("Record Pointer"));
    EXPECT_EQ(0u, ReadDword("Highlight Pointer"));
    EXPECT_EQ(0u, ReadDword("Show Clicks"));
    EXPECT_EQ(0xFFFFFFFFu, ReadDword("Second Audio Device")) << "none";
    EXPECT_EQ(20000u, ReadDword("Second Audio Volume"));
    EXPECT_FALSE(settings.bHaveLastRect);

    const RECT rect = {-100, 20, 540, 500};
    ASSERT_TRUE(m_store.SaveLastRect(rect));
    m_store.Load(settings);
    ASSERT_TRUE(settings.bHaveLastRect);
    EXPECT_TRUE(EqualRect(&rect, &settings.rcLast));

    WriteDword("Pause HotKey", 0x12345678);
    WriteDword("Countdown", 42);
    WriteDword("Show Clicks", 7);
    WriteDword("Second Audio Device", static_cast<DWORD>(-9));
    WriteDword("Second Audio Volume", 70000);
    WriteString("Last Rectangle", "0,0,100,100");
    m_store.Load(settings);
    EXPECT_EQ(0x780000u, settings.dwPauseHotKey) << "no hotkey: the default";
    EXPECT_EQ(10, settings.nCountdown);
    EXPECT_EQ(1, settings.bShowClicks);
    EXPECT_EQ(-1, settings.nSecondDevice);
    EXPECT_EQ(20000, settings.nSecondVolume);
    EXPECT_FALSE(settings.bHaveLastRect) << "a rectangle of the wrong type is none";

    WriteDword("Pause HotKey", 0x7A0006);
    WriteDword("Countdown", static_cast<DWORD>(-1));
    WriteString("Countdown", "3");
    m_store.Load(settings);
    EXPECT_EQ(0x7A0006u, settings.dwPauseHotKey) << "Ctrl + Shift + F11";
    EXPECT_EQ(0, settings.nCountdown) << "a number of the wrong type keeps the default";
}

TEST(DeviceNameScore, KeywordsAddUp)
{
    EXPECT_EQ(16, ScoreDeviceName("Stereo Mix"));
    EXPECT_EQ(0, ScoreDeviceName("Microphone"));
    EXPECT_EQ(3, ScoreDeviceName("What U Hear"));
    EXPECT_EQ(0, ScoreDeviceName(""));
    EXPECT_EQ(4, ScoreDeviceName("\xBB\xEC\xD2\xF4"));
    EXPECT_EQ(6 + 4, ScoreDeviceName("\xC1\xA2\xCC\xE5\xC9\xF9\xBB\xEC\xD2\xF4"));
    EXPECT_EQ(5, ScoreDeviceName("\xB5\xA5\xC9\xF9\xB5\xC0"));
}

} // namespace
