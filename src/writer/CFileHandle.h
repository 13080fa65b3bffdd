#pragma once

#include <windows.h>

#include "base/ScopedWin.h"

// Owns a file handle for the repair of recordings; the file is closed when the owner goes.
class CFileHandle
{
public:
    CFileHandle() = default;
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    // For reading, while nobody writes to the file (a recording in progress keeps it).
    bool OpenRead(const char* pszPath);
    // A new file, or an existing one emptied, for writing.
    bool Create(const char* pszPath);
    void Close();
    bool IsOpen() const { return m_hFile.IsValid(); }

    // Reads up to cbWanted bytes; cbRead is 0 at the end of the file.
    bool Read(void* pData, DWORD cbWanted, DWORD& cbRead);
    // Reads exactly cbWanted bytes.
    bool ReadAll(void* pData, DWORD cbWanted);
    bool Write(const void* pData, size_t cbData);
    bool Seek(ULONGLONG nOffset);
    ULONGLONG Size() const;
    // Puts what was written on the disk itself.
    bool Flush();

private:
    CScopedFile m_hFile;
};
