#pragma once

#include <windows.h>

// Starts the system's own sound settings: the sound control panel for the devices and the
// volume control on its recording page for the inputs. Before either starts, the volume
// control's remembered "LineStates" are rewritten so that it shows every line again.
class CSoundSettings
{
public:
    // Starts a program without waiting for it; true when the process was created.
    typedef bool (*ProcessLauncher)(const char* pszApplication, const char* pszCommandLine);

    CSoundSettings();

    bool OpenDeviceSettings();
    bool OpenInputSettings();

    // Rewrites every REG_BINARY "LineStates" value below the volume-control key.
    void PrepareVolumeControl();

    // Both are for tests: another key than the current user's volume-control key, another way
    // of starting programs, another system version (platform id, major, minor).
    void SetVolumeControlKey(HKEY hRoot, const char* pszSubKey);
    void SetLauncher(ProcessLauncher pfnLauncher);
    void SetSystemVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor);

    // The arguments given to the sound control panel on this system.
    const char* DeviceSettingsArguments() const;
    // The folder the programs are started from, with a trailing backslash.
    bool ProgramFolder(char* pszFolder, UINT cchFolder) const;

    static bool CreateProcessLauncher(const char* pszApplication, const char* pszCommandLine);

private:
    bool Launch(const char* pszProgram, const char* pszArguments) const;
    static void RewriteLineStates(HKEY hKey, int nDepth);
    static void RewriteValuesOf(HKEY hKey);

    HKEY m_hRoot;
    char m_szSubKey[MAX_PATH];
    ProcessLauncher m_pfnLauncher;
    DWORD m_dwPlatformId;
    DWORD m_dwMajor;
    DWORD m_dwMinor;
};
