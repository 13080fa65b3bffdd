#pragma once
// Reader of a module's version resource.
#include "base/ScopedWin.h"
#include "framework/CString.h"
#include "sysinfo/FileVersionRecord.h"
#include <vector>

class CFileVersionInfo
{
public:
    CFileVersionInfo() = default;
    ~CFileVersionInfo();
    CFileVersionInfo(const CFileVersionInfo&) = delete;
    CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;

    // Reads the version resource of a file; null means the running program.
    BOOL Open(LPCSTR lpszPath = nullptr);
    void Close();
    BOOL IsOpen() const { return !m_block.empty(); }
    DWORD GetTranslation() const { return m_dwTranslation; }
    // A string of the first translation; empty when missing.
    CString GetString(LPCSTR lpszName) const;
    BOOL Fill(FileVersionRecord& record) const;

    static LPCSTR FileOSWords(DWORD dwFileOS);
    // Null for the types whose words are not known (6 and above 7): the field stays as it was.
    static LPCSTR FileTypeWords(DWORD dwFileType, DWORD dwFileSubtype);

private:
    CScopedModule m_hModule;
    std::vector<BYTE> m_block;
    DWORD m_dwTranslation = 0; // language in the high word, code page in the low word
};
