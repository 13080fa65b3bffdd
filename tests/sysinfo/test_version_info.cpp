// The version reader against modules with known version resources, and the OS tests.
#include "sysinfo/CFileVersionInfo.h"
#include "sysinfo/OsVersion.h"
#include <gtest/gtest.h>
#include <fstream>

TEST(FileVersionInfo, ReadsTheFirstTranslationOnly)
{
    CFileVersionInfo info;
    ASSERT_TRUE(info.Open("sysinfo_version_multi.dll"));
    EXPECT_EQ(0x040704E4u, info.GetTranslation());
    EXPECT_STREQ("Vantri GmbH", info.GetString("CompanyName"));
    EXPECT_STREQ("Testprodukt", info.GetString("ProductName"));
    EXPECT_STREQ("", info.GetString("NoSuchString"));

    FileVersionRecord record;
    ASSERT_TRUE(info.Fill(record));
    EXPECT_STREQ("Vantri GmbH", record.m_strCompanyName);
    EXPECT_STREQ("Alle Rechte vorbehalten.", record.m_strLegalCopyright);
    EXPECT_STREQ("Testmodul", record.m_strFileDescription);
    EXPECT_STREQ("versiontest", record.m_strInternalName);
    EXPECT_STREQ("sysinfo_version_multi.dll", record.m_strOriginalFilename);
    EXPECT_STREQ("Testprodukt", record.m_strProductName);
    EXPECT_STREQ("6.7", record.m_strProductVersion);
    // No "FileVersion" in the first translation (the second one's is not used) ...
    EXPECT_STREQ("", record.m_strFileVersion);
    // ... but the fixed information still gives the numbers.
    EXPECT_STREQ("2.3.4.5", record.m_strFileVersionNumber);
    EXPECT_STREQ("Unknown OS", record.m_strFileOS);
    EXPECT_STREQ("Dynamic link library", record.m_strFileType);
    char szLanguage[261] = "";
    VerLanguageNameA(0x0407, szLanguage, 260);
    EXPECT_STREQ(szLanguage, record.m_strLanguage);
    EXPECT_FALSE(record.m_strLanguage.IsEmpty());
}

TEST(FileVersionInfo, DriverTypesAndOperatingSystemWords)
{
    CFileVersionInfo info;
    ASSERT_TRUE(info.Open("sysinfo_version_driver.dll"));
    FileVersionRecord record;
    ASSERT_TRUE(info.Fill(record));
    EXPECT_STREQ("1.2.0.300", record.m_strFileVersionNumber);
    EXPECT_STREQ("1.2 build 300", record.m_strFileVersion);
    EXPECT_STREQ("Win32 API on Windows NT", record.m_strFileOS);
    EXPECT_STREQ("Sound driver", record.m_strFileType);
    EXPECT_STREQ("", record.m_strCompanyName) << "a missing string leaves its field empty";

    EXPECT_STREQ("MS-DOS", CFileVersionInfo::FileOSWords(0x10000));
    EXPECT_STREQ("16-bit Presentation manager running on 16-bit OS/2", CFileVersionInfo::FileOSWords(0x20002));
    EXPECT_STREQ("Unknown OS", CFileVersionInfo::FileOSWords(0x40001));
    EXPECT_STREQ("Unknown driver", CFileVersionInfo::FileTypeWords(3, 12));
    EXPECT_STREQ("Truetype font", CFileVersionInfo::FileTypeWords(4, 3));
    EXPECT_STREQ("Unknown font", CFileVersionInfo::FileTypeWords(4, 0));
    EXPECT_STREQ("Static link library", CFileVersionInfo::FileTypeWords(7, 0));
    EXPECT_EQ(nullptr, CFileVersionInfo::FileTypeWords(6, 0));
    EXPECT_EQ(nullptr, CFileVersionInfo::FileTypeWords(8, 0));
}

TEST(FileVersionInfo, TheProgramItselfWhenNoPathIsGiven)
{
    // The test program has no version resource: Open fails and the reader is closed.
    CFileVersionInfo info;
    EXPECT_FALSE(info.Open());
    EXPECT_FALSE(info.IsOpen());
    FileVersionRecord record;
    record.m_strFileType = "untouched";
    EXPECT_FALSE(info.Fill(record));
    EXPECT_STREQ("untouched", record.m_strFileType);
}

TEST(FileVersionInfo, FailsOnModulesWithoutUsableVersionData)
{
    CFileVersionInfo info;
    EXPECT_FALSE(info.Open("sysinfo_version_none.dll"));
    EXPECT_FALSE(info.IsOpen());
    EXPECT_FALSE(info.Open("sysinfo_version_notranslation.dll"));
    EXPECT_FALSE(info.IsOpen());
    EXPECT_STREQ("", info.GetString("ProductName"));
    EXPECT_FALSE(info.Open("no_such_module.dll"));

    // A file that is not a module at all.
    {
        std::ofstream file("not_a_module.dll");
        file << "plain text, not a module";
    }
    EXPECT_FALSE(info.Open("not_a_module.dll"));
    DeleteFileA("not_a_module.dll");

    // The reader can be used again after a failure.
    EXPECT_TRUE(info.Open("sysinfo_version_driver.dll"));
    info.Close();
    EXPECT_FALSE(info.IsOpen());
}

TEST(OsVersion, MajorAndMinorAreTestedIndependently)
{
    OSVERSIONINFOA os = {};
    os.dwOSVersionInfoSize = sizeof(os);
    ASSERT_TRUE(GetVersionExA(&os));
    ASSERT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), os.dwPlatformId);
    DWORD nMajor = os.dwMajorVersion;
    DWORD nMinor = os.dwMinorVersion;

    EXPECT_EQ(1, IsOsVersion(VER_PLATFORM_WIN32_NT, nMajor, nMinor));
    EXPECT_EQ(0, IsOsVersion(VER_PLATFORM_WIN32_WINDOWS, nMajor, nMinor));
    EXPECT_EQ(0, IsOsVersion(VER_PLATFORM_WIN32_NT, nMajor + 1, 0));
    EXPECT_EQ(2, IsOsVersion(VER_PLATFORM_WIN32_NT, nMajor - 1, nMinor));
    EXPECT_EQ(2, IsOsVersion(VER_PLATFORM_WIN32_NT, 5, 0)) << "start-up accepts this Windows";
    // An older major version with a higher minor version is not reached: the tests are
    // independent (6.0 does not reach 5.1).
    EXPECT_EQ(0, IsOsVersion(VER_PLATFORM_WIN32_NT, nMajor - 1, nMinor + 1));
    EXPECT_FALSE(IsWin9x());
}
