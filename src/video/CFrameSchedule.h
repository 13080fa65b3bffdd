#pragma once

#include <windows.h>

// The ticks of a frame source on an absolute schedule: tick n is due at the origin plus n
// frame periods, each due time computed from the origin (never from the previous tick), so
// the time a tick's work takes is never lost and the rate never drifts. Times are in 100 ns.
class CFrameSchedule
{
public:
    static const LONGLONG kUnitsPerSecond = 10000000;

    void Start(LONGLONG llOrigin, UINT nFps);

    LONGLONG DueTime(ULONGLONG nSlot) const;
    // The latest slot due at llNow (0 before the origin): a late tick takes this one and
    // skips the slots it missed.
    ULONGLONG SlotAt(LONGLONG llNow) const;
    // Milliseconds from llSince to the slot's due time, to the nearest millisecond, 0 for a
    // slot due before it: frame times on the frame-rate grid, counted from any instant.
    DWORD SlotTimeMs(ULONGLONG nSlot, LONGLONG llSince) const;
    // Where the time line starts for a first frame taken at llNow in slot nSlot: when it was
    // taken, but no later than just under half a frame after the slot was due. A later start
    // would put the next frame's time into the first one's slot of the frame-rate grid.
    LONGLONG TimeLineStart(ULONGLONG nSlot, LONGLONG llNow) const;

private:
    LONGLONG m_llOrigin = 0;
    ULONGLONG m_nFps = 1;
};
