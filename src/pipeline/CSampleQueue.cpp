#include "pipeline/CSampleQueue.h"

#include <climits>
#include <new>

CSampleQueue::CSampleQueue(int nCapacity, DWORD nRetryMs) : m_nCapacity(nCapacity), m_nRetryMs(nRetryMs)
{
    // The count limit is kept here, not by the semaphore: an item that must never wait may
    // go beyond it.
    m_hItems.Reset(CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr));
    m_hDrain.Reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
    m_hRoom.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

CSampleQueue::~CSampleQueue() = default;

int CSampleQueue::Put(void* pItem, SIZE_T cbItem, PutMode nMode)
{
    if (!pItem || !m_hItems || !m_hRoom)
        return 0;
    for (;;) {
        {
            CScopedLock lock(m_cs);
            if (m_bShut)
                return 0;
            if (nMode == PUT_ALWAYS || HasRoomFor(cbItem))
                return Append(pItem, cbItem);
            if (m_nRetryMs == 0)
                return 0;
            ResetEvent(m_hRoom.Get());
        }
        // Outside the lock, so that a full queue never stalls the consumer.
        WaitForSingleObject(m_hRoom.Get(), m_nRetryMs);
    }
}

int CSampleQueue::Get(void** ppItem, SIZE_T* pcbItem)
{
    if (!m_hDrain || !m_hItems)
        return 0;

    // The drain event comes first so that it is the one reported when both are signalled.
    HANDLE ahWait[2] = {m_hDrain.Get(), m_hItems.Get()};
    DWORD dwWait = WaitForMultipleObjects(2, ahWait, FALSE, INFINITE);
    if (dwWait == WAIT_OBJECT_0) {
        if (WaitForSingleObject(m_hItems.Get(), 0) != WAIT_OBJECT_0)
            return 0;
    } else if (dwWait != WAIT_OBJECT_0 + 1) {
        return 0;
    }

    CScopedLock lock(m_cs);
    return TakeHead(ppItem, pcbItem);
}

int CSampleQueue::SetDraining()
{
    return m_hDrain ? SetEvent(m_hDrain.Get()) : 0;
}

int CSampleQueue::ClearDraining()
{
    return m_hDrain ? ResetEvent(m_hDrain.Get()) : 0;
}

void CSampleQueue::SetByteLimit(SIZE_T cbLimit)
{
    CScopedLock lock(m_cs);
    m_cbLimit = cbLimit;
}

void CSampleQueue::Shut()
{
    CScopedLock lock(m_cs);
    m_bShut = true;
    if (m_hRoom)
        SetEvent(m_hRoom.Get());
}

void CSampleQueue::Open()
{
    CScopedLock lock(m_cs);
    m_bShut = false;
}

int CSampleQueue::IsShut() const
{
    CScopedLock lock(m_cs);
    return m_bShut ? 1 : 0;
}

int CSampleQueue::Count() const
{
    CScopedLock lock(m_cs);
    return static_cast<int>(m_items.size());
}

SIZE_T CSampleQueue::Bytes() const
{
    CScopedLock lock(m_cs);
    return m_cbQueued;
}

SIZE_T CSampleQueue::PeakBytes() const
{
    CScopedLock lock(m_cs);
    return m_cbPeak;
}

void CSampleQueue::ResetPeak()
{
    CScopedLock lock(m_cs);
    m_cbPeak = m_cbQueued;
}

int CSampleQueue::HasRoomFor(SIZE_T cbItem) const
{
    if (m_items.empty())
        return 1;
    if (m_items.size() >= static_cast<size_t>(m_nCapacity))
        return 0;
    return m_cbLimit == 0 || m_cbQueued + cbItem <= m_cbLimit;
}

// Under the lock: the item is listed and announced in one step.
int CSampleQueue::Append(void* pItem, SIZE_T cbItem)
{
    try {
        m_items.push_back(Entry{pItem, cbItem});
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!ReleaseSemaphore(m_hItems.Get(), 1, nullptr)) {
        m_items.pop_back();
        return 0;
    }
    m_cbQueued += cbItem;
    if (m_cbQueued > m_cbPeak)
        m_cbPeak = m_cbQueued;
    return 1;
}

int CSampleQueue::TakeHead(void** ppItem, SIZE_T* pcbItem)
{
    // A consumer holds a count for every item it takes, so the list is never empty here.
    if (m_items.empty())
        return 0;
    if (ppItem)
        *ppItem = m_items.front().pItem;
    if (pcbItem)
        *pcbItem = m_items.front().cbItem;
    m_cbQueued -= m_items.front().cbItem;
    m_items.pop_front();
    SetEvent(m_hRoom.Get());
    return 1;
}
