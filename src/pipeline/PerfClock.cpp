#include "pipeline/PerfClock.h"

namespace {
LONGLONG QueryFrequency()
{
    LARGE_INTEGER liFrequency;
    if (!QueryPerformanceFrequency(&liFrequency))
        return 0;
    return liFrequency.QuadPart;
}

LONGLONG CounterFrequency()
{
    static const LONGLONG s_nFrequency = QueryFrequency();
    return s_nFrequency;
}
} // namespace

LONGLONG PerfClock(DWORD dwUnitsPerSecond)
{
    LONGLONG nFrequency = CounterFrequency();
    LARGE_INTEGER liCounter;
    if (nFrequency <= 0 || !QueryPerformanceCounter(&liCounter) || liCounter.QuadPart < 0)
        return 0;
    // Exact for any uptime: the product is formed in 128 bits.
    unsigned __int128 nScaled = static_cast<unsigned __int128>(liCounter.QuadPart) * dwUnitsPerSecond;
    return static_cast<LONGLONG>(nScaled / static_cast<unsigned __int128>(nFrequency));
}
