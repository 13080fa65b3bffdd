#pragma once
// The capture driver's attach switch: the "Attach.ToDesktop" value under the driver's
// service key in the local machine's hardware profile, with a sub-key per display device.
// The keys are opened to everyone so that the driver and any user's program can use them.
// A user who may not write the machine's key keeps the switch in the current user's key
// instead (see VidcapSwitch.h), so the driver needs no administrator.
#include <windows.h>

class CDriverSwitch
{
public:
    typedef LONG(WINAPI* CreateKeyFunction)(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                                            REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                                            PHKEY phkResult, LPDWORD lpdwDisposition);

    // The sub-key for a device name: what follows the backslash of "\DEVICE" in the
    // upper-cased name, or "DEVICE0" when the name holds no such part.
    static void SubKeyName(const char* pszDeviceName, char* pszSubKey, size_t cchSubKey);
    // Writes the value under the machine's key, or under the user's when the machine's is
    // refused; false when it could be written in neither.
    static bool Write(const char* pszDriverName, const char* pszSubKey, DWORD dwValue);
    // Reads the value as the driver does; false when it is missing.
    static bool Read(const char* pszDriverName, const char* pszSubKey, DWORD& dwValue);
    // The machine's key of the driver (without the device's sub-key).
    static void KeyPath(const char* pszDriverName, char* pszPath, size_t cchPath);
    // The user's key of the driver, where the switch goes when the machine's is refused.
    static void UserKeyPath(const char* pszDriverName, char* pszPath, size_t cchPath);
    // How keys are created (RegCreateKeyExA); tests refuse some. Returns the previous one.
    static CreateKeyFunction SetCreateKeyFunction(CreateKeyFunction pfnCreateKey);
};
