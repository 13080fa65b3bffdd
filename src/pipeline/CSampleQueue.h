#pragma once

#include "base/ScopedWin.h"

#include <windows.h>

#include <list>

// Bounded first-in-first-out queue of opaque non-null pointers between producer threads and
// one consuming writing thread. The queue never frees its items.
//
// A semaphore counts the items announced to consumers; a manual-reset drain event, signalled
// from construction on, makes Get return 0 on an empty queue instead of blocking. The queue is
// bounded by its item count and, when a byte limit is set, by the bytes its items stand for.
class CSampleQueue
{
public:
    enum PutMode {
        PUT_WAIT,  // waits for room, retrying every retry interval, until room or Shut
        PUT_ALWAYS // takes the item beyond both limits: for callers that must never wait
    };

    // nRetryMs 0 makes a waiting Put refuse items beyond the limits instead of waiting.
    CSampleQueue(int nCapacity, DWORD nRetryMs);
    virtual ~CSampleQueue();

    int Put(void* pItem) { return Put(pItem, 0, PUT_WAIT); }
    int Put(void* pItem, SIZE_T cbItem, PutMode nMode);
    // ppItem may be null: the oldest item is then removed and dropped. pcbItem receives the
    // bytes it was put with.
    int Get(void** ppItem, SIZE_T* pcbItem = nullptr);

    int SetDraining();
    int ClearDraining();

    // 0 means no byte limit. An empty queue takes any one item.
    void SetByteLimit(SIZE_T cbLimit);
    // After Shut every Put fails at once, waiting ones included, until Open.
    void Shut();
    void Open();
    int IsShut() const;

    int GetCapacity() const { return m_nCapacity; }
    int Count() const;
    SIZE_T Bytes() const;
    // The most bytes held at once since the last ResetPeak.
    SIZE_T PeakBytes() const;
    void ResetPeak();

private:
    struct Entry
    {
        void* pItem;
        SIZE_T cbItem;
    };

    int HasRoomFor(SIZE_T cbItem) const;
    int Append(void* pItem, SIZE_T cbItem);
    int TakeHead(void** ppItem, SIZE_T* pcbItem);

    CSampleQueue(const CSampleQueue&) = delete;
    CSampleQueue& operator=(const CSampleQueue&) = delete;

    int m_nCapacity;
    DWORD m_nRetryMs;
    CScopedHandle m_hDrain;
    CScopedHandle m_hItems;
    CScopedHandle m_hRoom; // set whenever an item leaves or the queue is shut
    mutable CCriticalSection m_cs;
    std::list<Entry> m_items;
    SIZE_T m_cbLimit = 0;
    SIZE_T m_cbQueued = 0;
    SIZE_T m_cbPeak = 0;
    bool m_bShut = false;
};
