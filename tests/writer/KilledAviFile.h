#pragma once

#include <windows.h>
#include <vfw.h>

#include <string>
#include <vector>

// The data of an AVI file whose writer was stopped before it closed it, as the AVI library
// leaves it: the header area zeros, then video and sound chunks, perhaps torn at the end.
class KilledAviFile
{
public:
    KilledAviFile() : m_bytes(2048, 0) {}

    KilledAviFile& Chunk(const char* pszId, DWORD cbData)
    {
        const DWORD header[2] = {mmioFOURCC(pszId[0], pszId[1], pszId[2], pszId[3]), cbData};
        const BYTE* p = reinterpret_cast<const BYTE*>(header);
        m_bytes.insert(m_bytes.end(), p, p + sizeof header);
        for (DWORD i = 0; i < cbData + (cbData & 1); ++i)
            m_bytes.push_back(static_cast<BYTE>(i * 7 + 1));
        return *this;
    }
    KilledAviFile& Bytes(const std::vector<BYTE>& bytes)
    {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    KilledAviFile& CutLast(size_t cbMissing)
    {
        m_bytes.resize(m_bytes.size() - cbMissing);
        return *this;
    }
    void Save(const std::string& path) const
    {
        HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD cbWritten = 0;
        WriteFile(hFile, m_bytes.data(), static_cast<DWORD>(m_bytes.size()), &cbWritten, nullptr);
        CloseHandle(hFile);
    }

private:
    std::vector<BYTE> m_bytes;
};
