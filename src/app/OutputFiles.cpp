#include "app/OutputFiles.h"

#include "base/ScopedWin.h"
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string WithoutTrailingBackslashes(std::string path)
{
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

int CALLBACK BrowseCallback(HWND hWnd, UINT uMsg, LPARAM, LPARAM lpData)
{
    if (uMsg == BFFM_INITIALIZED && lpData)
        SendMessageA(hWnd, BFFM_SETSELECTIONA, TRUE, lpData);
    return 0;
}

} // namespace

bool FileExists(const char* pszPath)
{
    CScopedFile file(CreateFileA(pszPath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(file.Get(), &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool NextNumberedName(const char* pszName, char* pszNext, int nSize)
{
    std::string name = pszName;
    size_t nSlash = name.rfind('\\');
    size_t nFileStart = nSlash == std::string::npos ? 0 : nSlash + 1;
    size_t nDot = name.rfind('.');
    if (nDot == std::string::npos || nDot < nFileStart)
        nDot = name.size();
    std::string folder = name.substr(0, nFileStart);
    std::string title = name.substr(nFileStart, nDot - nFileStart);
    std::string extension = name.substr(nDot);

    size_t nDigits = title.size();
    while (nDigits > 0 && isdigit(static_cast<unsigned char>(title[nDigits - 1])))
        --nDigits;
    unsigned long nNumber = 0;
    if (nDigits < title.size() && nDigits > 0 && title[nDigits - 1] == '#') {
        nNumber = strtoul(title.c_str() + nDigits, nullptr, 10);
        title.resize(nDigits - 1);
    }
    char szSuffix[32];
    snprintf(szSuffix, sizeof(szSuffix), "#%02lu", nNumber + 1);
    std::string next = folder + title + szSuffix + extension;
    if (static_cast<int>(next.size()) >= nSize)
        return false;
    memcpy(pszNext, next.c_str(), next.size() + 1);
    return true;
}

int BuildOutputName(const char* pszFolder, const char* pszExtension, const SYSTEMTIME& date, char* pszName, int nSize)
{
    if (!pszName || nSize <= 0)
        return 0;
    pszName[0] = '\0';
    std::string folder = pszFolder ? pszFolder : "";
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    char szFile[64];
    snprintf(szFile, sizeof(szFile), "%04d%02d%02d.%s", date.wYear, date.wMonth, date.wDay,
             pszExtension ? pszExtension : "");
    std::string name = folder + szFile;
    if (static_cast<int>(name.size()) >= nSize)
        return 0;

    char szCandidate[MAX_PATH + 32];
    memcpy(szCandidate, name.c_str(), name.size() + 1);
    while (FileExists(szCandidate)) {
        if (!NextNumberedName(szCandidate, szCandidate, std::min<int>(nSize, sizeof(szCandidate))))
            return 0;
    }
    strcpy(pszName, szCandidate);
    return 1;
}

bool CreateFolder(const char* pszPath, bool bCreateLast)
{
    std::string path = pszPath ? pszPath : "";
    bool bOk = false;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '\\' || i == 0 || path[i - 1] == ':')
            continue;
        std::string part = path.substr(0, i);
        bOk = CreateDirectoryA(part.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    }
    if (bCreateLast && !path.empty() && path.back() != '\\')
        bOk = CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    return bOk;
}

bool BrowseForFolder(HWND hOwner, const char* pszTitle, const char* pszCurrent, char* pszChosen, int nSize)
{
    std::string current = WithoutTrailingBackslashes(pszCurrent ? pszCurrent : "");
    BROWSEINFOA info = {};
    info.hwndOwner = hOwner;
    info.lpszTitle = pszTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(current.c_str());
    LPITEMIDLIST pList = SHBrowseForFolderA(&info);
    if (!pList)
        return false;
    char szPath[MAX_PATH] = "";
    bool bOk = SHGetPathFromIDListA(pList, szPath) != FALSE;
    CoTaskMemFree(pList);
    if (!bOk)
        return false;
    std::string chosen = WithoutTrailingBackslashes(szPath);
    if (static_cast<int>(chosen.size()) >= nSize)
        return false;
    memcpy(pszChosen, chosen.c_str(), chosen.size() + 1);
    return true;
}

void OpenFolder(const char* pszFolder)
{
    ShellExecuteA(nullptr, "open", pszFolder, nullptr, nullptr, SW_SHOWNORMAL);
}
