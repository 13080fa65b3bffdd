#pragma once
// The driver's side of the change ring: appends changed rectangles without ever running
// more than the capacity ahead of the reader. When the reader lags, the changes of a tick
// are coalesced into their bounding rectangle, and when no entry is free they wait as a
// pending rectangle until the reader makes room.
#include <windows.h>

#include <vector>

#include "drivers/vidcap/VidcapProtocol.h"

class CChangeRing
{
public:
    CChangeRing();

    // pRing points at a header whose capacity is already set. Null detaches the writer.
    void Attach(void* pRing);
    void Append(const std::vector<RECT>& rects);
    // Entries the reader has not taken yet.
    DWORD GetBacklog() const;
    DWORD GetReadCounter() const { return m_pHeader ? m_pHeader->nRead : 0; }
    bool HasPending() const { return m_bPending != 0; }

private:
    void Publish(const RECT& rect);
    void FlushPending(const RECT* pExtra);

    VidcapRingHeader* m_pHeader;
    RECT* m_pEntries;
    int m_bPending;
    RECT m_rcPending;
};
