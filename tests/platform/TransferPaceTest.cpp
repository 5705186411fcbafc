#include "platform/TransferPace.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr qint64 WindowMs = 1000;

TEST(TransferPace, JudgesEveryWindowOfItsLength)
{
    struct TCase {
        const char* Name;
        std::vector<std::pair<qint64, quint64>> Samples; // (ms, running total), after a restart at (0, 0)
        std::vector<bool> Verdicts;                      // TooSlow for each sample
    };
    const TCase cases[] = {
        {"silent, but less than a window watched", {{500, 0}, {999, 0}}, {false, false}},
        {"silent for a whole window", {{500, 0}, {1000, 0}}, {false, true}},
        {"a steady 1024 bytes a second", {{500, 512}, {1000, 1024}, {1500, 1536}, {2000, 2048}},
         {false, false, false, false}},
        {"a burst, then a trickle: slow once the burst leaves the window",
         {{100, 5000}, {600, 5010}, {1099, 5020}, {1100, 5030}}, {false, false, false, true}},
        {"a trickle: each window short by one byte", {{1000, 1023}, {2000, 2046}}, {true, true}},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TTransferPace pace(WindowMs);
        pace.Restart(0, 0);
        for (size_t i = 0; i < testCase.Samples.size(); ++i) {
            const auto [atMs, total] = testCase.Samples[i];
            EXPECT_EQ(pace.TooSlow(atMs, total), testCase.Verdicts[i]) << "at " << atMs << " ms";
        }
    }
}

TEST(TransferPace, RestartForgetsWhatCameBefore)
{
    TTransferPace pace(WindowMs);
    pace.Restart(0, 0);
    EXPECT_TRUE(pace.TooSlow(1000, 0));
    pace.Restart(1000, 0);
    EXPECT_FALSE(pace.TooSlow(1500, 0));
    EXPECT_TRUE(pace.TooSlow(2000, 0));
}

} // namespace
