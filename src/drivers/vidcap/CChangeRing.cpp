#include "drivers/vidcap/CChangeRing.h"

namespace {

RECT Bounds(const std::vector<RECT>& rects)
{
    RECT bounds = rects.front();
    for (const RECT& rect : rects)
        UnionRect(&bounds, &bounds, &rect);
    return bounds;
}

} // namespace

CChangeRing::CChangeRing() : m_pHeader(nullptr), m_pEntries(nullptr), m_bPending(0), m_rcPending()
{
}

void CChangeRing::Attach(void* pRing)
{
    m_pHeader = static_cast<VidcapRingHeader*>(pRing);
    m_pEntries = pRing ? VidcapRingEntries(pRing) : nullptr;
    m_bPending = 0;
}

DWORD CChangeRing::GetBacklog() const
{
    if (!m_pHeader)
        return 0;
    return m_pHeader->nWrite - m_pHeader->nRead;
}

void CChangeRing::Publish(const RECT& rect)
{
    // The entry is in place before the new write counter becomes visible, so a reader that
    // takes a snapshot of the counter never reads an entry that is still being written.
    DWORD nNext = m_pHeader->nWrite + 1;
    m_pEntries[nNext % m_pHeader->nCapacity] = rect;
    MemoryBarrier();
    m_pHeader->nWrite = nNext;
}

void CChangeRing::FlushPending(const RECT* pExtra)
{
    if (pExtra)
        UnionRect(&m_rcPending, &m_rcPending, pExtra);
    if (GetBacklog() < m_pHeader->nCapacity) {
        Publish(m_rcPending);
        m_bPending = 0;
    }
}

void CChangeRing::Append(const std::vector<RECT>& rects)
{
    if (!m_pHeader || m_pHeader->nCapacity == 0)
        return;
    if (m_bPending) {
        if (rects.empty()) {
            FlushPending(nullptr);
        } else {
            RECT bounds = Bounds(rects);
            FlushPending(&bounds);
        }
        return;
    }
    if (rects.empty())
        return;
    DWORD nBacklog = GetBacklog();
    DWORD nFree = nBacklog < m_pHeader->nCapacity ? m_pHeader->nCapacity - nBacklog : 0;
    // Detailed entries only while the ring stays at most half full: a reader that has been
    // away for long then finds a few large rectangles rather than thousands of small ones.
    if (rects.size() <= nFree && nBacklog + rects.size() <= m_pHeader->nCapacity / 2) {
        for (const RECT& rect : rects)
            Publish(rect);
        return;
    }
    m_rcPending = Bounds(rects);
    m_bPending = 1;
    FlushPending(nullptr);
}
