// Output names on real folders: date names, the "#NN" suffix rule, what counts as taken.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "app/OutputFiles.h"

namespace {

class OutputFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char szTemp[MAX_PATH];
        GetTempPathA(sizeof(szTemp), szTemp);
        m_folder = std::string(szTemp) + "orvane-naming-" + std::to_string(GetCurrentProcessId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateFolder(m_folder.c_str(), true));
        m_date.wYear = 2007;
        m_date.wMonth = 12;
        m_date.wDay = 7;
    }
    void TearDown() override
    {
        WIN32_FIND_DATAA find;
        HANDLE hFind = FindFirstFileA((m_folder + "\\*").c_str(), &find);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                std::string path = m_folder + "\\" + find.cFileName;
                if (find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveDirectoryA(path.c_str());
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(hFind, &find));
            FindClose(hFind);
        }
        RemoveDirectoryA(m_folder.c_str());
    }
    void Touch(const char* pszName)
    {
        HANDLE hFile =
            CreateFileA((m_folder + "\\" + pszName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
        CloseHandle(hFile);
    }
    std::string Next(const char* pszExtension = "avi")
    {
        char szName[MAX_PATH];
        if (!BuildOutputName(m_folder.c_str(), pszExtension, m_date, szName, sizeof(szName)))
            return "<failed>";
        return std::string(szName).substr(m_folder.size() + 1);
    }

    std::string m_folder;
    SYSTEMTIME m_date = {};
};

TEST_F(OutputFilesTest, DateNameThenNumberedNames)
{
    EXPECT_EQ("20071207.avi", Next());
    Touch("20071207.avi");
    EXPECT_EQ("20071207#01.avi", Next());
    Touch("20071207#01.avi");
    EXPECT_EQ("20071207#02.avi", Next());
    EXPECT_EQ("20071207.wmv", Next("wmv")) << "another extension is another name";
}

TEST_F(OutputFilesTest, OnlyAHigherNumberTakenLeavesThePlainName)
{
    Touch("20071207#05.avi");
    EXPECT_EQ("20071207.avi", Next());
}

TEST_F(OutputFilesTest, AFolderOfTheSameNameDoesNotCount)
{
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\20071207.avi").c_str(), nullptr));
    EXPECT_FALSE(FileExists((m_folder + "\\20071207.avi").c_str()));
    EXPECT_EQ("20071207.avi", Next());
}

TEST_F(OutputFilesTest, TrailingBackslashIsNotDoubled)
{
    char szName[MAX_PATH];
    ASSERT_TRUE(BuildOutputName("D:\\Rec\\", "avi", m_date, szName, sizeof(szName)));
    EXPECT_STREQ("D:\\Rec\\20071207.avi", szName);
}

TEST_F(OutputFilesTest, NamesUpTo259CharactersAndNoneLongerEvenWhenNumbered)
{
    // A sub-folder whose dated name is exactly 259 characters long.
    const std::string plain = "\\20071207.avi";
    std::string folder = m_folder + "\\" + std::string(259 - m_folder.size() - 1 - plain.size(), 'n');
    ASSERT_TRUE(CreateFolder(folder.c_str(), true));
    char szName[MAX_PATH] = "";
    ASSERT_EQ(1, BuildOutputName(folder.c_str(), "avi", m_date, szName, sizeof(szName)));
    EXPECT_EQ(folder + plain, szName);
    EXPECT_EQ(259u, strlen(szName));

    // Taken, its numbered successor would need 262 characters: no name rather than a cut one.
    HANDLE hFile = CreateFileA(szName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    CloseHandle(hFile);
    strcpy(szName, "junk");
    EXPECT_EQ(0, BuildOutputName(folder.c_str(), "avi", m_date, szName, sizeof(szName)));
    EXPECT_STREQ("", szName);
    DeleteFileA((folder + plain).c_str());
    RemoveDirectoryA(folder.c_str());

    // One character more in the folder: 260 characters do not fit.
    EXPECT_EQ(0, BuildOutputName((folder + "n").c_str(), "avi", m_date, szName, sizeof(szName)));
    EXPECT_STREQ("", szName);
}

TEST(OutputNames, NumberSuffixRule)
{
    char szNext[MAX_PATH];
    ASSERT_TRUE(NextNumberedName("C:\\R\\20071207.avi", szNext, sizeof(szNext)));
    EXPECT_STREQ("C:\\R\\20071207#01.avi", szNext);
    ASSERT_TRUE(NextNumberedName("C:\\R\\20071207#99.avi", szNext, sizeof(szNext)));
    EXPECT_STREQ("C:\\R\\20071207#100.avi", szNext);
    ASSERT_TRUE(NextNumberedName("C:\\R.d\\name", szNext, sizeof(szNext)));
    EXPECT_STREQ("C:\\R.d\\name#01", szNext) << "a dot in the folder is not the extension";
}

TEST(OutputNames, TooLongFolderFailsWithAnEmptyName)
{
    std::string folder = "C:\\" + std::string(250, 'f');
    SYSTEMTIME date = {2007, 12, 0, 7, 0, 0, 0, 0};
    char szName[MAX_PATH] = "junk";
    EXPECT_EQ(0, BuildOutputName(folder.c_str(), "avi", date, szName, sizeof(szName)));
    EXPECT_STREQ("", szName);
    EXPECT_EQ(0, BuildOutputName("C:\\", "avi", date, nullptr, 260));
}

TEST(OutputNames, CreateFolderMakesEveryMissingParent)
{
    char szTemp[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    std::string base = std::string(szTemp) + "orvane-create-" + std::to_string(GetCurrentProcessId());
    std::string deep = base + "\\a\\b\\c";
    ASSERT_TRUE(CreateFolder(deep.c_str(), true));
    EXPECT_TRUE(GetFileAttributesA(deep.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(CreateFolder(deep.c_str(), true)) << "an existing folder is success";
    std::string withoutLast = base + "\\x\\y";
    EXPECT_TRUE(CreateFolder(withoutLast.c_str(), false));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(withoutLast.c_str()));
    RemoveDirectoryA((base + "\\x").c_str());
    RemoveDirectoryA(deep.c_str());
    RemoveDirectoryA((base + "\\a\\b").c_str());
    RemoveDirectoryA((base + "\\a").c_str());
    RemoveDirectoryA(base.c_str());
}

} // namespace
