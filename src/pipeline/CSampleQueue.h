#pragma once

#include <windows.h>

#include <list>

// Bounded first-in-first-out queue of opaque non-null pointers between producer threads and
// one consuming writing thread. The queue never frees its items.
//
// A semaphore counts the items announced to consumers; a manual-reset drain event, signalled
// from construction on, makes Get return 0 on an empty queue instead of blocking.
class CSampleQueue
{
public:
    // nRetryMs 0 makes Put refuse items beyond the capacity; otherwise Put blocks, retrying
    // every nRetryMs, until a consumer makes room.
    CSampleQueue(int nCapacity, DWORD nRetryMs);
    virtual ~CSampleQueue();

    int Put(void* pItem);
    // ppItem may be null: the oldest item is then removed and dropped.
    int Get(void** ppItem);

    int SetDraining();
    int ClearDraining();

private:
    int Append(void* pItem);
    void RemoveTail();
    int TakeHead(void** ppItem);
    int AnnounceOrUndo();
    void AnnounceBlocking();

    CSampleQueue(const CSampleQueue&) = delete;
    CSampleQueue& operator=(const CSampleQueue&) = delete;

    int m_nCapacity;
    DWORD m_nRetryMs;
    HANDLE m_hDrain;
    HANDLE m_hItems;
    CRITICAL_SECTION m_cs;
    std::list<void*> m_items;
};
