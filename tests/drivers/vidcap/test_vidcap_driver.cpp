// The capture driver through its display functions on the real (virtual) desktop: the
// device listing, attach and detach by the registry switch, the escapes, the surface in
// each format, and change reports for desktop drawing and for drawing on its own DC.
#include <gtest/gtest.h>

#include <cstring>

#include "drivers/vidcap/CVidcapDriver.h"
#include "drivers/vidcap/VidcapProtocol.h"
#include "pipeline/TestTiming.h"
#include "video/CColorWindow.h"
#include "video/CDriverSwitch.h"

namespace {

const DisplayFunctions& Driver()
{
    return CVidcapDriver::Functions();
}

bool Apply(DWORD dwSwitch)
{
    if (!CDriverSwitch::Write(VIDCAP_SERVICE_NAME, "DEVICE0", dwSwitch))
        return false;
    DEVMODEA mode;
    memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(mode);
    EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return Driver().pfnChangeDisplaySettingsExA(CVidcapDriver::DeviceName(), &mode, nullptr,
                                                CDS_UPDATEREGISTRY | CDS_NORESET, nullptr) == DISP_CHANGE_SUCCESSFUL &&
           Driver().pfnChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr) == DISP_CHANGE_SUCCESSFUL;
}

// The driver's device context with both blocks mapped.
class CMappedDriver
{
public:
    CMappedDriver() : m_hDC(nullptr), m_pSurface(nullptr), m_pRing(nullptr), m_nCheck(0)
    {
        m_hDC = Driver().pfnCreateDCA("DISPLAY", CVidcapDriver::DeviceName(), nullptr, nullptr);
        if (!m_hDC)
            return;
        UINT64 nAddress = 0;
        Driver().pfnExtEscape(m_hDC, ESC_MAP_SURFACE, 0, nullptr, 8, reinterpret_cast<LPSTR>(&nAddress));
        m_pSurface = reinterpret_cast<BYTE*>(static_cast<UINT_PTR>(nAddress));
        DWORD nRequested = VIDCAP_REQUESTED_CAPACITY;
        nAddress = 0;
        Driver().pfnExtEscape(m_hDC, ESC_MAP_CHANGES, 4, reinterpret_cast<LPCSTR>(&nRequested), 8,
                              reinterpret_cast<LPSTR>(&nAddress));
        m_pRing = reinterpret_cast<VidcapRingHeader*>(static_cast<UINT_PTR>(nAddress));
        m_nCheck = Driver().pfnExtEscape(m_hDC, ESC_CHECK, 0, nullptr, 0, nullptr);
    }
    ~CMappedDriver()
    {
        if (!m_hDC)
            return;
        Driver().pfnExtEscape(m_hDC, ESC_UNMAP_CHANGES, 0, nullptr, 0, nullptr);
        Driver().pfnExtEscape(m_hDC, ESC_UNMAP_SURFACE, 0, nullptr, 0, nullptr);
        Driver().pfnDeleteDC(m_hDC);
    }
    CMappedDriver(const CMappedDriver&) = delete;
    CMappedDriver& operator=(const CMappedDriver&) = delete;

    int Stride() const
    {
        return (Driver().pfnGetDeviceCaps(m_hDC, HORZRES) * Driver().pfnGetDeviceCaps(m_hDC, BITSPIXEL) / 8 + 3) & ~3;
    }
    const BYTE* Pixel(int x, int y) const
    {
        return m_pSurface + static_cast<size_t>(y) * Stride() + x * Driver().pfnGetDeviceCaps(m_hDC, BITSPIXEL) / 8;
    }
    // Waits up to nMilliseconds for a reported rectangle that contains (x, y); takes all
    // entries on the way like a reader does.
    bool WaitForChangeAt(int x, int y, DWORD nMilliseconds)
    {
        DWORD nStart = GetTickCount();
        do {
            CColorWindow::Pump(20);
            while (m_pRing->nRead != m_pRing->nWrite) {
                DWORD nNext = m_pRing->nRead + 1;
                RECT rect = VidcapRingEntries(m_pRing)[nNext % m_pRing->nCapacity];
                m_pRing->nRead = nNext;
                POINT point = {x, y};
                if (PtInRect(&rect, point))
                    return true;
            }
        } while (GetTickCount() - nStart < nMilliseconds);
        return false;
    }

    HDC m_hDC;
    BYTE* m_pSurface;
    VidcapRingHeader* m_pRing;
    int m_nCheck;
};

class VidcapDriverTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        Apply(0);
        CVidcapDriver::Instance().SetSurfaceFormat(CVidcapDriver::FORMAT_DESKTOP);
    }
};

TEST_F(VidcapDriverTest, ListedAfterTheRealDevicesAsAMirror)
{
    DISPLAY_DEVICEA device;
    DWORD nIndex = 0;
    bool bFound = false;
    for (;; ++nIndex) {
        memset(&device, 0, sizeof(device));
        device.cb = 168; // the short form
        if (!Driver().pfnEnumDisplayDevicesA(nullptr, nIndex, &device, 0))
            break;
        if (strcmp(device.DeviceString, VIDCAP_DEVICE_DESCRIPTION) == 0) {
            bFound = true;
            EXPECT_STREQ(CVidcapDriver::DeviceName(), device.DeviceName);
            EXPECT_TRUE(device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER);
            EXPECT_FALSE(device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP);
        }
    }
    EXPECT_TRUE(bFound);
    EXPECT_GE(nIndex, 2u); // the real adapter and the mirror
    // The system's own list does not have it.
    EXPECT_FALSE(HasDisplayDevice(SystemDisplayFunctions(), VIDCAP_DEVICE_DESCRIPTION));
    EXPECT_EQ(&Driver(), &SelectDisplayFunctions(VIDCAP_DEVICE_DESCRIPTION));
}

TEST_F(VidcapDriverTest, AttachesOnlyWhenTheSwitchIsOnAndTheSettingsAreApplied)
{
    ASSERT_TRUE(Apply(0));
    EXPECT_FALSE(CVidcapDriver::Instance().IsAttached());
    EXPECT_EQ(nullptr, Driver().pfnCreateDCA("DISPLAY", CVidcapDriver::DeviceName(), nullptr, nullptr));
    // The switch alone does nothing until the settings are applied.
    ASSERT_TRUE(CDriverSwitch::Write(VIDCAP_SERVICE_NAME, "DEVICE0", 1));
    EXPECT_FALSE(CVidcapDriver::Instance().IsAttached());
    ASSERT_TRUE(Apply(1));
    EXPECT_TRUE(CVidcapDriver::Instance().IsAttached());
    ASSERT_TRUE(Apply(0));
    EXPECT_FALSE(CVidcapDriver::Instance().IsAttached());
}

TEST_F(VidcapDriverTest, EscapesMapTheSurfaceAndTheRing)
{
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_NE(nullptr, driver.m_hDC);
    HDC hScreen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    EXPECT_EQ(GetDeviceCaps(hScreen, HORZRES), Driver().pfnGetDeviceCaps(driver.m_hDC, HORZRES));
    EXPECT_EQ(GetDeviceCaps(hScreen, VERTRES), Driver().pfnGetDeviceCaps(driver.m_hDC, VERTRES));
    EXPECT_EQ(32, Driver().pfnGetDeviceCaps(driver.m_hDC, BITSPIXEL));
    EXPECT_TRUE(Driver().pfnGetDeviceCaps(driver.m_hDC, RASTERCAPS) & RC_BITBLT);
    ASSERT_NE(nullptr, driver.m_pSurface);
    ASSERT_NE(nullptr, driver.m_pRing);
    EXPECT_EQ(1, driver.m_nCheck);
    EXPECT_EQ(8192u, driver.m_pRing->nCapacity);
    // The surface starts with the desktop's picture.
    COLORREF screen = GetPixel(hScreen, 640, 400);
    const BYTE* pPixel = driver.Pixel(640, 400);
    EXPECT_EQ(RGB(pPixel[2], pPixel[1], pPixel[0]), screen);
    DeleteDC(hScreen);
    // A short output buffer gets no address.
    DWORD nShort = 0;
    EXPECT_EQ(0, Driver().pfnExtEscape(driver.m_hDC, ESC_MAP_SURFACE, 0, nullptr, 4, reinterpret_cast<LPSTR>(&nShort)));
    // Unmapped, the check fails.
    Driver().pfnExtEscape(driver.m_hDC, ESC_UNMAP_CHANGES, 0, nullptr, 0, nullptr);
    EXPECT_EQ(0, Driver().pfnExtEscape(driver.m_hDC, ESC_CHECK, 0, nullptr, 0, nullptr));
}

TEST_F(VidcapDriverTest, DesktopDrawingIsReportedAndCopied)
{
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_EQ(1, driver.m_nCheck);
    RECT rect = {300, 300, 380, 360};
    CColorWindow window(rect, RGB(0, 0, 255));
    ASSERT_TRUE(driver.WaitForChangeAt(340, 330, 3000));
    const BYTE* pPixel = driver.Pixel(340, 330);
    EXPECT_EQ(0xFF, pPixel[0]);
    EXPECT_EQ(0x00, pPixel[1]);
    EXPECT_EQ(0x00, pPixel[2]);
}

TEST_F(VidcapDriverTest, DrawingOnTheDriverContextLandsInTheSurfaceAndIsReported)
{
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_EQ(1, driver.m_nCheck);
    RECT block = {5, 600, 25, 620};
    HBRUSH hBrush = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(driver.m_hDC, &block, hBrush);
    GdiFlush();
    DeleteObject(hBrush);
    const BYTE* pPixel = driver.Pixel(10, 610);
    EXPECT_EQ(0xFF, pPixel[0]);
    EXPECT_EQ(0x00, pPixel[1]);
    EXPECT_EQ(0xFF, pPixel[2]);
    EXPECT_TRUE(driver.WaitForChangeAt(10, 610, 3000));
    // The drawing stays until the desktop changes there.
    Sleep(200);
    EXPECT_EQ(0xFF, driver.Pixel(10, 610)[0]);
}

TEST_F(VidcapDriverTest, KeepsOnlyTheAskedPartCurrentAndAWiderPartAtOnce)
{
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_EQ(1, driver.m_nCheck);
    RECT asked = {0, 0, 200, 200};
    ASSERT_EQ(1, Driver().pfnExtEscape(driver.m_hDC, ESC_SET_SAMPLE_RECT, sizeof(asked),
                                       reinterpret_cast<LPCSTR>(&asked), 0, nullptr));
    // Outside the asked part: on the screen, never in the surface.
    CColorWindow outside({300, 300, 380, 360}, RGB(0, 0, 255));
    HDC hScreen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    DWORD nStart = GetTickCount();
    while (GetPixel(hScreen, 340, 330) != RGB(0, 0, 255) && GetTickCount() - nStart < 5000)
        CColorWindow::Pump(20);
    ASSERT_EQ(RGB(0, 0, 255), GetPixel(hScreen, 340, 330));
    DeleteDC(hScreen);
    CColorWindow inside({50, 50, 100, 100}, RGB(0, 255, 0));
    ASSERT_TRUE(driver.WaitForChangeAt(75, 75, 3000));
    EXPECT_EQ(0xFF, driver.Pixel(75, 75)[1]);
    EXPECT_NE(0xFF, driver.Pixel(340, 330)[0]);
    // Asked for more, the new part is current when the escape returns, and reported.
    RECT wider = {0, 0, 400, 400};
    ASSERT_EQ(1, Driver().pfnExtEscape(driver.m_hDC, ESC_SET_SAMPLE_RECT, sizeof(wider),
                                       reinterpret_cast<LPCSTR>(&wider), 0, nullptr));
    EXPECT_EQ(0xFF, driver.Pixel(340, 330)[0]);
    EXPECT_TRUE(driver.WaitForChangeAt(340, 330, 3000));
}

TEST_F(VidcapDriverTest, AskedForNothingReadsNoScreenUntilAskedAgain)
{
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_EQ(1, driver.m_nCheck);
    // Asked just as the next sample (30 a second) begins, the escape returns once that sample
    // is done: none is counted from here on.
    const DWORD nBefore = CVidcapDriver::Instance().GetStatistics().nSamples;
    ASSERT_TRUE(WaitUntil([&] { return CVidcapDriver::Instance().GetStatistics().nSamples != nBefore; }, 10000));
    Sleep(1000 / 30 - 2);
    RECT nothing = {0, 0, 0, 0};
    ASSERT_EQ(1, Driver().pfnExtEscape(driver.m_hDC, ESC_SET_SAMPLE_RECT, sizeof(nothing),
                                       reinterpret_cast<LPCSTR>(&nothing), 0, nullptr));
    const DWORD nSamples = CVidcapDriver::Instance().GetStatistics().nSamples;
    CColorWindow window({600, 200, 660, 240}, RGB(0, 255, 0));
    CColorWindow::Pump(500);
    EXPECT_EQ(nSamples, CVidcapDriver::Instance().GetStatistics().nSamples);
    EXPECT_NE(0xFF, driver.Pixel(630, 220)[1]);
    // Asked again, the part is current at once (the caller copies it whole), and later
    // drawing is reported again.
    RECT asked = {500, 100, 800, 400};
    ASSERT_EQ(1, Driver().pfnExtEscape(driver.m_hDC, ESC_SET_SAMPLE_RECT, sizeof(asked),
                                       reinterpret_cast<LPCSTR>(&asked), 0, nullptr));
    EXPECT_EQ(0xFF, driver.Pixel(630, 220)[1]);
    CColorWindow later({700, 300, 740, 340}, RGB(0, 0, 255));
    EXPECT_TRUE(driver.WaitForChangeAt(720, 320, 3000));
}

TEST_F(VidcapDriverTest, ApplyingTheSameModeAgainKeepsTheMappings)
{
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_EQ(1, driver.m_nCheck);
    ASSERT_TRUE(Apply(1));
    EXPECT_EQ(1, Driver().pfnExtEscape(driver.m_hDC, ESC_CHECK, 0, nullptr, 0, nullptr));
    RECT rect = {500, 300, 560, 340};
    CColorWindow window(rect, RGB(0, 255, 0));
    ASSERT_TRUE(driver.WaitForChangeAt(530, 320, 3000));
    EXPECT_EQ(0xFF, driver.Pixel(530, 320)[1]);
}

TEST_F(VidcapDriverTest, SlowsDownWithoutAReaderAndResumesWhenOneReads)
{
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_EQ(1, driver.m_nCheck);
    RECT block = {5, 5, 15, 15};
    FillRect(driver.m_hDC, &block, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    GdiFlush();
    // Idle comes 2 s after the last read; a busy machine may take longer to get there.
    auto idle = [](int bIdle) { return [bIdle] { return CVidcapDriver::Instance().GetStatistics().bIdle == bIdle; }; };
    EXPECT_TRUE(WaitUntil(idle(1), 15000));
    // Taking the changes brings the full rate back.
    EXPECT_FALSE(driver.WaitForChangeAt(-100, -100, 300));
    EXPECT_TRUE(WaitUntil(idle(0), 15000));
}

struct FormatCase
{
    CVidcapDriver::SurfaceFormat format;
    int nBpp;
    BYTE red[3]; // pure red in the surface's bytes
};

class VidcapFormatTest : public VidcapDriverTest, public ::testing::WithParamInterface<FormatCase>
{
};

TEST_P(VidcapFormatTest, SurfaceHasTheRequestedFormat)
{
    const FormatCase& format = GetParam();
    CVidcapDriver::Instance().SetSurfaceFormat(format.format);
    ASSERT_TRUE(Apply(1));
    CMappedDriver driver;
    ASSERT_EQ(1, driver.m_nCheck);
    EXPECT_EQ(format.nBpp, Driver().pfnGetDeviceCaps(driver.m_hDC, BITSPIXEL));
    RECT rect = {400, 100, 460, 140};
    CColorWindow window(rect, RGB(255, 0, 0));
    ASSERT_TRUE(driver.WaitForChangeAt(430, 120, 3000));
    const BYTE* pPixel = driver.Pixel(430, 120);
    for (int i = 0; i < format.nBpp / 8; ++i)
        EXPECT_EQ(format.red[i], pPixel[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Formats, VidcapFormatTest,
                         ::testing::Values(FormatCase{CVidcapDriver::FORMAT_32, 32, {0x00, 0x00, 0xFF}},
                                           FormatCase{CVidcapDriver::FORMAT_24, 24, {0x00, 0x00, 0xFF}},
                                           FormatCase{CVidcapDriver::FORMAT_565, 16, {0x00, 0xF8, 0}},
                                           FormatCase{CVidcapDriver::FORMAT_555, 16, {0x00, 0x7C, 0}}));

} // namespace
