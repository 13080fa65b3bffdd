#include "sysinfo/CLanguageModule.h"
#include "framework/AfxCore.h"
#include "base/ScopedWin.h"
#include <cctype>

namespace {

const DWORD kMaxValueBytes = 260;

CString WithBackslash(const CString& strFolder)
{
    if (!strFolder.IsEmpty() && strFolder[strFolder.GetLength() - 1] == '\\')
        return strFolder;
    return strFolder + "\\";
}

bool EndsWithNoCase(const CString& str, const CString& strEnd)
{
    return str.GetLength() >= strEnd.GetLength() && str.Right(strEnd.GetLength()).CompareNoCase(strEnd) == 0;
}

} // namespace

CLanguageModule::CLanguageModule() = default;

CLanguageModule::~CLanguageModule()
{
    Unload();
}

void CLanguageModule::SetRegistry(HKEY hRoot, LPCSTR lpszKeyPath)
{
    m_hRoot = hRoot;
    m_strKeyPath = lpszKeyPath;
}

CString CLanguageModule::EntryCode(const CString& strEntry)
{
    int nUnderscore = strEntry.Find('_');
    return nUnderscore < 0 ? CString() : strEntry.Left(nUnderscore);
}

WORD CLanguageModule::HexLanguageId(const CString& strCode)
{
    unsigned long nValue = 0;
    for (int i = 0; i < strCode.GetLength() && isxdigit(static_cast<unsigned char>(strCode[i])); ++i) {
        char ch = static_cast<char>(tolower(static_cast<unsigned char>(strCode[i])));
        nValue = (nValue << 4) | static_cast<unsigned long>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
        nValue &= 0xFFFFFFFFul;
    }
    return static_cast<WORD>(nValue & 0xFFFF);
}

const CString* CLanguageModule::FindEntry(const std::vector<CString>& entries, const CString& strCode, BOOL bIgnoreCase)
{
    for (const CString& strEntry : entries) {
        CString strEntryCode = EntryCode(strEntry);
        if (bIgnoreCase ? strEntryCode.CompareNoCase(strCode) == 0 : strEntryCode == strCode)
            return &strEntry;
    }
    return nullptr;
}

BOOL CLanguageModule::ReadCode(HKEY hKey, LPCSTR lpszValue, CString& strValue)
{
    if (!hKey)
        return FALSE;
    DWORD dwType = 0;
    char szData[kMaxValueBytes + 2] = "";
    DWORD cbData = kMaxValueBytes;
    // Longer values (ERROR_MORE_DATA) and other types are ignored.
    if (RegQueryValueExA(hKey, lpszValue, nullptr, &dwType, reinterpret_cast<BYTE*>(szData), &cbData) != ERROR_SUCCESS)
        return FALSE;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ && dwType != REG_MULTI_SZ)
        return FALSE;
    // A stored string need not carry its terminating null; a multi-string gives its first text.
    szData[cbData < kMaxValueBytes ? cbData : kMaxValueBytes] = '\0';
    strValue = szData;
    return TRUE;
}

void CLanguageModule::ListLanguages(const CString& strFolder, BOOL* pbListed)
{
    WIN32_FIND_DATAA data = {};
    CScopedFind find(FindFirstFileA(strFolder + "*.*", &data));
    *pbListed = find.IsValid();
    if (!*pbListed)
        return;
    do {
        CString strName = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || strName == "." || strName == "..")
            continue;
        if (EntryCode(strName).CompareNoCase(m_strDefaultLanguageCode) == 0)
            continue;
        m_languageEntries.push_back(strName);
    } while (FindNextFileA(find.Get(), &data));
}

void CLanguageModule::ListStyles(const CString& strFolder, BOOL* pbListed)
{
    WIN32_FIND_DATAA data = {};
    CScopedFind find(FindFirstFileA(strFolder + "*.*", &data));
    *pbListed = find.IsValid();
    if (!*pbListed)
        return;
    do {
        CString strName = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (strName.GetLength() <= m_strExtension.GetLength() || !EndsWithNoCase(strName, m_strExtension))
            continue;
        if (EntryCode(strName).CompareNoCase(m_strDefaultStyleCode) == 0)
            continue;
        m_styleEntries.push_back(strName);
    } while (FindNextFileA(find.Get(), &data));
}

CString CLanguageModule::ChooseLanguage(HKEY hKey) const
{
    CString strValue;
    if (ReadCode(hKey, "Language", strValue)) {
        // The folder's own spelling, so that the exact lookup that follows finds it.
        if (const CString* pEntry = FindEntry(m_languageEntries, strValue, TRUE))
            return EntryCode(*pEntry);
    }
    WORD wUserLanguage = m_pfnUserLanguage ? m_pfnUserLanguage() : 0;
    CString strChosen = m_strDefaultLanguageCode;
    for (const CString& strEntry : m_languageEntries) {
        CString strCode = EntryCode(strEntry);
        WORD wEntryLanguage = HexLanguageId(strCode);
        if (wEntryLanguage == wUserLanguage)
            return strCode;
        if (PRIMARYLANGID(wEntryLanguage) == PRIMARYLANGID(wUserLanguage))
            strChosen = strCode;
    }
    return strChosen;
}

CString CLanguageModule::ChooseStyle(HKEY hKey) const
{
    CString strValue;
    if (ReadCode(hKey, "Style", strValue)) {
        if (const CString* pEntry = FindEntry(m_styleEntries, strValue, TRUE))
            return EntryCode(*pEntry);
    }
    return m_strDefaultStyleCode;
}

HINSTANCE CLanguageModule::LoadResourceModule(LPCSTR lpszPath)
{
    // Mapped for its resources only: nothing of a DLL planted in the language folder runs.
    HINSTANCE hModule = LoadLibraryExA(lpszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    // Systems before Vista know only the first flag.
    if (!hModule && GetLastError() == ERROR_INVALID_PARAMETER)
        hModule = LoadLibraryExA(lpszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return hModule;
}

BOOL CLanguageModule::Load()
{
    Unload();
    m_languageEntries.clear();
    m_styleEntries.clear();
    m_languageEntries.push_back(m_strDefaultLanguageCode + "_" + m_strDefaultLanguageName);
    m_styleEntries.push_back(m_strDefaultStyleCode + "_" + m_strDefaultStyleName + m_strExtension);
    m_strLanguageCode = m_strDefaultLanguageCode;
    m_strStyleCode = m_strDefaultStyleCode;
    if (m_strFolder.IsEmpty() || !m_hRoot || m_strKeyPath.IsEmpty())
        return FALSE;

    // Reading is all that is needed here.
    CScopedRegKey key;
    if (RegOpenKeyExA(m_hRoot, m_strKeyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        key.Detach();
    const HKEY hKey = key.Get();

    CString strFolder = WithBackslash(m_strFolder);
    BOOL bListed = FALSE;
    ListLanguages(strFolder, &bListed);
    if (!bListed) {
        return FALSE;
    }
    m_strLanguageCode = ChooseLanguage(hKey);
    const CString* pLanguage = FindEntry(m_languageEntries, m_strLanguageCode, FALSE);
    CString strLanguageEntry = pLanguage ? *pLanguage : m_languageEntries.front();

    CString strLanguageFolder = strFolder + strLanguageEntry + "\\";
    ListStyles(strLanguageFolder, &bListed);
    if (!bListed) {
        return FALSE;
    }
    m_strStyleCode = ChooseStyle(hKey);
    key.Reset();
    const CString* pStyle = FindEntry(m_styleEntries, m_strStyleCode, FALSE);
    CString strStyleEntry = pStyle ? *pStyle : m_styleEntries.front();

    CString strPath = strLanguageFolder + strStyleEntry;
    HINSTANCE hModule = LoadResourceModule(strPath);
    if (!hModule)
        return FALSE;
    m_hModule.Reset(hModule);
    m_strLoadedPath = strPath;
    m_hPreviousResource = AfxGetResourceHandle();
    AfxSetResourceHandle(hModule);
    return TRUE;
}

void CLanguageModule::Unload()
{
    if (m_hPreviousResource) {
        AfxSetResourceHandle(m_hPreviousResource);
        m_hPreviousResource = nullptr;
    }
    m_hModule.Reset();
    m_strLoadedPath.Empty();
}
