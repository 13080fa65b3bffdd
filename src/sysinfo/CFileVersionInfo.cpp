#include "sysinfo/CFileVersionInfo.h"
#include <cstdio>

CFileVersionInfo::~CFileVersionInfo()
{
    Close();
}

BOOL CFileVersionInfo::Open(LPCSTR lpszPath)
{
    char szPath[MAX_PATH] = "";
    if (!lpszPath) {
        DWORD nLength = GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
        if (nLength == 0 || nLength >= sizeof(szPath))
            return FALSE;
        lpszPath = szPath;
    }
    if (!m_hModule) {
        // As data only: reading a version must not run the module's code.
        m_hModule.Reset(LoadLibraryExA(lpszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!m_hModule)
            return FALSE;
    }
    DWORD dwHandle = 0;
    DWORD dwSize = GetFileVersionInfoSizeA(lpszPath, &dwHandle);
    if (dwSize == 0) {
        Close();
        return FALSE;
    }
    m_block.assign(dwSize, 0);
    if (!GetFileVersionInfoA(lpszPath, 0, dwSize, m_block.data())) {
        Close();
        return FALSE;
    }
    LPVOID pTranslation = nullptr;
    UINT nLength = 0;
    if (!VerQueryValueA(m_block.data(), "\\VarFileInfo\\Translation", &pTranslation, &nLength) || !pTranslation ||
        nLength < sizeof(DWORD)) {
        Close();
        return FALSE;
    }
    const WORD* pWords = static_cast<const WORD*>(pTranslation);
    m_dwTranslation = (static_cast<DWORD>(pWords[0]) << 16) | pWords[1];
    return TRUE;
}

void CFileVersionInfo::Close()
{
    m_hModule.Reset();
    m_block.clear();
    m_dwTranslation = 0;
}

CString CFileVersionInfo::GetString(LPCSTR lpszName) const
{
    if (m_block.empty() || !lpszName)
        return CString();
    char szQuery[128];
    snprintf(szQuery, sizeof(szQuery), "\\StringFileInfo\\%08lx\\%s", static_cast<unsigned long>(m_dwTranslation),
             lpszName);
    LPVOID pValue = nullptr;
    UINT nLength = 0;
    // VerQueryValue wants a writable block in some versions; the data is not changed.
    BYTE* pBlock = const_cast<BYTE*>(m_block.data());
    if (!VerQueryValueA(pBlock, szQuery, &pValue, &nLength) || !pValue || nLength == 0)
        return CString();
    LPCSTR psz = static_cast<LPCSTR>(pValue);
    // The length counts the terminating null when there is one; never read past it.
    UINT nChars = 0;
    while (nChars < nLength && psz[nChars])
        ++nChars;
    return CString(psz, static_cast<int>(nChars));
}

LPCSTR CFileVersionInfo::FileOSWords(DWORD dwFileOS)
{
    switch (dwFileOS) {
    case 0x10000:
        return "MS-DOS";
    case 0x10001:
        return "16-bit windows running on MS-DOS";
    case 0x10004:
        return "Win32 API running on MS-DOS";
    case 0x20000:
        return "16-bit OS/2";
    case 0x20002:
        return "16-bit Presentation manager running on 16-bit OS/2";
    case 0x30000:
        return "32-bit OS/2";
    case 0x40000:
        return "Windows NT";
    case 0x40004:
        return "Win32 API on Windows NT";
    default:
        return "Unknown OS";
    }
}

LPCSTR CFileVersionInfo::FileTypeWords(DWORD dwFileType, DWORD dwFileSubtype)
{
    static const LPCSTR s_driverWords[] = {"Printer driver", "Keyboard driver",    "Language driver",
                                           "Display driver", "Mouse driver",       "Network driver",
                                           "System driver",  "Installable driver", "Sound driver"};
    static const LPCSTR s_fontWords[] = {"Raster font", "Vector font", "Truetype font"};
    switch (dwFileType) {
    case 0:
        return "Unknown type";
    case 1:
        return "Application";
    case 2:
        return "Dynamic link library";
    case 3:
        return dwFileSubtype >= 1 && dwFileSubtype <= 9 ? s_driverWords[dwFileSubtype - 1] : "Unknown driver";
    case 4:
        return dwFileSubtype >= 1 && dwFileSubtype <= 3 ? s_fontWords[dwFileSubtype - 1] : "Unknown font";
    case 5:
        return "Virtual device";
    case 7:
        return "Static link library";
    default:
        return nullptr;
    }
}

BOOL CFileVersionInfo::Fill(FileVersionRecord& record) const
{
    if (m_block.empty())
        return FALSE;
    record.m_strCompanyName = GetString("CompanyName");
    record.m_strLegalCopyright = GetString("LegalCopyright");
    record.m_strFileDescription = GetString("FileDescription");
    record.m_strInternalName = GetString("InternalName");
    record.m_strOriginalFilename = GetString("OriginalFilename");
    record.m_strProductName = GetString("ProductName");
    record.m_strProductVersion = GetString("ProductVersion");
    record.m_strFileVersion = GetString("FileVersion");

    char szLanguage[261] = "";
    VerLanguageNameA(HIWORD(m_dwTranslation), szLanguage, 260);
    record.m_strLanguage = szLanguage;

    LPVOID pValue = nullptr;
    UINT nLength = 0;
    BYTE* pBlock = const_cast<BYTE*>(m_block.data());
    if (!VerQueryValueA(pBlock, "\\", &pValue, &nLength) || !pValue || nLength < sizeof(VS_FIXEDFILEINFO))
        return FALSE;
    const VS_FIXEDFILEINFO* pFixed = static_cast<const VS_FIXEDFILEINFO*>(pValue);
    record.m_strFileVersionNumber.Format("%d.%d.%d.%d", HIWORD(pFixed->dwFileVersionMS),
                                         LOWORD(pFixed->dwFileVersionMS), HIWORD(pFixed->dwFileVersionLS),
                                         LOWORD(pFixed->dwFileVersionLS));
    record.m_strFileOS = FileOSWords(pFixed->dwFileOS);
    if (LPCSTR lpszType = FileTypeWords(pFixed->dwFileType, pFixed->dwFileSubtype))
        record.m_strFileType = lpszType;
    return TRUE;
}
