#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "pipeline/CSampleQueue.h"
#include "pipeline/TestTiming.h"

namespace {
void* Item(uintptr_t nValue)
{
    return reinterpret_cast<void*>(nValue);
}

uintptr_t Value(void* pItem)
{
    return reinterpret_cast<uintptr_t>(pItem);
}
} // namespace

TEST(SampleQueue, NewQueueIsDrainingAndGetReturnsAtOnce)
{
    CSampleQueue queue(1000, 100);
    void* pItem = Item(7);
    EXPECT_EQ(0, queue.Get(&pItem)); // an empty queue that waited would never return
    EXPECT_EQ(7u, Value(pItem));
}

TEST(SampleQueue, NullItemIsRefused)
{
    CSampleQueue blocking(10, 100);
    CSampleQueue nonBlocking(10, 0);
    EXPECT_EQ(0, blocking.Put(nullptr));
    EXPECT_EQ(0, nonBlocking.Put(nullptr));
    EXPECT_EQ(0, blocking.Get(nullptr));
}

TEST(SampleQueue, NonBlockingQueueAtCapacityRefusesAndStaysUnchanged)
{
    CSampleQueue queue(3, 0);
    for (uintptr_t n = 1; n <= 3; ++n)
        ASSERT_EQ(1, queue.Put(Item(n)));
    EXPECT_EQ(0, queue.Put(Item(4)));
    EXPECT_EQ(0, queue.Put(Item(5)));

    for (uintptr_t n = 1; n <= 3; ++n) {
        void* pItem = nullptr;
        ASSERT_EQ(1, queue.Get(&pItem));
        EXPECT_EQ(n, Value(pItem));
    }
    EXPECT_EQ(0, queue.Get(nullptr));

    // Room again after the consumer took items.
    EXPECT_EQ(1, queue.Put(Item(6)));
}

TEST(SampleQueue, GetWithoutOutPointerDropsTheOldest)
{
    CSampleQueue queue(10, 0);
    queue.Put(Item(1));
    queue.Put(Item(2));
    EXPECT_EQ(1, queue.Get(nullptr));
    void* pItem = nullptr;
    ASSERT_EQ(1, queue.Get(&pItem));
    EXPECT_EQ(2u, Value(pItem));
}

TEST(SampleQueue, DrainingReturnsQueuedItemsInOrderThenZero)
{
    CSampleQueue queue(1000, 100);
    ASSERT_TRUE(queue.ClearDraining());
    for (uintptr_t n = 1; n <= 50; ++n)
        ASSERT_EQ(1, queue.Put(Item(n)));
    ASSERT_TRUE(queue.SetDraining());
    for (uintptr_t n = 1; n <= 50; ++n) {
        void* pItem = nullptr;
        ASSERT_EQ(1, queue.Get(&pItem));
        EXPECT_EQ(n, Value(pItem));
    }
    EXPECT_EQ(0, queue.Get(nullptr));
}

TEST(SampleQueue, BlockedGetIsReleasedByItemOrByDraining)
{
    CSampleQueue queue(1000, 100);
    ASSERT_TRUE(queue.ClearDraining());

    std::atomic<int> nResult{-1};
    std::atomic<uintptr_t> nGot{0};
    std::thread consumer([&] {
        void* pItem = nullptr;
        nResult = queue.Get(&pItem);
        nGot = Value(pItem);
    });
    Sleep(200);
    EXPECT_EQ(-1, nResult.load()); // still blocked on an empty queue
    queue.Put(Item(42));
    consumer.join();
    EXPECT_EQ(1, nResult.load());
    EXPECT_EQ(42u, nGot.load());

    nResult = -1;
    std::thread drained([&] { nResult = queue.Get(nullptr); });
    Sleep(200);
    EXPECT_EQ(-1, nResult.load());
    std::thread setter([&] { queue.SetDraining(); });
    drained.join();
    setter.join();
    EXPECT_EQ(0, nResult.load());
}

TEST(SampleQueue, PutBeyondCapacityBlocksUntilAGetMakesRoom)
{
    const int nCapacity = 1000;
    CSampleQueue queue(nCapacity, 100);
    for (uintptr_t n = 1; n <= nCapacity; ++n)
        ASSERT_EQ(1, queue.Put(Item(n)));

    std::atomic<int> nResult{-1};
    std::thread producer([&] { nResult = queue.Put(Item(nCapacity + 1)); });
    Sleep(350);
    EXPECT_EQ(-1, nResult.load()) << "the 1001st Put must wait";

    void* pItem = nullptr;
    ASSERT_EQ(1, queue.Get(&pItem));
    EXPECT_EQ(1u, Value(pItem));
    producer.join();
    EXPECT_EQ(1, nResult.load());

    for (uintptr_t n = 2; n <= nCapacity + 1; ++n) {
        ASSERT_EQ(1, queue.Get(&pItem));
        ASSERT_EQ(n, Value(pItem));
    }
    EXPECT_EQ(0, queue.Get(nullptr));
}

TEST(SampleQueue, ByteLimitHoldsPutsBackUntilRoomOrShut)
{
    CSampleQueue queue(100, 100);
    queue.SetByteLimit(1000);
    ASSERT_EQ(1, queue.Put(Item(1), 600, CSampleQueue::PUT_WAIT));
    ASSERT_EQ(1, queue.Put(Item(2), 400, CSampleQueue::PUT_WAIT));
    EXPECT_EQ(1000u, queue.Bytes());

    std::atomic<int> nResult{-1};
    std::thread producer([&] { nResult = queue.Put(Item(3), 1, CSampleQueue::PUT_WAIT); });
    Sleep(300);
    EXPECT_EQ(-1, nResult.load()) << "one byte beyond the limit must wait";
    void* pItem = nullptr;
    SIZE_T cbItem = 0;
    ASSERT_EQ(1, queue.Get(&pItem, &cbItem));
    EXPECT_EQ(1u, Value(pItem));
    EXPECT_EQ(600u, cbItem);
    producer.join();
    EXPECT_EQ(1, nResult.load()) << "room again when an item leaves";

    // A caller that must never wait goes beyond the limit; Shut releases those that wait.
    EXPECT_EQ(1, queue.Put(Item(4), 5000, CSampleQueue::PUT_ALWAYS));
    EXPECT_EQ(5401u, queue.PeakBytes());
    std::thread waiting([&] { nResult = queue.Put(Item(5), 1, CSampleQueue::PUT_WAIT); });
    Sleep(300);
    queue.Shut();
    waiting.join();
    EXPECT_EQ(0, nResult.load());
    EXPECT_EQ(0, queue.Put(Item(6)));
    EXPECT_EQ(3, queue.Count());
}
