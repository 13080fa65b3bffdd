#include "pipeline/CSampleQueue.h"

#include <new>

CSampleQueue::CSampleQueue(int nCapacity, DWORD nRetryMs)
    : m_nCapacity(nCapacity), m_nRetryMs(nRetryMs), m_hDrain(nullptr), m_hItems(nullptr)
{
    InitializeCriticalSection(&m_cs);
    m_hItems = CreateSemaphoreA(nullptr, 0, m_nCapacity, nullptr);
    m_hDrain = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

CSampleQueue::~CSampleQueue()
{
    if (m_hItems)
        CloseHandle(m_hItems);
    if (m_hDrain)
        CloseHandle(m_hDrain);
    DeleteCriticalSection(&m_cs);
}

int CSampleQueue::Put(void* pItem)
{
    if (!pItem || !m_hItems)
        return 0;

    EnterCriticalSection(&m_cs);
    int nResult = Append(pItem);
    if (nResult && m_nRetryMs == 0)
        nResult = AnnounceOrUndo();
    LeaveCriticalSection(&m_cs);

    // The retry loop runs outside the lock so that a full queue never stalls the consumer.
    if (nResult && m_nRetryMs != 0)
        AnnounceBlocking();
    return nResult;
}

int CSampleQueue::Get(void** ppItem)
{
    if (!m_hDrain || !m_hItems)
        return 0;

    // The drain event comes first so that it is the one reported when both are signalled.
    HANDLE ahWait[2] = {m_hDrain, m_hItems};
    DWORD dwWait = WaitForMultipleObjects(2, ahWait, FALSE, INFINITE);
    if (dwWait == WAIT_OBJECT_0)
    {
        if (WaitForSingleObject(m_hItems, 0) != WAIT_OBJECT_0)
            return 0;
    }
    else if (dwWait != WAIT_OBJECT_0 + 1)
    {
        return 0;
    }

    EnterCriticalSection(&m_cs);
    int nResult = TakeHead(ppItem);
    LeaveCriticalSection(&m_cs);
    return nResult;
}

int CSampleQueue::SetDraining()
{
    return m_hDrain ? SetEvent(m_hDrain) : 0;
}

int CSampleQueue::ClearDraining()
{
    return m_hDrain ? ResetEvent(m_hDrain) : 0;
}

int CSampleQueue::Append(void* pItem)
{
    try
    {
        m_items.push_back(pItem);
        return 1;
    }
    catch (const std::bad_alloc&)
    {
        return 0;
    }
}

void CSampleQueue::RemoveTail()
{
    m_items.pop_back();
}

int CSampleQueue::TakeHead(void** ppItem)
{
    // A consumer holds a count for every item it takes, so the list is never empty here.
    if (m_items.empty())
        return 0;
    if (ppItem)
        *ppItem = m_items.front();
    m_items.pop_front();
    return 1;
}

// Non-blocking mode: the item stands only if the semaphore accepts one more count.
int CSampleQueue::AnnounceOrUndo()
{
    if (ReleaseSemaphore(m_hItems, 1, nullptr))
        return 1;
    RemoveTail();
    return 0;
}

void CSampleQueue::AnnounceBlocking()
{
    while (!ReleaseSemaphore(m_hItems, 1, nullptr))
        Sleep(m_nRetryMs);
}
