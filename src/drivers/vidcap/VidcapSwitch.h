#pragma once
// Where the driver's attach switch ("Attach.ToDesktop") lives. Its home is the machine's
// hardware profile; a user who may not write there (a standard user under user account
// control) keeps it below the same names in the current user's key, and that value, when
// present, is the one that counts for the user's programs.
#include <windows.h>

// The key of the driver's switches below the root (without the display device's sub-key).
void VidcapSwitchKeyPath(HKEY hRoot, const char* pszDriverName, char* pszPath, size_t cchPath);

// The switch for a display device's sub-key: the user's value, else the machine's; false
// when neither exists.
bool VidcapReadSwitch(const char* pszDriverName, const char* pszSubKey, DWORD& dwValue);
