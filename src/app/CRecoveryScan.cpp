#include "app/CRecoveryScan.h"

#include "base/ScopedWin.h"
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "res/resource.h"
#include "writer/CAviRecoveryRecord.h"
#include "writer/CAviRepair.h"
#include "writer/CWmvFinisher.h"

namespace {

const char kRepairSwitch[] = "/repair";

bool FileExists(const std::string& path)
{
    const DWORD dwAttributes = GetFileAttributesA(path.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString NameList(const std::vector<std::string>& names)
{
    CString list;
    for (const std::string& name : names) {
        if (!list.IsEmpty())
            list += ", ";
        list += name.c_str();
    }
    return list;
}

CString Formatted(UINT nId, const CString& argument)
{
    CString format, text;
    format.LoadString(nId);
    text.Format(format, static_cast<LPCSTR>(argument));
    return text;
}

} // namespace

bool CRecoveryScan::Run(const char* pszFolder)
{
    m_recovered.clear();
    m_failed.clear();
    std::string folder = pszFolder ? pszFolder : "";
    if (folder.empty())
        return false;
    if (folder.back() != '\\')
        folder += '\\';
    for (const std::string& name : FindFiles(folder, "*.recovery"))
        RepairAvi(folder, name);
    for (const std::string& name : FindFiles(folder, "*.wmv"))
        FinishWmv(folder, name);
    return !m_recovered.empty() || !m_failed.empty();
}

std::vector<std::string> CRecoveryScan::FindFiles(const std::string& folder, const char* pszPattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    CScopedFind find(FindFirstFileA((folder + pszPattern).c_str(), &found));
    if (!find)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(find.Get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

void CRecoveryScan::RepairAvi(const std::string& folder, const std::string& recordName)
{
    const size_t cchExtension = strlen(CAviRecoveryRecord::Extension());
    if (recordName.size() <= cchExtension)
        return;
    const std::string name = recordName.substr(0, recordName.size() - cchExtension);
    const std::string path = folder + name;
    // A record whose file is gone has nothing left to repair.
    if (!FileExists(path)) {
        DeleteFileA((folder + recordName).c_str());
        return;
    }
    switch (CAviRepair().Repair(path.c_str())) {
    case CAviRepair::REPAIRED:
        m_recovered.push_back(name);
        break;
    case CAviRepair::FAILED:
        m_failed.push_back(name);
        break;
    default:
        break;
    }
}

void CRecoveryScan::FinishWmv(const std::string& folder, const std::string& name)
{
    const std::string path = folder + name;
    if (!CWmvFinisher::IsUnfinished(path.c_str()))
        return;
    if (CWmvFinisher().Finish(path.c_str()) == CWmvFinisher::FINISHED)
        m_recovered.push_back(name);
    else
        m_failed.push_back(name);
}

CString CRecoveryScan::Notice() const
{
    CString text;
    if (!m_recovered.empty())
        text = Formatted(IDS_RECOVERED, NameList(m_recovered));
    if (!m_failed.empty()) {
        if (!text.IsEmpty())
            text += "\n";
        text += Formatted(IDS_NOT_RECOVERED, NameList(m_failed));
    }
    return text;
}

DWORD CRecoveryScan::NoticeFlags() const
{
    return (m_failed.empty() ? NIIF_INFO : NIIF_WARNING) | NIIF_NOSOUND;
}

bool CRecoveryScan::ParseRepairCommand(const char* pszCommandLine, std::string& path)
{
    std::string line = pszCommandLine ? pszCommandLine : "";
    const size_t nStart = line.find_first_not_of(" \t");
    const size_t cchSwitch = sizeof(kRepairSwitch) - 1;
    if (nStart == std::string::npos || line.size() - nStart < cchSwitch ||
        _strnicmp(line.c_str() + nStart, kRepairSwitch, cchSwitch) != 0)
        return false;
    line.erase(0, nStart + cchSwitch);
    if (!line.empty() && line[0] != ' ' && line[0] != '\t')
        return false;
    const size_t nFirst = line.find_first_not_of(" \t");
    path.clear();
    if (nFirst == std::string::npos)
        return true;
    if (line[nFirst] == '"') {
        const size_t nClose = line.find('"', nFirst + 1);
        path = line.substr(nFirst + 1, nClose == std::string::npos ? std::string::npos : nClose - nFirst - 1);
    } else {
        path = line.substr(nFirst, line.find_last_not_of(" \t") + 1 - nFirst);
    }
    return true;
}

// An AVI file without its record is only looked at: already playable (closed normally), or
// refused.
int CRecoveryScan::RepairFile(const char* pszPath)
{
    if (!pszPath || !*pszPath || !FileExists(pszPath))
        return 1;
    if (FileExists(CAviRecoveryRecord::PathFor(pszPath))) {
        const CAviRepair::Result result = CAviRepair().Repair(pszPath);
        return result == CAviRepair::REPAIRED || result == CAviRepair::ALREADY_COMPLETE ? 0 : 1;
    }
    if (CWmvFinisher::IsAsf(pszPath))
        return CWmvFinisher().Finish(pszPath) == CWmvFinisher::FAILED ? 1 : 0;
    return CAviRepair::IsComplete(pszPath) ? 0 : 1;
}
