// The pointer overlay over a grey frame: the shape at its hotspot, nothing when hidden or
// outside, everything drawn reported, the highlight, and rings in each button's colour.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "video/CPointerOverlay.h"

namespace {

const int kWidth = 160, kHeight = 120;
const BYTE kGrey = 100;

// A bottom-up frame, drawn into as the video source draws.
struct Frame
{
    std::vector<BYTE> bits = std::vector<BYTE>(kWidth * kHeight * 4, kGrey);

    Frame(CPointerOverlay& overlay, DWORD dwNowMs, POINT ptOrigin = {0, 0})
    {
        overlay.Draw(bits.data() + (kHeight - 1) * kWidth * 4, -kWidth * 4, kWidth, kHeight, ptOrigin, dwNowMs);
    }
    const BYTE* At(int x, int y) const { return &bits[((kHeight - 1 - y) * kWidth + x) * 4]; }
    std::vector<POINT> Changed() const
    {
        std::vector<POINT> changed;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (At(x, y)[0] != kGrey || At(x, y)[1] != kGrey || At(x, y)[2] != kGrey)
                    changed.push_back(POINT{x, y});
        return changed;
    }
};

CPointerOverlay::State Pointer(int x, int y, LPCSTR pszShape = IDC_ARROW, bool bVisible = true)
{
    CPointerOverlay::State state;
    state.ptScreen = POINT{x, y};
    state.hCursor = LoadCursorA(nullptr, pszShape);
    state.bVisible = bVisible;
    return state;
}

} // namespace

TEST(PointerOverlay, DrawsTheShapeAtItsHotspotOnlyWhereShown)
{
    CPointerOverlay overlay;
    overlay.SetOptions(true, false, false);
    // The frame shows the screen from (200, 100): the pointer is at (40, 30) in it.
    overlay.Update(Pointer(240, 130), 0);
    Frame arrow(overlay, 0, POINT{200, 100});
    EXPECT_NE(kGrey, arrow.At(40, 30)[0]) << "the arrow's tip is its hotspot";
    ASSERT_EQ(1u, overlay.GetDrawnRects().size());
    const RECT drawn = overlay.GetDrawnRects()[0];
    for (const POINT& pt : arrow.Changed())
        EXPECT_TRUE(PtInRect(&drawn, pt) && pt.x >= 40 && pt.y >= 30) << pt.x << "," << pt.y;

    overlay.Update(Pointer(240, 130, IDC_IBEAM), 0);
    EXPECT_NE(arrow.bits, Frame(overlay, 0, POINT{200, 100}).bits) << "the I-beam is drawn as the arrow";

    for (const CPointerOverlay::State& state : {Pointer(240, 130, IDC_ARROW, false), Pointer(100, 50)}) {
        overlay.Update(state, 0);
        EXPECT_TRUE(Frame(overlay, 0, POINT{200, 100}).Changed().empty()) << "hidden, or outside the frame";
        EXPECT_TRUE(overlay.GetDrawnRects().empty());
    }
}

TEST(PointerOverlay, HighlightIsAYellowDisc)
{
    CPointerOverlay overlay;
    overlay.SetOptions(false, true, false);
    overlay.Update(Pointer(80, 60), 0);
    Frame frame(overlay, 0);
    const BYTE* pMiddle = frame.At(80, 60);
    EXPECT_TRUE(pMiddle[2] > kGrey + 40 && pMiddle[1] > kGrey + 40 && pMiddle[0] < kGrey - 20);
    for (const POINT& pt : frame.Changed())
        EXPECT_LE((pt.x - 80) * (pt.x - 80) + (pt.y - 60) * (pt.y - 60), 21 * 21) << pt.x << "," << pt.y;
}

TEST(PointerOverlay, ClickRingsGrowAndFadeInTheirButtonsColours)
{
    CPointerOverlay overlay;
    overlay.SetOptions(false, false, true);
    CPointerOverlay::State left = Pointer(40, 60), right = Pointer(120, 60);
    left.bLeftPressed = true;
    right.bRightPressed = true;
    overlay.Update(left, 1000);
    overlay.Update(right, 1000);
    overlay.Update(Pointer(80, 60), 1050);

    Frame frame(overlay, 1100);
    ASSERT_EQ(2u, overlay.GetDrawnRects().size());
    // A third of the way through its life, a ring's radius is a third of the way from 6 to 28.
    const BYTE *pLeft = frame.At(40 + 13, 60), *pRight = frame.At(120 + 13, 60);
    EXPECT_GT(pLeft[2], pLeft[0] + 60) << "the left button's ring is red";
    EXPECT_GT(pRight[0], pRight[2] + 60) << "the right button's ring is blue";
    EXPECT_EQ(kGrey, frame.At(40, 60)[2]) << "a ring, not a disc";

    EXPECT_TRUE(Frame(overlay, 1000 + CPointerOverlay::kRingMs).Changed().empty());
    EXPECT_TRUE(overlay.GetDrawnRects().empty());
}
