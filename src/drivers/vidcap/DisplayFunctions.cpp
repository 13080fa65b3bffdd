#include "drivers/vidcap/DisplayFunctions.h"

#include "drivers/vidcap/CVidcapDriver.h"

#include <cstring>

namespace {

template <typename T> T LookUp(HMODULE hModule, const char* pszName)
{
    if (!hModule)
        return nullptr;
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(hModule, pszName)));
}

DisplayFunctions LoadSystemFunctions()
{
    HMODULE hUser = LoadLibraryA("USER32");
    DisplayFunctions functions = {};
    functions.pfnEnumDisplayDevicesA = LookUp<decltype(functions.pfnEnumDisplayDevicesA)>(hUser, "EnumDisplayDevicesA");
    functions.pfnChangeDisplaySettingsExA =
        LookUp<decltype(functions.pfnChangeDisplaySettingsExA)>(hUser, "ChangeDisplaySettingsExA");
    functions.pfnCreateDCA = CreateDCA;
    functions.pfnDeleteDC = DeleteDC;
    functions.pfnExtEscape = ExtEscape;
    functions.pfnGetDeviceCaps = GetDeviceCaps;
    return functions;
}

} // namespace

const DisplayFunctions& SystemDisplayFunctions()
{
    static const DisplayFunctions s_functions = LoadSystemFunctions();
    return s_functions;
}

bool HasDisplayDevice(const DisplayFunctions& functions, const char* pszDescription)
{
    if (!functions.pfnEnumDisplayDevicesA || !pszDescription)
        return false;
    DISPLAY_DEVICEA device;
    for (DWORD nIndex = 0;; ++nIndex) {
        memset(&device, 0, sizeof(device));
        device.cb = sizeof(device);
        if (!functions.pfnEnumDisplayDevicesA(nullptr, nIndex, &device, 0))
            return false;
        if (strcmp(device.DeviceString, pszDescription) == 0)
            return true;
    }
}

const DisplayFunctions& SelectDisplayFunctions(const char* pszDescription)
{
    const DisplayFunctions& system = SystemDisplayFunctions();
    if (HasDisplayDevice(system, pszDescription))
        return system;
    return CVidcapDriver::Functions();
}
