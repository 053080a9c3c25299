#include "net/worker_limit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace net {

TEST(WorkerLimit, FifthWorkerIsRefusedUntilOneEnds) {
    WorkerLimit limit(kMaxRequestWorkers);
    ASSERT_EQ(kMaxRequestWorkers, 4);
    std::vector<WorkerLimit::Slot> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(limit.TryTake());
        EXPECT_TRUE(held.back().Held()) << "slot " << i;
    }
    EXPECT_EQ(limit.InUse(), 4);

    WorkerLimit::Slot fifth = limit.TryTake();
    EXPECT_FALSE(fifth.Held());
    EXPECT_EQ(limit.InUse(), 4) << "a refused take was counted";
    fifth.Release();  // releasing an empty slot gives nothing back
    EXPECT_EQ(limit.InUse(), 4);
    EXPECT_FALSE(limit.TryTake().Held());

    held[1].Release();
    EXPECT_FALSE(held[1].Held());
    EXPECT_EQ(limit.InUse(), 3);
    held[1].Release();  // a second release gives nothing back twice
    EXPECT_EQ(limit.InUse(), 3);

    WorkerLimit::Slot again = limit.TryTake();
    EXPECT_TRUE(again.Held());
    EXPECT_FALSE(limit.TryTake().Held());

    held.clear();  // destroying slots gives them back
    EXPECT_EQ(limit.InUse(), 1);
}

// A slot handed to a worker thread counts once, wherever it lives.
TEST(WorkerLimit, MovedSlotCountsOnce) {
    WorkerLimit limit(2);
    WorkerLimit::Slot a = limit.TryTake();
    WorkerLimit::Slot b(std::move(a));
    EXPECT_FALSE(a.Held());
    EXPECT_TRUE(b.Held());
    EXPECT_EQ(limit.InUse(), 1);
    a.Release();
    EXPECT_EQ(limit.InUse(), 1) << "the moved-from slot gave the count back";

    // Assigning over a held slot gives the old one back.
    WorkerLimit::Slot c = limit.TryTake();
    EXPECT_EQ(limit.InUse(), 2);
    c = std::move(b);
    EXPECT_EQ(limit.InUse(), 1);
    EXPECT_TRUE(c.Held());
    { WorkerLimit::Slot inside = std::move(c); }
    EXPECT_EQ(limit.InUse(), 0);
}

// A taker that keeps one slot free stops one short of the capacity; a taker that keeps none
// still has the last slot.
TEST(WorkerLimit, KeepingASlotFreeLeavesTheLastOneToOthers) {
    WorkerLimit limit(kMaxRequestWorkers);
    std::vector<WorkerLimit::Slot> sparing;
    for (int i = 0; i < kMaxRequestWorkers; ++i) {
        WorkerLimit::Slot slot = limit.TryTake(1);
        if (slot.Held()) {
            sparing.push_back(std::move(slot));
        }
    }
    EXPECT_EQ(sparing.size(), static_cast<size_t>(kMaxRequestWorkers - 1));
    EXPECT_EQ(limit.InUse(), kMaxRequestWorkers - 1) << "a refused take was counted";
    WorkerLimit::Slot last = limit.TryTake();
    EXPECT_TRUE(last.Held());
    EXPECT_FALSE(limit.TryTake().Held());

    // One sparing slot given back: another sparing taker finds none it may take while the last
    // free slot would go with it.
    sparing.pop_back();
    EXPECT_FALSE(limit.TryTake(1).Held());
    last.Release();
    EXPECT_TRUE(limit.TryTake(1).Held());
}

TEST(WorkerLimit, ZeroCapacityGivesNothing) {
    WorkerLimit limit(0);
    EXPECT_FALSE(limit.TryTake().Held());
    EXPECT_EQ(limit.InUse(), 0);
}

// Many threads taking and giving back at once never hold more than the capacity together, and
// every slot comes back.
TEST(WorkerLimit, ConcurrentTakersNeverExceedTheCapacity) {
    WorkerLimit limit(kMaxRequestWorkers);
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::atomic<int> granted{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 12; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                WorkerLimit::Slot slot = limit.TryTake();
                if (!slot.Held()) {
                    continue;
                }
                ++granted;
                const int now = ++running;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                std::this_thread::yield();
                --running;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_LE(most.load(), kMaxRequestWorkers);
    EXPECT_GT(granted.load(), 0);
    EXPECT_EQ(limit.InUse(), 0);
}

}  // namespace net
