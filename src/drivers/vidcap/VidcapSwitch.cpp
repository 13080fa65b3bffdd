#include "drivers/vidcap/VidcapSwitch.h"

#include <cstdio>

#include "base/ScopedWin.h"
#include "drivers/vidcap/VidcapProtocol.h"

namespace {

bool ReadValue(HKEY hRoot, const char* pszDriverName, const char* pszSubKey, DWORD& dwValue)
{
    char szPath[MAX_PATH];
    VidcapSwitchKeyPath(hRoot, pszDriverName, szPath, sizeof(szPath));
    CScopedRegKey key;
    if (RegOpenKeyExA(hRoot, szPath, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    CScopedRegKey device;
    LONG nResult = RegOpenKeyExA(key.Get(), pszSubKey, 0, KEY_QUERY_VALUE, device.Receive());
    key.Reset();
    if (nResult != ERROR_SUCCESS)
        return false;
    DWORD dwType = 0;
    DWORD dwRead = 0;
    DWORD cbValue = sizeof(dwRead);
    nResult = RegQueryValueExA(device.Get(), VIDCAP_ATTACH_VALUE, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwRead),
                               &cbValue);
    device.Reset();
    if (nResult != ERROR_SUCCESS || dwType != REG_DWORD || cbValue != sizeof(dwRead))
        return false;
    dwValue = dwRead;
    return true;
}

} // namespace

void VidcapSwitchKeyPath(HKEY hRoot, const char* pszDriverName, char* pszPath, size_t cchPath)
{
    snprintf(pszPath, cchPath, hRoot == HKEY_CURRENT_USER ? VIDCAP_USER_KEY_FORMAT : VIDCAP_SERVICE_KEY_FORMAT,
             pszDriverName);
}

bool VidcapReadSwitch(const char* pszDriverName, const char* pszSubKey, DWORD& dwValue)
{
    return ReadValue(HKEY_CURRENT_USER, pszDriverName, pszSubKey, dwValue) ||
           ReadValue(HKEY_LOCAL_MACHINE, pszDriverName, pszSubKey, dwValue);
}
