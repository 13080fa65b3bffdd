#include "audio/CSoundSettings.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/ScopedWin.h"

namespace {
const char kVolumeControlKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Volume Control";
const char kLineStates[] = "LineStates";
const DWORD kLineStateRecord = 132;
const DWORD kMaxValueName = 260;
const DWORD kMaxValueData = 3960;
// Far deeper than the volume control ever nests; only a guard against a runaway walk.
const int kMaxKeyDepth = 32;
} // namespace

CSoundSettings::CSoundSettings()
    : m_hRoot(HKEY_CURRENT_USER), m_pfnLauncher(&CSoundSettings::CreateProcessLauncher),
      m_dwPlatformId(VER_PLATFORM_WIN32_NT), m_dwMajor(0), m_dwMinor(0)
{
    lstrcpynA(m_szSubKey, kVolumeControlKey, sizeof(m_szSubKey));
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&version))
#pragma GCC diagnostic pop
    {
        m_dwPlatformId = version.dwPlatformId;
        m_dwMajor = version.dwMajorVersion;
        m_dwMinor = version.dwMinorVersion;
    }
}

void CSoundSettings::SetVolumeControlKey(HKEY hRoot, const char* pszSubKey)
{
    m_hRoot = hRoot;
    lstrcpynA(m_szSubKey, pszSubKey ? pszSubKey : kVolumeControlKey, sizeof(m_szSubKey));
}

void CSoundSettings::SetLauncher(ProcessLauncher pfnLauncher)
{
    m_pfnLauncher = pfnLauncher ? pfnLauncher : &CSoundSettings::CreateProcessLauncher;
}

void CSoundSettings::SetSystemVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor)
{
    m_dwPlatformId = dwPlatformId;
    m_dwMajor = dwMajor;
    m_dwMinor = dwMinor;
}

const char* CSoundSettings::DeviceSettingsArguments() const
{
    bool bNt5 = m_dwPlatformId == VER_PLATFORM_WIN32_NT && m_dwMajor >= 5;
    if (bNt5 && m_dwMinor >= 1)
        return "shell32.dll,Control_RunDLL mmsys.cpl,,2";
    if (bNt5)
        return "shell32.dll,Control_RunDLL mmsys.cpl,,1";
    return "shell32.dll,Control_RunDLL mmsys.cpl";
}

bool CSoundSettings::ProgramFolder(char* pszFolder, UINT cchFolder) const
{
    UINT nLength = (m_dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) ? GetWindowsDirectoryA(pszFolder, cchFolder)
                                                                  : GetSystemDirectoryA(pszFolder, cchFolder);
    if (nLength == 0 || nLength + 2 > cchFolder)
        return false;
    if (pszFolder[nLength - 1] != '\\')
        lstrcatA(pszFolder, "\\");
    return true;
}

bool CSoundSettings::OpenDeviceSettings()
{
    PrepareVolumeControl();
    return Launch("rundll32.exe", DeviceSettingsArguments());
}

bool CSoundSettings::OpenInputSettings()
{
    PrepareVolumeControl();
    return Launch("sndvol32.exe", "/r") || Launch("sndvol.exe", "/r");
}

bool CSoundSettings::Launch(const char* pszProgram, const char* pszArguments) const
{
    char szPath[MAX_PATH];
    if (!ProgramFolder(szPath, sizeof(szPath)) || strlen(szPath) + strlen(pszProgram) >= sizeof(szPath))
        return false;
    lstrcatA(szPath, pszProgram);
    std::string commandLine = std::string(" ") + pszArguments;
    return m_pfnLauncher(szPath, commandLine.c_str());
}

bool CSoundSettings::CreateProcessLauncher(const char* pszApplication, const char* pszCommandLine)
{
    // CreateProcessA may write into the command line.
    std::string commandLine(pszCommandLine ? pszCommandLine : "");
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(pszApplication, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CScopedHandle thread(process.hThread), started(process.hProcess);
    return true;
}

void CSoundSettings::PrepareVolumeControl()
{
    CScopedRegKey key;
    if (RegOpenKeyExA(m_hRoot, m_szSubKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS,
                      key.Receive()) != ERROR_SUCCESS)
        return;
    RewriteLineStates(key.Get(), 0);
}

void CSoundSettings::RewriteLineStates(HKEY hKey, int nDepth)
{
    RewriteValuesOf(hKey);
    if (nDepth >= kMaxKeyDepth)
        return;
    char szName[kMaxValueName];
    for (DWORD dwIndex = 0;; ++dwIndex) {
        DWORD cchName = sizeof(szName);
        if (RegEnumKeyExA(hKey, dwIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CScopedRegKey subKey;
        if (RegOpenKeyExA(hKey, szName, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_ENUMERATE_SUB_KEYS,
                          subKey.Receive()) != ERROR_SUCCESS)
            continue;
        RewriteLineStates(subKey.Get(), nDepth + 1);
    }
}

// Clears the first byte of every 132-byte record of each "LineStates" value of the key.
// The walk stops at the first value whose name or data does not fit the buffers.
void CSoundSettings::RewriteValuesOf(HKEY hKey)
{
    char szName[kMaxValueName];
    BYTE abData[kMaxValueData];
    for (DWORD dwIndex = 0;; ++dwIndex) {
        DWORD cchName = sizeof(szName);
        DWORD cbData = sizeof(abData);
        DWORD dwType = 0;
        if (RegEnumValueA(hKey, dwIndex, szName, &cchName, nullptr, &dwType, abData, &cbData) != ERROR_SUCCESS)
            break;
        if (dwType != REG_BINARY || lstrcmpiA(szName, kLineStates) != 0)
            continue;
        for (DWORD dwOffset = 0; dwOffset < cbData; dwOffset += kLineStateRecord)
            abData[dwOffset] = 0;
        RegSetValueExA(hKey, szName, 0, REG_BINARY, abData, cbData);
    }
}
