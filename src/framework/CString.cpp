#include "framework/CString.h"
#include "framework/AfxCore.h"
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

int CString::Compare(LPCSTR psz) const
{
    return strcmp(m_str.c_str(), psz ? psz : "");
}

int CString::CompareNoCase(LPCSTR psz) const
{
    return lstrcmpiA(m_str.c_str(), psz ? psz : "");
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    return CString(m_str.substr(0, nCount));
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.substr(m_str.size() - nCount));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength() - nFirst);
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst >= GetLength() || nCount <= 0)
        return CString();
    return CString(m_str.substr(nFirst, nCount));
}

int CString::Find(char ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    size_t n = m_str.find(ch, nStart);
    return n == std::string::npos ? -1 : static_cast<int>(n);
}

int CString::Find(LPCSTR pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > GetLength())
        return -1;
    size_t n = m_str.find(pszSub, nStart);
    return n == std::string::npos ? -1 : static_cast<int>(n);
}

int CString::ReverseFind(char ch) const
{
    size_t n = m_str.rfind(ch);
    return n == std::string::npos ? -1 : static_cast<int>(n);
}

void CString::MakeUpper()
{
    if (!m_str.empty())
        CharUpperBuffA(&m_str[0], static_cast<DWORD>(m_str.size()));
}

void CString::MakeLower()
{
    if (!m_str.empty())
        CharLowerBuffA(&m_str[0], static_cast<DWORD>(m_str.size()));
}

void CString::TrimLeft()
{
    size_t n = 0;
    while (n < m_str.size() && isspace(static_cast<unsigned char>(m_str[n])))
        ++n;
    m_str.erase(0, n);
}

void CString::TrimRight()
{
    while (!m_str.empty() && isspace(static_cast<unsigned char>(m_str.back())))
        m_str.pop_back();
}

int CString::Replace(char chOld, char chNew)
{
    int nCount = 0;
    for (char& ch : m_str) {
        if (ch == chOld) {
            ch = chNew;
            ++nCount;
        }
    }
    return nCount;
}

void CString::Format(LPCSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCSTR pszFormat, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int nLength = vsnprintf(nullptr, 0, pszFormat, copy);
    va_end(copy);
    if (nLength < 0) {
        m_str.clear();
        return;
    }
    std::vector<char> buffer(nLength + 1);
    vsnprintf(buffer.data(), buffer.size(), pszFormat, args);
    m_str.assign(buffer.data(), nLength);
}

BOOL CString::LoadString(UINT nID)
{
    // A language module may lack single strings: the program's own table fills the gaps.
    if (LoadString(AfxGetResourceHandle(), nID))
        return TRUE;
    HINSTANCE hProgram = AfxGetInstanceHandle();
    return hProgram != AfxGetResourceHandle() && LoadString(hProgram, nID);
}

BOOL CString::LoadString(HINSTANCE hInstance, UINT nID)
{
    // Ask for the length first: strings may be longer than any fixed buffer.
    LPCWSTR pwsz = nullptr;
    int nWide = LoadStringW(hInstance, nID, reinterpret_cast<LPWSTR>(&pwsz), 0);
    if (nWide <= 0 || !pwsz) {
        m_str.clear();
        return FALSE;
    }
    int nBytes = WideCharToMultiByte(CP_ACP, 0, pwsz, nWide, nullptr, 0, nullptr, nullptr);
    m_str.assign(nBytes > 0 ? nBytes : 0, '\0');
    if (nBytes > 0)
        WideCharToMultiByte(CP_ACP, 0, pwsz, nWide, &m_str[0], nBytes, nullptr, nullptr);
    return TRUE;
}

LPSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize(nMinBufLength);
    return &m_str[0];
}

LPSTR CString::GetBufferSetLength(int nLength)
{
    m_str.resize(nLength > 0 ? nLength : 0);
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(strlen(m_str.c_str()));
    if (nNewLength < GetLength())
        m_str.resize(nNewLength);
}

CString LoadText(UINT nId)
{
    CString text;
    text.LoadString(nId);
    return text;
}
