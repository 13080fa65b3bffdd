// The driver's ring writer and tile tracker on synthetic data.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "drivers/vidcap/CChangeRing.h"
#include "drivers/vidcap/CTileTracker.h"

namespace {

RECT Rect(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rect = {left, top, right, bottom};
    return rect;
}

bool Same(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != 0;
}

class RingTest : public ::testing::Test
{
protected:
    void Make(DWORD nCapacity)
    {
        m_memory.assign(VidcapRingBytes(nCapacity), 0);
        Header()->nCapacity = nCapacity;
        m_ring.Attach(m_memory.data());
    }
    VidcapRingHeader* Header() { return reinterpret_cast<VidcapRingHeader*>(m_memory.data()); }
    RECT Entry(DWORD nCounter) { return VidcapRingEntries(m_memory.data())[nCounter % Header()->nCapacity]; }
    // Reads everything like the grabber does and returns the bounding rectangle.
    std::vector<RECT> Drain()
    {
        std::vector<RECT> rects;
        while (Header()->nRead != Header()->nWrite) {
            ++Header()->nRead;
            rects.push_back(Entry(Header()->nRead));
        }
        return rects;
    }
    std::vector<BYTE> m_memory;
    CChangeRing m_ring;
};

TEST_F(RingTest, EntriesFollowTheWriteCounter)
{
    Make(16);
    m_ring.Append({Rect(0, 0, 1, 1), Rect(2, 2, 3, 3)});
    EXPECT_EQ(2u, Header()->nWrite);
    EXPECT_TRUE(Same(Rect(0, 0, 1, 1), Entry(1)));
    EXPECT_TRUE(Same(Rect(2, 2, 3, 3), Entry(2)));
    m_ring.Append({});
    EXPECT_EQ(2u, Header()->nWrite);
}

TEST_F(RingTest, CoalescesWhenTheReaderLags)
{
    Make(8);
    // Five rectangles would fill more than half the ring: one bounding rectangle instead.
    m_ring.Append({Rect(0, 0, 1, 1), Rect(5, 5, 6, 6), Rect(1, 1, 2, 2), Rect(2, 2, 3, 3), Rect(9, 0, 10, 1)});
    EXPECT_EQ(1u, Header()->nWrite);
    EXPECT_TRUE(Same(Rect(0, 0, 10, 6), Entry(1)));
}

TEST_F(RingTest, NeverRunsMoreThanTheCapacityAheadAndLosesNothing)
{
    Make(4);
    // Nobody reads: the ring fills, then changes wait as one pending rectangle.
    for (int i = 0; i < 10; ++i)
        m_ring.Append({Rect(i, i, i + 1, i + 1)});
    EXPECT_EQ(4u, Header()->nWrite - Header()->nRead);
    EXPECT_TRUE(m_ring.HasPending());
    std::vector<RECT> first = Drain();
    EXPECT_EQ(4u, first.size());
    m_ring.Append({});
    std::vector<RECT> rest = Drain();
    ASSERT_EQ(1u, rest.size());
    // Everything that did not fit is covered by the pending rectangle.
    RECT covered = rest[0];
    for (int i = 0; i < 10; ++i) {
        RECT change = Rect(i, i, i + 1, i + 1);
        RECT inside;
        bool bInFirst = false;
        for (const RECT& r : first)
            bInFirst = bInFirst || Same(r, change);
        EXPECT_TRUE(bInFirst || (IntersectRect(&inside, &covered, &change) && Same(inside, change))) << i;
    }
}

TEST_F(RingTest, RandomTrafficKeepsTheBound)
{
    Make(32);
    std::mt19937 random(7);
    for (int nTick = 0; nTick < 2000; ++nTick) {
        std::vector<RECT> rects(random() % 40);
        for (RECT& r : rects)
            r = Rect(0, 0, 1 + random() % 100, 1 + random() % 100);
        m_ring.Append(rects);
        ASSERT_LE(Header()->nWrite - Header()->nRead, 32u);
        if (random() % 3 == 0)
            Drain();
    }
}

TEST_F(RingTest, CountersWrapAround)
{
    Make(8);
    Header()->nWrite = Header()->nRead = 0xFFFFFFFFu;
    m_ring.Append({Rect(1, 1, 2, 2), Rect(3, 3, 4, 4)});
    EXPECT_EQ(1u, Header()->nWrite);
    std::vector<RECT> rects = Drain();
    ASSERT_EQ(2u, rects.size());
    EXPECT_TRUE(Same(Rect(1, 1, 2, 2), rects[0]));
    EXPECT_TRUE(Same(Rect(3, 3, 4, 4), rects[1]));
}

// ---- Tiles ---------------------------------------------------------------------------------

class TileTest : public ::testing::Test
{
protected:
    static const int W = 100, H = 50, STRIDE = W * 4;
    TileTest() : m_sample(STRIDE * H, 0), m_previous(STRIDE * H, 0), m_surface(STRIDE * H, 0)
    {
        m_tracker.Configure(W, H, 4, STRIDE, 16, 8);
    }
    void Set(std::vector<BYTE>& buffer, int x, int y, BYTE value) { buffer[y * STRIDE + x * 4] = value; }
    int Track(int nSampledWidth = W, int nSampledHeight = H)
    {
        return m_tracker.Track(m_sample.data(), m_previous.data(), m_surface.data(), nSampledWidth, nSampledHeight,
                               m_rects);
    }
    std::vector<BYTE> m_sample, m_previous, m_surface;
    std::vector<RECT> m_rects;
    CTileTracker m_tracker;
};

TEST_F(TileTest, StillDesktopReportsNothing)
{
    EXPECT_EQ(0, Track());
}

TEST_F(TileTest, OneChangedPixelReportsItsTileAndUpdatesTheSurface)
{
    Set(m_sample, 20, 9, 0x55);
    ASSERT_EQ(1, Track());
    EXPECT_TRUE(Same(Rect(16, 8, 32, 16), m_rects[0]));
    EXPECT_EQ(0x55, m_surface[9 * STRIDE + 20 * 4]);
    // Only the changed tile was copied.
    Set(m_sample, 50, 30, 0x66);
    m_surface[30 * STRIDE + 50 * 4] = 0x77;
    m_previous = m_sample;
    Set(m_sample, 20, 9, 0x56);
    ASSERT_EQ(1, Track());
    EXPECT_EQ(0x56, m_surface[9 * STRIDE + 20 * 4]);
    EXPECT_EQ(0x77, m_surface[30 * STRIDE + 50 * 4]);
}

TEST_F(TileTest, NeighbouringTilesMergeIntoRunsAndRunsIntoBlocks)
{
    // A block over tiles (1..3) x (1..2), and a separate tile at the right edge (partial).
    for (int y = 8; y < 24; y += 4) {
        for (int x = 16; x < 64; x += 8)
            Set(m_sample, x, y, 1);
    }
    Set(m_sample, 99, 49, 1);
    ASSERT_EQ(2, Track());
    EXPECT_TRUE(Same(Rect(16, 8, 64, 24), m_rects[0]));
    EXPECT_TRUE(Same(Rect(96, 48, 100, 50), m_rects[1]));
    EXPECT_TRUE(m_surface == m_sample) << "every changed tile was copied";
}

TEST_F(TileTest, OnlyTheSampledAreaFollowsTheDesktop)
{
    Set(m_sample, 90, 45, 7); // beyond a 64 x 32 screen
    EXPECT_EQ(0, Track(64, 32));
    EXPECT_EQ(0, m_surface[45 * STRIDE + 90 * 4]);
    // Within it, the partial tiles at its edge end at the edge.
    Set(m_sample, 63, 31, 7);
    ASSERT_EQ(1, Track(64, 32));
    EXPECT_TRUE(Same(Rect(48, 24, 64, 32), m_rects[0]));
}

} // namespace
