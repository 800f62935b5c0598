#include "generators/column_pipeline.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace rw {
namespace {

// Each column's buffer holds its own number in every byte group, so a slot that was refilled
// while the consumer still held it shows up as the wrong number.
void Stamp(int32_t column, std::span<uint8_t> buffer) {
    for (std::size_t k = 0; k + sizeof column <= buffer.size(); k += sizeof column) {
        std::memcpy(buffer.data() + k, &column, sizeof column);
    }
}

bool Holds(std::span<const uint8_t> buffer, int32_t column) {
    for (std::size_t k = 0; k + sizeof column <= buffer.size(); k += sizeof column) {
        int32_t stamped;
        std::memcpy(&stamped, buffer.data() + k, sizeof stamped);
        if (stamped != column) {
            return false;
        }
    }
    return true;
}

TEST(ColumnPipeline, DeliversEveryColumnOnceInOrderWithinItsWindow) {
    for (int threads : {1, 2, 3, 8}) {
        for (int32_t window : {1, 2, 5, 16}) {
            SCOPED_TRACE("threads " + std::to_string(threads) + " window " +
                         std::to_string(window));
            const int32_t columns = 200;
            const int32_t effectiveWindow = std::max(window, threads);
            std::vector<std::atomic<int>> computed(columns);
            std::atomic<int32_t> asked{0}; // calls of Next made so far, the current one included
            std::atomic<bool> overran{false};
            ColumnPipeline pipeline(columns, 64, threads, window,
                                    [&](int32_t column, std::span<uint8_t> buffer) {
                                        // A slot is reused only after the consumer moved on
                                        // from the column it held.
                                        const int32_t released = std::max(asked.load() - 1, 0);
                                        if (column >= released + effectiveWindow) {
                                            overran = true;
                                        }
                                        ++computed[column];
                                        Stamp(column, buffer);
                                    });
            for (int32_t column = 0; column < columns; ++column) {
                ++asked;
                const std::span<const uint8_t> buffer = pipeline.Next();
                ASSERT_EQ(buffer.size(), 64u);
                if (column % 37 == 0) {
                    // Give the workers time to run ahead; the held column must stay intact.
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                ASSERT_TRUE(Holds(buffer, column)) << column;
            }
            EXPECT_FALSE(overran);
            for (int32_t column = 0; column < columns; ++column) {
                EXPECT_EQ(computed[column].load(), 1) << column;
            }
            EXPECT_THROW(pipeline.Next(), std::out_of_range);
        }
    }
}

TEST(ColumnPipeline, StoppingEarlyComputesNoMoreThanTheWindowAhead) {
    std::atomic<int> computed{0};
    {
        ColumnPipeline pipeline(100000, 8, 4, 6, [&](int32_t, std::span<uint8_t>) {
            ++computed;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        });
        for (int k = 0; k < 3; ++k) {
            pipeline.Next();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } // the consumer gives up here: the workers end without finishing the image
    EXPECT_GE(computed.load(), 3);
    EXPECT_LE(computed.load(), 3 + 6);
}

TEST(ColumnPipeline, AFailureReachesTheConsumer) {
    for (int threads : {1, 2, 8}) {
        ColumnPipeline pipeline(50, 4, threads, 8, [](int32_t column, std::span<uint8_t>) {
            if (column == 20) {
                throw std::runtime_error("column 20");
            }
        });
        for (int32_t column = 0; column < 20; ++column) {
            pipeline.Next();
        }
        EXPECT_THROW(pipeline.Next(), std::runtime_error) << threads;
    }
}

TEST(ColumnPipeline, EmptyImagesAndEmptyColumns) {
    ColumnPipeline none(0, 16, 8, 4, [](int32_t, std::span<uint8_t>) { FAIL(); });
    EXPECT_THROW(none.Next(), std::out_of_range);

    int calls = 0;
    ColumnPipeline flat(3, 0, 1, 4, [&](int32_t, std::span<uint8_t> buffer) {
        EXPECT_TRUE(buffer.empty());
        ++calls;
    });
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(flat.Next().empty());
    }
    EXPECT_EQ(calls, 3);
}

} // namespace
} // namespace rw
