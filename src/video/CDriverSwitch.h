#pragma once
// The capture driver's attach switch: the "Attach.ToDesktop" value under the driver's
// service key in the local machine's hardware profile, with a sub-key per display device.
// The keys are opened to everyone so that the driver and any user's program can use them.
#include <windows.h>

class CDriverSwitch {
public:
    // The sub-key for a device name: what follows the backslash of "\DEVICE" in the
    // upper-cased name, or "DEVICE0" when the name holds no such part.
    static void SubKeyName(const char* pszDeviceName, char* pszSubKey, size_t cchSubKey);
    // Writes the value; false when it could not be written.
    static bool Write(const char* pszDriverName, const char* pszSubKey, DWORD dwValue);
    // Reads the value; false when it is missing.
    static bool Read(const char* pszDriverName, const char* pszSubKey, DWORD& dwValue);
    static void KeyPath(const char* pszDriverName, char* pszPath, size_t cchPath);
};
