// The grabber with the capture driver on the real (virtual) desktop: windows drawn inside
// the capture rectangle reach the buffer within two ticks, drawing outside it does not,
// for every surface format the driver can take; detaching turns the switch off.
#include <gtest/gtest.h>

#include <cstring>

#include "drivers/vidcap/CVidcapDriver.h"
#include "drivers/vidcap/VidcapProtocol.h"
#include "video/CColorWindow.h"
#include "video/CDriverSwitch.h"
#include "video/CScreenGrabber.h"

namespace {

// Ticks of a 5 fps recording.
const DWORD TICK_MS = 200;

RECT Rect(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rect = {left, top, right, bottom};
    return rect;
}

DWORD BufferPixel(CScreenGrabber& grabber, int x, int y)
{
    DWORD value;
    memcpy(&value, grabber.GetBits() + static_cast<size_t>(y) * grabber.GetStride() + x * 4, 4);
    return value & 0x00FFFFFF;
}

// Ticks enough for a busy machine: a wait only fails when the picture never comes.
const int kManyTicks = 10000 / TICK_MS;

// Runs ticks until the pixel has the value; returns the number of ticks taken (0 = never
// within nMaxTicks).
int TicksUntil(CScreenGrabber& grabber, int x, int y, DWORD value, int nMaxTicks)
{
    for (int nTick = 1; nTick <= nMaxTicks; ++nTick) {
        CColorWindow::Pump(TICK_MS);
        if (!grabber.GrabChanges())
            return 0;
        if (BufferPixel(grabber, x, y) == value)
            return nTick;
    }
    return 0;
}

void RunTicks(CScreenGrabber& grabber, int nTicks)
{
    for (int i = 0; i < nTicks; ++i) {
        CColorWindow::Pump(TICK_MS);
        ASSERT_EQ(1, grabber.GrabChanges());
    }
}

class GrabberDesktopTest : public ::testing::TestWithParam<CVidcapDriver::SurfaceFormat>
{
protected:
    void TearDown() override { CVidcapDriver::Instance().SetSurfaceFormat(CVidcapDriver::FORMAT_DESKTOP); }
};

TEST_P(GrabberDesktopTest, WindowsInsideTheRectangleAppearInTheBuffer)
{
    CVidcapDriver::Instance().SetSurfaceFormat(GetParam());
    CScreenGrabber grabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION);
    ASSERT_EQ(1, grabber.Initialize());
    ASSERT_TRUE(CVidcapDriver::Instance().IsAttached());
    EXPECT_EQ(GetParam() == CVidcapDriver::FORMAT_DESKTOP ? 32 : (GetParam() > 100 ? 16 : GetParam()),
              grabber.GetSurfaceBpp());
    DWORD dwSwitch = 0;
    ASSERT_TRUE(CDriverSwitch::Read(VIDCAP_SERVICE_NAME, "DEVICE0", dwSwitch));
    EXPECT_EQ(1u, dwSwitch);

    grabber.SetCaptureRect(Rect(100, 100, 501, 400));
    ASSERT_EQ(1, grabber.GrabChanges());
    {
        // Pure colours survive every surface format unchanged.
        CColorWindow inside(Rect(200, 200, 300, 300), RGB(255, 0, 0));
        CColorWindow outside(Rect(700, 500, 800, 600), RGB(0, 255, 0));
        ASSERT_TRUE(inside.IsValid() && outside.IsValid());
        int nTicks = TicksUntil(grabber, 250, 250, 0x00FF0000, kManyTicks);
        EXPECT_GE(nTicks, 1) << "red window never in the buffer";
        // Green reached the driver's surface but was never copied into the buffer.
        RunTicks(grabber, 2);
        EXPECT_EQ(0u, BufferPixel(grabber, 750, 550));
        EXPECT_EQ(0u, BufferPixel(grabber, 99, 250));
        EXPECT_EQ(0x00FF0000u, BufferPixel(grabber, 200, 200));
        EXPECT_EQ(0x00FF0000u, BufferPixel(grabber, 299, 299));
    }
    // The window is gone: the desktop behind it comes back.
    RunTicks(grabber, 2);
    EXPECT_NE(0x00FF0000u, BufferPixel(grabber, 250, 250));

    grabber.Shutdown();
    EXPECT_FALSE(CVidcapDriver::Instance().IsAttached());
    ASSERT_TRUE(CDriverSwitch::Read(VIDCAP_SERVICE_NAME, "DEVICE0", dwSwitch));
    EXPECT_EQ(0u, dwSwitch);
}

// The desktop's own format here; each other surface format is checked by the driver's tests
// (the surface's bytes) and the grabber's (their conversion).
INSTANTIATE_TEST_SUITE_P(SurfaceFormats, GrabberDesktopTest, ::testing::Values(CVidcapDriver::FORMAT_DESKTOP));

TEST(GrabberDesktop, OwnDrawingOnTheDriverIsCopiedAtTheNextTick)
{
    CScreenGrabber grabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION);
    ASSERT_EQ(1, grabber.Initialize());
    grabber.SetCaptureRect(Rect(0, 0, 0, 0));
    ASSERT_EQ(1, grabber.GrabChanges());
    // The display shrinks during a recording: what lies beyond it is blanked on the device.
    // Simulated by drawing, as BlankOutsideScreen does, on a part of the surface.
    HDC hDriverDC = CVidcapDriver::Functions().pfnCreateDCA("DISPLAY", CVidcapDriver::DeviceName(), nullptr, nullptr);
    ASSERT_NE(nullptr, hDriverDC);
    RECT block = Rect(1000, 10, 1010, 20);
    HBRUSH hBrush = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(hDriverDC, &block, hBrush);
    GdiFlush();
    DeleteObject(hBrush);
    EXPECT_GE(TicksUntil(grabber, 1005, 15, 0x000000FF, kManyTicks), 1);
    CVidcapDriver::Functions().pfnDeleteDC(hDriverDC);
    grabber.Shutdown();
}

} // namespace

namespace {

// The registry as a standard user meets it: the machine's keys cannot be created.
LONG WINAPI CreateKeyRefusingTheMachine(HKEY hKey, LPCSTR lpSubKey, DWORD dwReserved, LPSTR lpClass, DWORD dwOptions,
                                        REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpAttributes, PHKEY phkResult,
                                        LPDWORD lpdwDisposition)
{
    if (hKey == HKEY_LOCAL_MACHINE)
        return ERROR_ACCESS_DENIED;
    return RegCreateKeyExA(hKey, lpSubKey, dwReserved, lpClass, dwOptions, samDesired, lpAttributes, phkResult,
                           lpdwDisposition);
}

bool ReadUnder(HKEY hRoot, DWORD& dwValue)
{
    char szPath[MAX_PATH];
    if (hRoot == HKEY_CURRENT_USER)
        CDriverSwitch::UserKeyPath(VIDCAP_SERVICE_NAME, szPath, sizeof(szPath));
    else
        CDriverSwitch::KeyPath(VIDCAP_SERVICE_NAME, szPath, sizeof(szPath));
    lstrcatA(szPath, "\\DEVICE0");
    DWORD cbValue = sizeof(dwValue);
    return RegGetValueA(hRoot, szPath, VIDCAP_ATTACH_VALUE, RRF_RT_REG_DWORD, nullptr, &dwValue, &cbValue) ==
           ERROR_SUCCESS;
}

} // namespace

TEST(GrabberDesktop, StandardUserAttachesThroughTheUserKey)
{
    // The machine's switch says "detached", and this user cannot change it.
    ASSERT_TRUE(CDriverSwitch::Write(VIDCAP_SERVICE_NAME, "DEVICE0", 0));
    CDriverSwitch::CreateKeyFunction pfnOld = CDriverSwitch::SetCreateKeyFunction(CreateKeyRefusingTheMachine);
    DWORD dwValue = 0xDEAD;
    {
        CScreenGrabber grabber(VIDCAP_SERVICE_NAME, VIDCAP_DEVICE_DESCRIPTION);
        EXPECT_EQ(1, grabber.Initialize());
        EXPECT_TRUE(CVidcapDriver::Instance().IsAttached());
        grabber.SetCaptureRect(Rect(0, 0, 64, 64));
        EXPECT_EQ(1, grabber.GrabChanges());
        EXPECT_TRUE(ReadUnder(HKEY_CURRENT_USER, dwValue) && dwValue == 1) << dwValue;
        EXPECT_TRUE(ReadUnder(HKEY_LOCAL_MACHINE, dwValue) && dwValue == 0) << "the machine's value is untouched";
        grabber.Shutdown();
        EXPECT_FALSE(CVidcapDriver::Instance().IsAttached());
        EXPECT_TRUE(CDriverSwitch::Read(VIDCAP_SERVICE_NAME, "DEVICE0", dwValue) && dwValue == 0);
    }
    CDriverSwitch::SetCreateKeyFunction(pfnOld);
    // Whoever may write the machine's key again takes the switch back there.
    ASSERT_TRUE(CDriverSwitch::Write(VIDCAP_SERVICE_NAME, "DEVICE0", 0));
    EXPECT_FALSE(ReadUnder(HKEY_CURRENT_USER, dwValue));
}
