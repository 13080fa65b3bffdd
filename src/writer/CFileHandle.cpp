#include "writer/CFileHandle.h"

#include <algorithm>

bool CFileHandle::OpenRead(const char* pszPath)
{
    m_hFile.Reset(CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return IsOpen();
}

bool CFileHandle::Create(const char* pszPath)
{
    m_hFile.Reset(
        CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return IsOpen();
}

void CFileHandle::Close()
{
    m_hFile.Reset();
}

bool CFileHandle::Read(void* pData, DWORD cbWanted, DWORD& cbRead)
{
    cbRead = 0;
    return ReadFile(m_hFile.Get(), pData, cbWanted, &cbRead, nullptr) != FALSE;
}

bool CFileHandle::ReadAll(void* pData, DWORD cbWanted)
{
    DWORD cbRead = 0;
    return Read(pData, cbWanted, cbRead) && cbRead == cbWanted;
}

bool CFileHandle::Write(const void* pData, size_t cbData)
{
    const BYTE* p = static_cast<const BYTE*>(pData);
    while (cbData) {
        const DWORD cbChunk = static_cast<DWORD>(std::min<size_t>(cbData, 1 << 30));
        DWORD cbWritten = 0;
        if (!WriteFile(m_hFile.Get(), p, cbChunk, &cbWritten, nullptr) || cbWritten != cbChunk)
            return false;
        p += cbChunk;
        cbData -= cbChunk;
    }
    return true;
}

bool CFileHandle::Seek(ULONGLONG nOffset)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(nOffset);
    return SetFilePointerEx(m_hFile.Get(), position, nullptr, FILE_BEGIN) != FALSE;
}

ULONGLONG CFileHandle::Size() const
{
    LARGE_INTEGER size;
    return GetFileSizeEx(m_hFile.Get(), &size) ? static_cast<ULONGLONG>(size.QuadPart) : 0;
}

bool CFileHandle::Flush()
{
    return FlushFileBuffers(m_hFile.Get()) != FALSE;
}
