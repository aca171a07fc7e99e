#include "catalogue/ScanMath.h"
#include <gtest/gtest.h>

TEST(ScanMath, SizesRoundUpToWholeClusters)
{
    EXPECT_EQ(ClusterRound(0, 4096), 0u);
    EXPECT_EQ(ClusterRound(1, 4096), 4096u);
    EXPECT_EQ(ClusterRound(4096, 4096), 4096u);
    EXPECT_EQ(ClusterRound(4097, 4096), 8192u);
    EXPECT_EQ(ClusterRound(5000000000ull, 4096), 5000003584ull); // beyond 32 bits
    EXPECT_EQ(ClusterRound(4097, 0), 4097u); // unknown cluster size: unrounded
}

TEST(ScanMath, PercentIsTruncatedAndClamped)
{
    EXPECT_EQ(PercentDone(0, 0), 0);
    EXPECT_EQ(PercentDone(1, 3), 33);
    EXPECT_EQ(PercentDone(2, 3), 66);
    EXPECT_EQ(PercentDone(3, 3), 100);
    EXPECT_EQ(PercentDone(7, 3), 100); // more scanned than the drives said they hold
    EXPECT_EQ(PercentDone(1ull << 40, 1ull << 41), 50);
}

TEST(ScanMath, SecondsLeftFromTheRateOfTheFirstFifteenSeconds)
{
    EXPECT_EQ(SecondsLeft(1000, 100, 0), 0);
    EXPECT_EQ(SecondsLeft(1000, 100, 100), 135); // 900 bytes at 100 bytes per 15 s
    EXPECT_EQ(SecondsLeft(1000, 999, 100), 0);   // less than one rate's worth left
    EXPECT_EQ(SecondsLeft(1000, 100, 400), 30);  // 900 / 400 is 2 whole rates: steps of 15 s
    EXPECT_EQ(SecondsLeft(1000, 2000, 100), 0);  // past the total: never negative
    EXPECT_EQ(SecondsLeft(1000, 100, 0x80000000u), 0); // the rate is read as signed
    EXPECT_EQ(SecondsLeft(1ull << 50, 0, 1), 2147483647);
}
