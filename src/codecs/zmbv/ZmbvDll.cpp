// Entry of zmbv.dll, the same compressor as an installable driver for other programs
// (registered as "vidc.ZMBV" under Drivers32).
#include "codecs/zmbv/ZmbvDriver.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK
    DriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg, LPARAM lParam1, LPARAM lParam2)
{
    return ZmbvDriverProc(dwDriverId, hDriver, uMsg, lParam1, lParam2);
}
