#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "pipeline/CSampleQueue.h"

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

TEST(SampleQueueStress, FourProducersOneConsumerEveryItemOnceInProducerOrder)
{
    const int nProducers = 4;
    const uintptr_t nPerProducer = 25000;
    CSampleQueue queue(1000, 1);
    ASSERT_TRUE(queue.ClearDraining());

    std::vector<std::thread> producers;
    for (int p = 0; p < nProducers; ++p) {
        producers.emplace_back([&queue, p, nPerProducer] {
            for (uintptr_t n = 1; n <= nPerProducer; ++n)
                queue.Put(Item((static_cast<uintptr_t>(p) << 24) | n));
        });
    }

    std::vector<uintptr_t> nextExpected(nProducers, 1);
    int nErrors = 0;
    for (uintptr_t nTaken = 0; nTaken < nProducers * nPerProducer; ++nTaken) {
        void* pItem = nullptr;
        if (!queue.Get(&pItem)) {
            ++nErrors;
            break;
        }
        uintptr_t nValue = Value(pItem);
        int nProducer = static_cast<int>(nValue >> 24);
        uintptr_t nSeq = nValue & 0xFFFFFF;
        if (nProducer >= nProducers || nSeq != nextExpected[nProducer])
            ++nErrors;
        else
            ++nextExpected[nProducer];
    }
    for (auto& producer : producers)
        producer.join();

    EXPECT_EQ(0, nErrors);
    for (int p = 0; p < nProducers; ++p)
        EXPECT_EQ(nPerProducer + 1, nextExpected[p]) << "producer " << p;
    queue.SetDraining();
    EXPECT_EQ(0, queue.Get(nullptr)) << "nothing left over";
}
