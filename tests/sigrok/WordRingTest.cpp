// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/WordRing.h"
#include "acquisition/sigrok/ScanAssembler.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

using namespace tessary;

namespace {

std::vector<std::uint16_t> Words(std::initializer_list<int> values) {
    std::vector<std::uint16_t> words;
    for (const int v : values) {
        words.push_back(static_cast<std::uint16_t>(v));
    }
    return words;
}

std::vector<std::uint16_t> PopAll(WordRing& ring) {
    std::vector<std::uint16_t> out(ring.Capacity() + 1);
    out.resize(ring.Pop(out));
    return out;
}

TEST(WordRing, KeepsTheOrderAcrossItsEndAndRefusesWhatDoesNotFitWhole) {
    WordRing ring(5);
    EXPECT_TRUE(ring.Push(Words({1, 2, 3})));
    std::vector<std::uint16_t> two(2);
    EXPECT_EQ(ring.Pop(two), 2u);
    EXPECT_EQ(two, Words({1, 2}));
    EXPECT_TRUE(ring.Push(Words({4, 5, 6, 7}))); // wraps round the end
    EXPECT_FALSE(ring.Push(Words({8})));         // 5 waiting: full
    EXPECT_EQ(ring.Waiting(), 5u);
    EXPECT_EQ(PopAll(ring), Words({3, 4, 5, 6, 7}));
    EXPECT_FALSE(ring.Push(Words({1, 2, 3, 4, 5, 6}))); // never fits
    EXPECT_EQ(ring.Waiting(), 0u) << "nothing of a refused push is kept";
    std::vector<std::uint16_t> none(4);
    EXPECT_EQ(ring.Pop(none), 0u);
}

// One thread pushes a counting sequence in uneven pieces while another pops it: every word
// arrives once, in order, whatever the interleaving.
TEST(WordRing, AProducerAndAConsumerOnTwoThreadsLoseAndReorderNothing) {
    constexpr std::uint32_t Total = 500'000;
    WordRing ring(1000);
    std::thread producer([&] {
        std::uint32_t next = 0;
        std::vector<std::uint16_t> piece;
        while (next < Total) {
            piece.clear();
            const std::uint32_t size = std::min<std::uint32_t>(1 + next % 97, Total - next);
            for (std::uint32_t k = 0; k < size; ++k) {
                piece.push_back(static_cast<std::uint16_t>(next + k));
            }
            if (ring.Push(piece)) {
                next += size;
            } else {
                std::this_thread::yield();
            }
        }
    });
    std::uint32_t received = 0;
    std::uint32_t outOfOrder = 0;
    std::vector<std::uint16_t> out(64);
    while (received < Total) {
        const std::size_t n = ring.Pop(out);
        for (std::size_t k = 0; k < n; ++k) {
            outOfOrder += out[k] != static_cast<std::uint16_t>(received + k);
        }
        received += static_cast<std::uint32_t>(n);
    }
    producer.join();
    EXPECT_EQ(outOfOrder, 0u);
    EXPECT_EQ(ring.Waiting(), 0u);
}

// Packets of each channel in any order and size become scans in scan order; samples beyond
// the burst are dropped.
TEST(ScanAssembler, BuildsScansFromPerChannelPacketsInAnyOrder) {
    WordRing ring(100);
    ScanAssembler scans(ring, 3, 4);
    EXPECT_TRUE(scans.Add(1, Words({11, 12})));
    EXPECT_TRUE(scans.Add(0, Words({1, 2, 3})));
    EXPECT_EQ(ring.Waiting(), 0u) << "channel 2 has not sent yet";
    EXPECT_TRUE(scans.Add(2, Words({21})));
    EXPECT_EQ(PopAll(ring), Words({1, 11, 21}));
    EXPECT_TRUE(scans.Add(2, Words({22, 23, 24, 25, 26})));
    EXPECT_TRUE(scans.Add(1, Words({13, 14, 15})));
    EXPECT_EQ(PopAll(ring), Words({2, 12, 22, 3, 13, 23}));
    EXPECT_FALSE(scans.Complete());
    EXPECT_TRUE(scans.Add(0, Words({4, 5, 6})));
    EXPECT_EQ(PopAll(ring), Words({4, 14, 24}));
    EXPECT_TRUE(scans.Complete());
    EXPECT_TRUE(scans.Add(0, Words({7})));
    EXPECT_EQ(ring.Waiting(), 0u);
}

// A device that sends one channel's whole burst before the next still gives every scan.
TEST(ScanAssembler, OneChannelAfterTheOtherInSmallPacketsGivesTheWholeBurst) {
    constexpr int Scans = 20000;
    WordRing ring(2 * Scans);
    ScanAssembler scans(ring, 2, Scans);
    std::vector<std::uint16_t> piece(7);
    for (int channel = 0; channel < 2; ++channel) {
        for (int i = 0; i < Scans; i += 7) {
            std::iota(piece.begin(), piece.end(), static_cast<std::uint16_t>(i + channel * 30000));
            scans.Add(channel, piece);
        }
    }
    ASSERT_TRUE(scans.Complete());
    std::vector<std::uint16_t> out(2 * Scans);
    ASSERT_EQ(ring.Pop(out), out.size());
    int wrong = 0;
    for (int i = 0; i < Scans; ++i) {
        wrong += out[2 * static_cast<std::size_t>(i)] != i;
        wrong += out[2 * static_cast<std::size_t>(i) + 1] != i + 30000;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ScanAssembler, AFullRingIsAnOverflowAndNothingMoreIsPushed) {
    WordRing ring(4);
    ScanAssembler scans(ring, 2, 10);
    EXPECT_TRUE(scans.Add(0, Words({1, 2, 3})));
    EXPECT_FALSE(scans.Add(1, Words({11, 12, 13})));
    EXPECT_TRUE(scans.Overflowed());
    EXPECT_FALSE(scans.Add(0, Words({4})));
    EXPECT_EQ(ring.Waiting(), 0u);
}

} // namespace
