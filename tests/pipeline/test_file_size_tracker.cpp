#include <gtest/gtest.h>

#include "pipeline/CFileSizeTracker.h"

namespace {
const ULONGLONG kLimit = 100ull * 1024 * 1024;
const DWORD kSecond = CFileSizeTracker::kCheckIntervalMs;
} // namespace

TEST(FileSizeTracker, ReadsTheDiskOnlyNearTheLimitOrOnceASecond)
{
    CFileSizeTracker tracker;
    tracker.Begin(5000);
    for (int n = 0; n < 30; ++n)
        tracker.Count(2764800); // a second of 1280x720 24-bit frames
    EXPECT_FALSE(tracker.IsCheckDue(kLimit, 5999)) << "far from the limit, within the second";
    EXPECT_TRUE(tracker.IsCheckDue(kLimit, 5000 + kSecond));

    // The disk says more than was counted (headers): the estimate starts from it.
    tracker.Checked(83000000, 6000);
    EXPECT_EQ(83000000u, tracker.Estimate());
    tracker.Count(2764800);
    EXPECT_FALSE(tracker.IsCheckDue(kLimit, 6001));
    // Within the margin and twice the largest write of the limit: every write is checked.
    for (int n = 0; n < 5; ++n)
        tracker.Count(2764800);
    EXPECT_TRUE(tracker.IsCheckDue(kLimit, 6002));
    EXPECT_EQ(83000000u + 6 * 2764800u, tracker.Estimate());
}

TEST(FileSizeTracker, SmallLimitIsCheckedAfterEveryWrite)
{
    CFileSizeTracker tracker;
    tracker.Begin(0xFFFFFF00); // the tick count wraps within the second
    tracker.Count(300);
    EXPECT_TRUE(tracker.IsCheckDue(1000, 0xFFFFFF10));
    tracker.Begin(0xFFFFFF00);
    EXPECT_FALSE(tracker.IsCheckDue(kLimit, 0x10));
    EXPECT_TRUE(tracker.IsCheckDue(kLimit, 0xFFFFFF00 + kSecond));
}
