#pragma once
// Operating-system tests.
#include <windows.h>

// 0 when the running Windows is of another platform or older than major.minor, 1 when it is
// exactly major.minor, 2 when newer. Major and minor are tested independently: 6.0 does not
// reach 5.1.
int IsOsVersion(DWORD dwPlatformId, DWORD dwMajor, DWORD dwMinor);
// True on the Windows 95, 98 and Millennium family.
BOOL IsWin9x();
