#include <gtest/gtest.h>

#include "pipeline/PerfClock.h"

namespace {
LONGLONG Counter()
{
    LARGE_INTEGER li;
    QueryPerformanceCounter(&li);
    return li.QuadPart;
}
} // namespace

TEST(PerfClock, IsTheCounterScaledToTheUnitTruncated)
{
    LARGE_INTEGER liFrequency;
    ASSERT_TRUE(QueryPerformanceFrequency(&liFrequency));
    const LONGLONG nFrequency = liFrequency.QuadPart;

    for (DWORD dwUnit : {1u, 1000u, 10000000u}) {
        LONGLONG nBefore = Counter();
        LONGLONG nClock = PerfClock(dwUnit);
        LONGLONG nAfter = Counter();
        // Counter values are far below 2^63 / 10^7 on any test machine.
        EXPECT_GE(nClock, nBefore * static_cast<LONGLONG>(dwUnit) / nFrequency);
        EXPECT_LE(nClock, nAfter * static_cast<LONGLONG>(dwUnit) / nFrequency);
    }
}

TEST(PerfClock, MillisecondsFollowTheWallClock)
{
    // Tick counts read around and inside the clock's span bound it, whatever runs in between;
    // the tick count moves in steps of up to 16 ms.
    DWORD dwOuterStart = GetTickCount();
    LONGLONG nStart = PerfClock(1000);
    DWORD dwInnerStart = GetTickCount();
    Sleep(300);
    DWORD dwInnerEnd = GetTickCount();
    LONGLONG nElapsed = PerfClock(1000) - nStart;
    DWORD dwOuterEnd = GetTickCount();
    EXPECT_GE(nElapsed, 250);
    EXPECT_GE(nElapsed, static_cast<LONGLONG>(dwInnerEnd - dwInnerStart) - 32);
    EXPECT_LE(nElapsed, static_cast<LONGLONG>(dwOuterEnd - dwOuterStart) + 32);
}
