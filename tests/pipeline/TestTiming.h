#pragma once

#include <windows.h>

#include <functional>

// Loose timing helpers: Wine on a loaded machine is slow, so waits poll with generous limits.
inline DWORD ElapsedMs(DWORD dwSince)
{
    return GetTickCount() - dwSince;
}

inline bool WaitUntil(const std::function<bool()>& fnDone, DWORD dwLimitMs)
{
    DWORD dwStart = GetTickCount();
    while (!fnDone()) {
        if (ElapsedMs(dwStart) > dwLimitMs)
            return false;
        Sleep(5);
    }
    return true;
}
