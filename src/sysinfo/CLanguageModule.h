#pragma once
// Chooses and loads the user-interface DLL of a language and style from the folder tree
// <folder>\<code>_<name>\<style>_<name>.dll, and makes it the resource module until Unload.
#include "base/ScopedWin.h"
#include "framework/CString.h"
#include <vector>

class CLanguageModule
{
public:
    typedef LANGID(WINAPI* USER_LANGUAGE_SOURCE)();

    CLanguageModule();
    ~CLanguageModule();
    CLanguageModule(const CLanguageModule&) = delete;
    CLanguageModule& operator=(const CLanguageModule&) = delete;

    void SetFolder(LPCSTR lpszFolder) { m_strFolder = lpszFolder; }
    void SetRegistry(HKEY hRoot, LPCSTR lpszKeyPath);
    // Where the user's default language comes from (GetUserDefaultLangID unless a test says).
    void SetUserLanguageSource(USER_LANGUAGE_SOURCE pfnSource) { m_pfnUserLanguage = pfnSource; }

    BOOL Load();
    void Unload();
    // The path of the loaded DLL; null when none is loaded.
    LPCSTR GetLoadedPath() const { return m_strLoadedPath.IsEmpty() ? nullptr : static_cast<LPCSTR>(m_strLoadedPath); }
    HINSTANCE GetModule() const { return m_hModule.Get(); }
    const std::vector<CString>& GetLanguageEntries() const { return m_languageEntries; }
    const std::vector<CString>& GetStyleEntries() const { return m_styleEntries; }
    const CString& GetLanguageCode() const { return m_strLanguageCode; }
    const CString& GetStyleCode() const { return m_strStyleCode; }

    // The text before the first "_", empty when there is none.
    static CString EntryCode(const CString& strEntry);
    // Leading hexadecimal digits as a number (0 without any).
    static WORD HexLanguageId(const CString& strCode);
    // A DLL mapped as resources only, never run; null when it cannot be loaded.
    static HINSTANCE LoadResourceModule(LPCSTR lpszPath);

private:
    void ListLanguages(const CString& strFolder, BOOL* pbListed);
    void ListStyles(const CString& strFolder, BOOL* pbListed);
    CString ChooseLanguage(HKEY hKey) const;
    CString ChooseStyle(HKEY hKey) const;
    static BOOL ReadCode(HKEY hKey, LPCSTR lpszValue, CString& strValue);
    static const CString* FindEntry(const std::vector<CString>& entries, const CString& strCode, BOOL bIgnoreCase);

    CString m_strFolder;
    HKEY m_hRoot = nullptr;
    CString m_strKeyPath;
    const CString m_strDefaultLanguageCode = "0409";
    const CString m_strDefaultLanguageName = "English";
    CString m_strLanguageCode;
    std::vector<CString> m_languageEntries;
    const CString m_strDefaultStyleCode = "Base";
    const CString m_strDefaultStyleName = "Default";
    const CString m_strExtension = ".dll";
    CString m_strStyleCode;
    std::vector<CString> m_styleEntries;
    CString m_strLoadedPath;
    CScopedModule m_hModule;
    HINSTANCE m_hPreviousResource = nullptr;
    USER_LANGUAGE_SOURCE m_pfnUserLanguage = GetUserDefaultLangID;
};
