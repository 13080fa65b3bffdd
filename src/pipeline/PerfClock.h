#pragma once

#include <windows.h>

// The performance counter expressed in dwUnitsPerSecond (1000 for milliseconds); 0 when the
// counter cannot be read.
LONGLONG PerfClock(DWORD dwUnitsPerSecond);
