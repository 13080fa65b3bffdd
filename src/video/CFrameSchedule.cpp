#include "video/CFrameSchedule.h"

#include <algorithm>

void CFrameSchedule::Start(LONGLONG llOrigin, UINT nFps)
{
    m_llOrigin = llOrigin;
    m_nFps = nFps > 1 ? nFps : 1;
}

LONGLONG CFrameSchedule::DueTime(ULONGLONG nSlot) const
{
    return m_llOrigin + static_cast<LONGLONG>(nSlot * kUnitsPerSecond / m_nFps);
}

ULONGLONG CFrameSchedule::SlotAt(LONGLONG llNow) const
{
    if (llNow < m_llOrigin)
        return 0;
    // Slot n is due when n * 10^7 / fps, rounded down, is at most the time since the origin.
    const ULONGLONG nSince = static_cast<ULONGLONG>(llNow - m_llOrigin);
    return ((nSince + 1) * m_nFps - 1) / kUnitsPerSecond;
}

DWORD CFrameSchedule::SlotTimeMs(ULONGLONG nSlot, LONGLONG llSince) const
{
    const LONGLONG llUnitsPerMs = kUnitsPerSecond / 1000;
    const LONGLONG llAfter = DueTime(nSlot) - llSince;
    return llAfter > 0 ? static_cast<DWORD>((llAfter + llUnitsPerMs / 2) / llUnitsPerMs) : 0;
}

LONGLONG CFrameSchedule::TimeLineStart(ULONGLONG nSlot, LONGLONG llNow) const
{
    const LONGLONG llDue = DueTime(nSlot);
    // A millisecond short of half a frame: frame times are rounded to whole milliseconds.
    const LONGLONG llLatest = llDue + static_cast<LONGLONG>(kUnitsPerSecond / m_nFps / 2) - kUnitsPerSecond / 1000;
    return std::max(llDue, std::min(llNow, llLatest));
}
