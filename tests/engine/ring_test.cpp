// The lock-free ring under two threads: every item arrives once, in order.

#include <gtest/gtest.h>

#include <thread>

#include "engine/spsc_ring.h"

namespace {

struct Item {
    uint64_t sequence;
    uint64_t check;  // derived from sequence: a torn read shows as a mismatch
};

TEST(SpscRing, TwoThreadsWithSequenceNumbers) {
    constexpr uint64_t kItems = 2'000'000;
    auto ring = std::make_unique<engine::SpscRing<Item, 64>>();
    std::thread producer([&] {
        for (uint64_t i = 0; i < kItems;) {
            if (Item* slot = ring->beginWrite()) {
                slot->sequence = i;
                slot->check = i * 2654435761u;
                ring->commitWrite();
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    uint64_t expected = 0;
    uint64_t errors = 0;
    while (expected < kItems) {
        Item item{};
        if (ring->tryPop(item)) {
            errors += (item.sequence != expected || item.check != expected * 2654435761u) ? 1 : 0;
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(ring->size(), 0u);
}

TEST(SpscRing, FullAndEmpty) {
    engine::SpscRing<int, 4> ring;
    int value = 0;
    EXPECT_FALSE(ring.tryPop(value));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(ring.tryPush(i));
    }
    EXPECT_FALSE(ring.tryPush(9));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(ring.tryPop(value));
        EXPECT_EQ(value, i);
    }
    EXPECT_FALSE(ring.tryPop(value));
}

}  // namespace
