// The grabber against a fake display: driver control, set-up for each surface format,
// the capture rectangle and change collection.
#include <gtest/gtest.h>

#include <cstring>

#include "video/CDriverSwitch.h"
#include "video/CFakeDisplay.h"
#include "video/CScreenGrabber.h"
#include "video/CScreenVideoSource.h"
#include "video/PixelConversion.h"

namespace {

const char TEST_DRIVER[] = "vidcaptest";
const DWORD MASKS_555[3] = {0x7C00, 0x03E0, 0x001F};

void DeleteSwitchKey()
{
    char szPath[MAX_PATH];
    CDriverSwitch::KeyPath(TEST_DRIVER, szPath, sizeof(szPath));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, szPath);
}

bool SwitchKeyExists()
{
    char szPath[MAX_PATH];
    CDriverSwitch::KeyPath(TEST_DRIVER, szPath, sizeof(szPath));
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, szPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

DWORD ReadSwitch(const char* pszSubKey = "DEVICE0")
{
    DWORD dwValue = 0xDEAD;
    if (!CDriverSwitch::Read(TEST_DRIVER, pszSubKey, dwValue))
        return 0xDEAD;
    return dwValue;
}

DWORD BufferPixel(CScreenGrabber& grabber, int x, int y)
{
    DWORD value;
    memcpy(&value, grabber.GetBits() + static_cast<size_t>(y) * grabber.GetStride() + x * 4, 4);
    return value;
}

RECT Rect(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rect = {left, top, right, bottom};
    return rect;
}

class GrabberTest : public ::testing::Test
{
protected:
    void SetUp() override { DeleteSwitchKey(); }
    void TearDown() override { DeleteSwitchKey(); }
};

// ---- Driver control ------------------------------------------------------------------------

TEST_F(GrabberTest, InitializeAttachesOnceMapsTheDriverAndShutdownDetaches)
{
    CFakeDisplay display(64, 32, 32);
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    ASSERT_EQ(1, grabber.Initialize());
    EXPECT_EQ(1, grabber.Initialize());
    EXPECT_EQ(1, display.m_nStageCalls);
    EXPECT_EQ(1, display.m_nApplyCalls);
    EXPECT_EQ(1, display.m_nDriverDCs);
    EXPECT_EQ(1u, ReadSwitch());
    ASSERT_EQ(1u, display.m_requestedCapacities.size());
    EXPECT_EQ(8192u, display.m_requestedCapacities[0]);
    EXPECT_EQ(1, grabber.IsDriverAttached());
    // The ring lies above 4 GB: an address taken from only half of the escape output
    // would not reach it, and the grabs below would fault.
    EXPECT_GT(reinterpret_cast<UINT_PTR>(display.Ring()), 0xFFFFFFFFull);
    display.PushChange(0, 0, 64, 32);
    EXPECT_EQ(1, grabber.GrabChanges());
    EXPECT_EQ(1u, display.Ring()->nRead);

    grabber.Shutdown();
    EXPECT_EQ(0, grabber.IsInitialized());
    EXPECT_EQ(0u, ReadSwitch());
    EXPECT_EQ(2, display.m_nUnmapCalls);
    EXPECT_EQ(1, display.m_nDriverDCsDeleted);
    EXPECT_EQ(2, display.m_nApplyCalls);
    EXPECT_EQ(nullptr, grabber.GetBits());
}

TEST_F(GrabberTest, NoDeviceWithTheDescriptionFailsAndWritesNothing)
{
    CFakeDisplay display(64, 32, 32);
    display.m_bListDevice = false;
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    EXPECT_EQ(0, grabber.AttachDriver(1));
    EXPECT_FALSE(SwitchKeyExists());
    EXPECT_EQ(0, grabber.Initialize());
    EXPECT_FALSE(SwitchKeyExists());
    EXPECT_EQ(0, display.m_nStageCalls);
    EXPECT_EQ(0, display.m_nApplyCalls);
}

TEST_F(GrabberTest, MissingNamesFailTheAttach)
{
    CFakeDisplay display(64, 32, 32);
    CScreenGrabber noName("", VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    EXPECT_EQ(0, noName.AttachDriver(1));
    CScreenGrabber noDescription(TEST_DRIVER, nullptr, &display.Functions());
    EXPECT_EQ(0, noDescription.AttachDriver(1));
    EXPECT_FALSE(SwitchKeyExists());
}

TEST_F(GrabberTest, SubKeyComesFromTheDeviceName)
{
    char szSubKey[40];
    CDriverSwitch::SubKeyName("\\\\.\\DISPLAYV1", szSubKey, sizeof(szSubKey));
    EXPECT_STREQ("DEVICE0", szSubKey);
    CDriverSwitch::SubKeyName("\\Device\\Video3", szSubKey, sizeof(szSubKey));
    EXPECT_STREQ("DEVICE\\VIDEO3", szSubKey);

    CFakeDisplay display(64, 32, 32);
    display.m_deviceName = "\\Device\\Video3";
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    ASSERT_EQ(1, grabber.AttachDriver(1));
    EXPECT_EQ(1u, ReadSwitch("DEVICE\\VIDEO3"));
    EXPECT_EQ(0xDEADu, ReadSwitch("DEVICE0"));
}

TEST_F(GrabberTest, FailedCheckFailsTheAttachButLeavesTheSwitchOn)
{
    CFakeDisplay display(64, 32, 32);
    display.m_nCheckResult = 0;
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    EXPECT_EQ(0, grabber.AttachDriver(1));
    EXPECT_EQ(1u, ReadSwitch());
    EXPECT_EQ(0, grabber.IsDriverAttached());
}

TEST_F(GrabberTest, FailedInitializeDetachesAgain)
{
    CFakeDisplay display(64, 32, 32);
    display.m_nCheckResult = 0;
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    EXPECT_EQ(0, grabber.Initialize());
    EXPECT_EQ(0, grabber.IsInitialized());
    EXPECT_EQ(0u, ReadSwitch());
}

TEST_F(GrabberTest, DetachWithoutDeviceContextStillWritesAndApplies)
{
    CFakeDisplay display(64, 32, 32);
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    EXPECT_EQ(1, grabber.AttachDriver(0));
    EXPECT_EQ(0u, ReadSwitch());
    EXPECT_EQ(1, display.m_nApplyCalls);
    EXPECT_EQ(0, display.m_nUnmapCalls);
}

// ---- Set-up per surface format -------------------------------------------------------------

TEST_F(GrabberTest, EightBitSurfaceFailsInitialize)
{
    CFakeDisplay display(64, 32, 8);
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    EXPECT_EQ(0, grabber.Initialize());
    EXPECT_EQ(0, grabber.IsInitialized());
    EXPECT_EQ(0u, ReadSwitch());
    EXPECT_EQ(0, grabber.GrabChanges());
}

struct FormatCase
{
    int nBpp;
    const DWORD* pMasks;
    RowConverter pfnExpected;
};

class GrabberFormatTest : public GrabberTest, public ::testing::WithParamInterface<FormatCase>
{
};

TEST_P(GrabberFormatTest, SetUpPicksTheConversionAndCopiesTheScreenInWhite)
{
    const FormatCase& format = GetParam();
    CFakeDisplay display(40, 20, format.nBpp, format.pMasks);
    display.FillScreen(0x00FFFFFF);
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    ASSERT_EQ(1, grabber.Initialize());
    EXPECT_EQ(format.nBpp, grabber.GetSurfaceBpp());
    EXPECT_EQ(format.pfnExpected, grabber.GetConverter());
    const BITMAPINFOHEADER& header = grabber.GetBitmapInfo()->bmiHeader;
    EXPECT_EQ(32, header.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);
    EXPECT_EQ(-20, header.biHeight);
    EXPECT_EQ(40, header.biWidth);
    EXPECT_EQ(160, grabber.GetStride());
    // Set-up drew the screen onto the device; the first grab copies the whole rectangle.
    ASSERT_EQ(1, grabber.GrabChanges());
    for (int y = 0; y < 20; y += 7) {
        for (int x = 0; x < 40; x += 3)
            EXPECT_EQ(0x00FFFFFFu, BufferPixel(grabber, x, y) & 0x00FFFFFF) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, GrabberFormatTest,
                         ::testing::Values(FormatCase{32, nullptr, nullptr}, FormatCase{24, nullptr, Convert24To32},
                                           FormatCase{16, nullptr, Convert565To32},
                                           FormatCase{16, MASKS_555, Convert555To32}));

// ---- Capture rectangle ---------------------------------------------------------------------

class CaptureRectTest : public GrabberTest
{
protected:
    RECT Normalised(const RECT& rect)
    {
        m_pGrabber->SetCaptureRect(rect);
        RECT out;
        m_pGrabber->GetCaptureRect(out);
        return out;
    }
    void Start(int nWidth, int nHeight)
    {
        m_pDisplay = new CFakeDisplay(nWidth, nHeight, 32);
        m_pGrabber = new CScreenGrabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &m_pDisplay->Functions());
        ASSERT_EQ(1, m_pGrabber->Initialize());
    }
    void TearDown() override
    {
        delete m_pGrabber;
        delete m_pDisplay;
        GrabberTest::TearDown();
    }
    CFakeDisplay* m_pDisplay = nullptr;
    CScreenGrabber* m_pGrabber = nullptr;
};

#define EXPECT_RECT(l, t, r, b, actual)                                                                                \
    do {                                                                                                               \
        RECT _a = (actual);                                                                                            \
        EXPECT_EQ((l), _a.left);                                                                                       \
        EXPECT_EQ((t), _a.top);                                                                                        \
        EXPECT_EQ((r), _a.right);                                                                                      \
        EXPECT_EQ((b), _a.bottom);                                                                                     \
    } while (0)

TEST_F(CaptureRectTest, ClipsAndMakesTheSizeEven)
{
    Start(1024, 768);
    EXPECT_RECT(10, 10, 112, 60, Normalised(Rect(10, 10, 111, 60)));
    EXPECT_RECT(922, 0, 1024, 50, Normalised(Rect(923, 0, 1024, 50)));
    EXPECT_RECT(0, 0, 1024, 768, Normalised(Rect(0, 0, 0, 0)));
    // Past the right and bottom edges: cut first, then made even.
    EXPECT_RECT(922, 700, 1024, 768, Normalised(Rect(923, 700, 2000, 900)));
    EXPECT_RECT(100, 101, 200, 201, Normalised(Rect(100, 101, 200, 200)));
    // Starting beyond the desktop: one column and one row wide, then made even.
    EXPECT_RECT(1022, 766, 1024, 768, Normalised(Rect(1500, 900, 1600, 1000)));
}

TEST_F(CaptureRectTest, OddDesktopNeverMovesTheEdgeBelowZero)
{
    Start(1023, 767);
    RECT rect = Normalised(Rect(0, 0, 0, 0));
    EXPECT_RECT(0, 0, 1023, 767, rect);
    // A grab of the whole odd desktop stays inside the buffer.
    EXPECT_EQ(1, m_pGrabber->GrabChanges());
}

// ---- Change collection ---------------------------------------------------------------------

class ChangesTest : public CaptureRectTest
{
protected:
    void SetUp() override
    {
        CaptureRectTest::SetUp();
        Start(64, 48);
        m_pGrabber->SetCaptureRect(Rect(8, 8, 40, 32));
        ASSERT_EQ(1, m_pGrabber->GrabChanges()); // the full refresh of set-up
        m_pDisplay->FillSurface(0x11);
    }
    DWORD Pixel(int x, int y) { return BufferPixel(*m_pGrabber, x, y); }
};

TEST_F(ChangesTest, NothingChangedCopiesNothing)
{
    ASSERT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(0u, Pixel(10, 10));
    EXPECT_EQ(0u, Pixel(39, 31));
}

TEST_F(ChangesTest, SameRectangleTwiceDoesNotForceAFullCopy)
{
    m_pGrabber->SetCaptureRect(Rect(8, 8, 40, 32));
    ASSERT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(0u, Pixel(10, 10));
}

TEST_F(ChangesTest, MovingTheRectangleByOnePixelCopiesAllOfIt)
{
    m_pGrabber->SetCaptureRect(Rect(9, 8, 41, 32));
    ASSERT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(0x11111111u, Pixel(9, 8));
    EXPECT_EQ(0x11111111u, Pixel(40, 31));
    EXPECT_EQ(0u, Pixel(8, 8));
    EXPECT_EQ(0u, Pixel(41, 8));
    EXPECT_EQ(0u, Pixel(9, 32));
}

TEST_F(ChangesTest, ChangesAreCopiedOnlyInsideTheCaptureRectangle)
{
    m_pDisplay->PushChange(0, 0, 12, 12);   // overlaps the corner at (8, 8)
    m_pDisplay->PushChange(50, 40, 60, 44); // entirely outside
    ASSERT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(0x11111111u, Pixel(8, 8));
    EXPECT_EQ(0x11111111u, Pixel(11, 11));
    EXPECT_EQ(0u, Pixel(12, 11));
    EXPECT_EQ(0u, Pixel(7, 7));
    EXPECT_EQ(0u, Pixel(55, 42));
    EXPECT_EQ(2u, m_pDisplay->Ring()->nRead);
    // Taken once: the next grab copies nothing more.
    m_pDisplay->FillSurface(0x22);
    ASSERT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(0x11111111u, Pixel(8, 8));
}

TEST_F(ChangesTest, RingWrapsAroundItsEntriesAndTheCounter)
{
    // Capacity 64; the counters wrap past 2^32 while reading these three entries.
    m_pDisplay->SetCounters(0xFFFFFFFEu, 0xFFFFFFFEu);
    m_pDisplay->PushChange(8, 8, 10, 10);   // counter 0xFFFFFFFF, entry 63
    m_pDisplay->PushChange(20, 20, 22, 22); // counter 0, entry 0
    m_pDisplay->PushChange(30, 30, 32, 32); // counter 1, entry 1
    ASSERT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(1u, m_pDisplay->Ring()->nRead);
    EXPECT_EQ(0x11111111u, Pixel(9, 9));
    EXPECT_EQ(0x11111111u, Pixel(21, 21));
    EXPECT_EQ(0x11111111u, Pixel(31, 31));
    EXPECT_EQ(0u, Pixel(15, 15));
}

TEST_F(ChangesTest, ADriverThatRanAheadOfTheRingForcesAFullCopy)
{
    m_pDisplay->SetCounters(1000, 10); // more than the 64 entries behind
    ASSERT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(1000u, m_pDisplay->Ring()->nRead);
    EXPECT_EQ(0x11111111u, Pixel(8, 8));
    EXPECT_EQ(0x11111111u, Pixel(39, 31));
    EXPECT_EQ(0u, Pixel(40, 32));
}

// The video source's frame, after a first whole copy, is brought up to date with only the
// rectangles the grabber found changed; it must always equal a whole copy.
class CTestScreenSource : public CScreenVideoSource
{
public:
    int Allocate() { return OnThreadStart(); }
};

TEST_F(ChangesTest, VideoSourceFrameStaysEqualToTheCaptureRectangle)
{
    CTestScreenSource source;
    source.SetGrabber(m_pGrabber);
    source.SetWidth(32);
    source.SetHeight(24);
    ASSERT_EQ(1, source.Allocate());
    auto mismatches = [&](const BYTE* pFrame, const RECT& rect) {
        int nWrong = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 32; ++x) {
                DWORD value;
                memcpy(&value, pFrame + (23 - y) * source.GetStride() + x * 4, 4);
                nWrong += value != Pixel(rect.left + x, rect.top + y);
            }
        }
        return nWrong;
    };
    const RECT rect = Rect(8, 8, 40, 32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            m_pDisplay->SetSurfacePixel32(x, y, 0x10000 * y + x);
    m_pDisplay->PushChange(0, 0, 64, 48);
    const BYTE* pFrame = source.GetFrame(nullptr, nullptr, 0, 0, 0);
    ASSERT_NE(nullptr, pFrame);
    EXPECT_EQ(0, mismatches(pFrame, rect));
    EXPECT_EQ(0x10000u * 8 + 8, Pixel(8, 8));

    // Two small changes, one across the rectangle's edge.
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            m_pDisplay->SetSurfacePixel32(x, y, 0xAB000000u + 0x10000 * y + x);
    m_pDisplay->PushChange(12, 10, 20, 14);
    m_pDisplay->PushChange(36, 28, 50, 40);
    EXPECT_EQ(pFrame, source.GetFrame(nullptr, nullptr, 0, 0, 0));
    EXPECT_EQ(0, mismatches(pFrame, rect));
    EXPECT_EQ(0xAB000000u + 0x10000 * 12 + 15, Pixel(15, 12));
    EXPECT_EQ(0x10000u * 9 + 9, Pixel(9, 9)) << "unchanged where nothing was reported";

    // A moved rectangle is copied whole.
    m_pGrabber->SetCaptureRect(Rect(10, 12, 42, 36));
    source.GetFrame(nullptr, nullptr, 0, 0, 0);
    EXPECT_EQ(0, mismatches(pFrame, Rect(10, 12, 42, 36)));
}

// ---- Display changes -----------------------------------------------------------------------

TEST_F(ChangesTest, UnchangedModeDoesNothing)
{
    EXPECT_EQ(1, m_pGrabber->OnDisplayChange(1));
    EXPECT_EQ(1, m_pDisplay->m_nStageCalls);
}

TEST_F(ChangesTest, SmallerScreenDuringARecordingIsBlankedOut)
{
    m_pDisplay->FillSurface(0x77);
    m_pDisplay->m_nScreenWidth = 32;
    m_pDisplay->m_nScreenHeight = 40;
    EXPECT_EQ(1, m_pGrabber->OnDisplayChange(0));
    EXPECT_EQ(1, m_pDisplay->m_nStageCalls); // no rebuild while recording
    m_pGrabber->BlankOutsideScreen();
    GdiFlush();
    // Drawn black on the device beyond the new screen, untouched within it.
    BYTE* pRow = m_pDisplay->Surface() + 10 * m_pDisplay->GetSurfaceStride();
    DWORD inside, outside, below;
    memcpy(&inside, pRow + 31 * 4, 4);
    memcpy(&outside, pRow + 32 * 4, 4);
    memcpy(&below, m_pDisplay->Surface() + 40 * m_pDisplay->GetSurfaceStride(), 4);
    EXPECT_EQ(0x77777777u, inside);
    EXPECT_EQ(0u, outside & 0x00FFFFFF);
    EXPECT_EQ(0u, below & 0x00FFFFFF);
}

TEST_F(ChangesTest, ChangedModeWhileIdleRebuilds)
{
    m_pDisplay->m_nScreenBpp = 16;
    EXPECT_EQ(1, m_pGrabber->OnDisplayChange(1));
    EXPECT_EQ(2 + 1, m_pDisplay->m_nStageCalls); // detach and attach again
    EXPECT_EQ(1u, ReadSwitch());
    EXPECT_NE(nullptr, m_pGrabber->GetBits());
    EXPECT_EQ(1, m_pGrabber->GrabChanges());
}

TEST_F(ChangesTest, ChangeDuringARecordingIsRebuiltOnceItEnds)
{
    m_pDisplay->m_nScreenBpp = 16;
    EXPECT_EQ(1, m_pGrabber->OnDisplayChange(0));
    EXPECT_EQ(1, m_pDisplay->m_nStageCalls); // not while recording
    EXPECT_EQ(1, m_pGrabber->OnDisplayChange(1));
    EXPECT_EQ(2 + 1, m_pDisplay->m_nStageCalls);
    EXPECT_EQ(1, m_pGrabber->GrabChanges());
    EXPECT_EQ(1, m_pGrabber->OnDisplayChange(1));
    EXPECT_EQ(2 + 1, m_pDisplay->m_nStageCalls) << "rebuilt once";
}

TEST_F(GrabberTest, NotInitialisedGrabberRefusesWork)
{
    CFakeDisplay display(64, 32, 32);
    CScreenGrabber grabber(TEST_DRIVER, VIDCAP_DEVICE_DESCRIPTION, &display.Functions());
    EXPECT_EQ(0, grabber.OnDisplayChange(1));
    EXPECT_EQ(0, grabber.GrabChanges());
    grabber.BlankOutsideScreen();
}

} // namespace
