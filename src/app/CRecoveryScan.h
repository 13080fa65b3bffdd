#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/CString.h"

// Recordings that an interruption (a crash, a kill, a power cut) left unfinished in the save
// folder. At start-up, before the first recording, every AVI file that still has its recovery
// record is repaired and every Windows Media file left in streaming form is finished; the user
// is then told in one notice which files were recovered and which could not be. Files without
// a record are never touched. The same repair serves the command line: orvane.exe /repair FILE.
class CRecoveryScan
{
public:
    enum { NOTICE_TIMEOUT_MS = 10000 };

    // Looks through the folder; true when there is something to tell the user.
    bool Run(const char* pszFolder);
    const std::vector<std::string>& Recovered() const { return m_recovered; }
    const std::vector<std::string>& Failed() const { return m_failed; }
    // The notice: the names of the files recovered, and of those that could not be.
    CString Notice() const;
    DWORD NoticeFlags() const;

    // True when the command line asks for /repair, with the file it names.
    static bool ParseRepairCommand(const char* pszCommandLine, std::string& path);
    // Repairs one file (an AVI file with its record, or a Windows Media file); 0 when the file
    // is now playable, 1 when it could not be made so.
    static int RepairFile(const char* pszPath);

private:
    void RepairAvi(const std::string& folder, const std::string& recordName);
    void FinishWmv(const std::string& folder, const std::string& name);
    static std::vector<std::string> FindFiles(const std::string& folder, const char* pszPattern);

    std::vector<std::string> m_recovered;
    std::vector<std::string> m_failed;
};
