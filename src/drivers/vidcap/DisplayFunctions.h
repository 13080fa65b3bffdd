#pragma once
// The display functions that driver control calls. The system's table reaches USER32 and
// GDI32; the capture driver offers a table of its own that adds its virtual device.
#include <windows.h>

struct DisplayFunctions
{
    BOOL(WINAPI* pfnEnumDisplayDevicesA)(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD);
    LONG(WINAPI* pfnChangeDisplaySettingsExA)(LPCSTR, LPDEVMODEA, HWND, DWORD, LPVOID);
    HDC(WINAPI* pfnCreateDCA)(LPCSTR, LPCSTR, LPCSTR, const DEVMODEA*);
    BOOL(WINAPI* pfnDeleteDC)(HDC);
    int(WINAPI* pfnExtEscape)(HDC, int, int, LPCSTR, int, LPSTR);
    int(WINAPI* pfnGetDeviceCaps)(HDC, int);
};

// USER32's two functions are looked up by name at run time (null when missing).
const DisplayFunctions& SystemDisplayFunctions();

// True when the table lists a display device whose description is exactly pszDescription.
bool HasDisplayDevice(const DisplayFunctions& functions, const char* pszDescription);

// The system's table when it lists the device, otherwise the capture driver's table.
const DisplayFunctions& SelectDisplayFunctions(const char* pszDescription);
