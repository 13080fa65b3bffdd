#include "sysinfo/OsVersion.h"

int IsOsVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor)
{
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)))
            return 0;
    }
    if (info.dwPlatformId != dwPlatformId)
        return 0;
    if (info.dwMajorVersion < dwMajor)
        return 0;
    if (info.dwMinorVersion < dwMinor)
        return 0;
    return (info.dwMajorVersion == dwMajor && info.dwMinorVersion == dwMinor) ? 1 : 2;
}

BOOL IsWin9x()
{
    return (GetVersion() & 0x80000000u) != 0;
}
