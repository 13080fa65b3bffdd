#include "drivers/vidcap/CVidcapDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/DibStride.h"
#include "drivers/vidcap/VidcapProtocol.h"
#include "drivers/vidcap/VidcapSwitch.h"

namespace {

const char DEVICE_NAME[] = "\\\\.\\DISPLAYV1";
const char DEVICE_KEY[] = "\\Registry\\Machine\\System\\CurrentControlSet\\Services\\vidcap\\Device0";
// The registry sub-key of a device whose name holds no "\DEVICE" part.
const char DEVICE_SUBKEY[] = "DEVICE0";
// Reading the whole desktop costs most of a sample (1280x800, 32 bits: 3 to 6 ms, against about
// 1 ms to compare it; see bench/capture.sh); 30 samples a second keep the picture within a
// frame of a 30 fps recording.
const int DEFAULT_RATE = 30;
// Samples a second while no reader takes the changes, and how long until then.
const int IDLE_RATE = 5;
const LONGLONG IDLE_AFTER_MS = 2000;
// Bytes read from the desktop in one call. With Wine 8 on an X server a desktop read is an
// image request whose whole reply the process takes into buffers of its own: in a fresh
// process one read of a 1280x800 desktop (4 MB) costs about five times the CPU of the same
// rows read in bands of 1 to 2 MB, in a running recording about a tenth more; much smaller
// bands pay for each call again (bench/capture.sh read).
const int READ_BAND_BYTES = 1 << 20;
// The longest a caller asking for nothing waits for a sample under way (a sample takes
// milliseconds; a stalled display must not stall the caller for good).
const DWORD IDLE_WAIT_MS = 2000;
const int DEFAULT_TILE_WIDTH = 64;
const int DEFAULT_TILE_HEIGHT = 16;
const DWORD MIN_RING_CAPACITY = 64;
const DWORD MAX_RING_CAPACITY = 65536;

CVidcapDriver::SurfaceFormat FormatFromEnvironment()
{
    const char* pszValue = getenv("ORVANE_VIDCAP_FORMAT");
    int nValue = pszValue ? atoi(pszValue) : 0;
    switch (nValue) {
    case 32:
        return CVidcapDriver::FORMAT_32;
    case 24:
        return CVidcapDriver::FORMAT_24;
    case 565:
        return CVidcapDriver::FORMAT_565;
    case 555:
        return CVidcapDriver::FORMAT_555;
    default:
        return CVidcapDriver::FORMAT_DESKTOP;
    }
}

double Seconds(LONGLONG nTicks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(nTicks) / static_cast<double>(frequency.QuadPart);
}

double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0.0;
    ULARGE_INTEGER nKernel, nUser;
    nKernel.LowPart = kernel.dwLowDateTime;
    nKernel.HighPart = kernel.dwHighDateTime;
    nUser.LowPart = user.dwLowDateTime;
    nUser.HighPart = user.dwHighDateTime;
    return static_cast<double>(nKernel.QuadPart + nUser.QuadPart) / 1e7;
}

} // namespace

CVidcapDriver& CVidcapDriver::Instance()
{
    // Never destroyed: the sampler may still run while the process exits.
    static CVidcapDriver* s_pDriver = new CVidcapDriver();
    return *s_pDriver;
}

const DisplayFunctions& CVidcapDriver::Functions()
{
    static const DisplayFunctions s_functions = {
        &CVidcapDriver::EnumDisplayDevicesA, &CVidcapDriver::ChangeDisplaySettingsExA,
        &CVidcapDriver::CreateDCA,           &CVidcapDriver::DeleteDC,
        &CVidcapDriver::ExtEscape,           &CVidcapDriver::GetDeviceCaps};
    return s_functions;
}

const char* CVidcapDriver::DeviceName()
{
    return DEVICE_NAME;
}

// The rest starts from the member initialisers.
CVidcapDriver::CVidcapDriver()
    : m_format(FormatFromEnvironment()), m_nRate(DEFAULT_RATE), m_nTileWidth(DEFAULT_TILE_WIDTH),
      m_nTileHeight(DEFAULT_TILE_HEIGHT)
{
}

void CVidcapDriver::SetSurfaceFormat(SurfaceFormat format)
{
    CScopedLock lock(m_cs);
    m_format = format;
}

void CVidcapDriver::SetSampleRate(int nPerSecond)
{
    CScopedLock lock(m_cs);
    m_nRate = std::max(1, nPerSecond);
}

void CVidcapDriver::SetTileSize(int nWidth, int nHeight)
{
    CScopedLock lock(m_cs);
    m_nTileWidth = std::max(1, nWidth);
    m_nTileHeight = std::max(1, nHeight);
}

bool CVidcapDriver::IsAttached()
{
    CScopedLock lock(m_cs);
    return m_bAttached != 0;
}

CVidcapDriver::Statistics CVidcapDriver::GetStatistics()
{
    // Read while the sampler runs: the figures are for reports and may be a tick apart.
    Statistics stats = m_stats;
    if (m_hThread) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        stats.dRunSeconds = Seconds(now.QuadPart - m_runStart.QuadPart);
    }
    return stats;
}

void CVidcapDriver::ResetStatistics()
{
    m_stats = Statistics();
    QueryPerformanceCounter(&m_runStart);
}

bool CVidcapDriver::IsOurDevice(LPCSTR pszDevice)
{
    return pszDevice && lstrcmpiA(pszDevice, DEVICE_NAME) == 0;
}

// ---- Display functions ---------------------------------------------------------------------

BOOL WINAPI CVidcapDriver::EnumDisplayDevicesA(LPCSTR pszDevice, DWORD nIndex, PDISPLAY_DEVICEA pDevice, DWORD dwFlags)
{
    const DisplayFunctions& system = SystemDisplayFunctions();
    if (pszDevice) {
        // The virtual device drives no monitor.
        if (IsOurDevice(pszDevice) || !system.pfnEnumDisplayDevicesA)
            return FALSE;
        return system.pfnEnumDisplayDevicesA(pszDevice, nIndex, pDevice, dwFlags);
    }
    return Instance().ListDevice(nIndex, pDevice, dwFlags);
}

BOOL CVidcapDriver::ListDevice(DWORD nIndex, PDISPLAY_DEVICEA pDevice, DWORD dwFlags)
{
    const DisplayFunctions& system = SystemDisplayFunctions();
    DWORD nRealCount = 0;
    if (system.pfnEnumDisplayDevicesA) {
        DISPLAY_DEVICEA probe;
        for (;; ++nRealCount) {
            memset(&probe, 0, sizeof(probe));
            probe.cb = sizeof(probe);
            if (!system.pfnEnumDisplayDevicesA(nullptr, nRealCount, &probe, 0))
                break;
        }
        if (nIndex < nRealCount)
            return system.pfnEnumDisplayDevicesA(nullptr, nIndex, pDevice, dwFlags);
    }
    const DWORD nShortSize = offsetof(DISPLAY_DEVICEA, StateFlags) + sizeof(DWORD);
    if (nIndex != nRealCount || !pDevice || pDevice->cb < nShortSize)
        return FALSE;
    DWORD cb = std::min<DWORD>(pDevice->cb, sizeof(DISPLAY_DEVICEA));
    memset(reinterpret_cast<BYTE*>(pDevice) + sizeof(DWORD), 0, cb - sizeof(DWORD));
    lstrcpynA(pDevice->DeviceName, DEVICE_NAME, sizeof(pDevice->DeviceName));
    lstrcpynA(pDevice->DeviceString, VIDCAP_DEVICE_DESCRIPTION, sizeof(pDevice->DeviceString));
    pDevice->StateFlags = DISPLAY_DEVICE_MIRRORING_DRIVER;
    if (IsAttached())
        pDevice->StateFlags |= DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
    if (cb >= sizeof(DISPLAY_DEVICEA))
        lstrcpynA(pDevice->DeviceKey, DEVICE_KEY, sizeof(pDevice->DeviceKey));
    return TRUE;
}

LONG WINAPI CVidcapDriver::ChangeDisplaySettingsExA(LPCSTR pszDevice, LPDEVMODEA pMode, HWND hWnd, DWORD dwFlags,
                                                    LPVOID pParam)
{
    CVidcapDriver& driver = Instance();
    const DisplayFunctions& system = SystemDisplayFunctions();
    if (IsOurDevice(pszDevice)) {
        {
            CScopedLock lock(driver.m_cs);
            if (pMode) {
                if (pMode->dmFields & DM_PELSWIDTH)
                    driver.m_nModeWidth = static_cast<int>(pMode->dmPelsWidth);
                if (pMode->dmFields & DM_PELSHEIGHT)
                    driver.m_nModeHeight = static_cast<int>(pMode->dmPelsHeight);
                if (pMode->dmFields & DM_BITSPERPEL)
                    driver.m_nModeBpp = static_cast<int>(pMode->dmBitsPerPel);
            }
        }
        if (dwFlags & CDS_NORESET)
            return DISP_CHANGE_SUCCESSFUL;
        return driver.ApplySettings();
    }
    if (!pszDevice && !pMode) {
        LONG nResult = driver.ApplySettings();
        if (driver.m_bRealChangePending && system.pfnChangeDisplaySettingsExA) {
            driver.m_bRealChangePending = 0;
            LONG nReal = system.pfnChangeDisplaySettingsExA(nullptr, nullptr, hWnd, dwFlags, pParam);
            if (nResult == DISP_CHANGE_SUCCESSFUL)
                nResult = nReal;
        }
        return nResult;
    }
    if (!system.pfnChangeDisplaySettingsExA)
        return DISP_CHANGE_FAILED;
    LONG nResult = system.pfnChangeDisplaySettingsExA(pszDevice, pMode, hWnd, dwFlags, pParam);
    if (nResult == DISP_CHANGE_SUCCESSFUL && (dwFlags & CDS_NORESET))
        driver.m_bRealChangePending = 1;
    return nResult;
}

HDC WINAPI CVidcapDriver::CreateDCA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR pszOutput, const DEVMODEA* pMode)
{
    if (IsOurDevice(pszDevice))
        return Instance().CreateDriverDC();
    return ::CreateDCA(pszDriver, pszDevice, pszOutput, pMode);
}

BOOL WINAPI CVidcapDriver::DeleteDC(HDC hDC)
{
    CVidcapDriver& driver = Instance();
    if (driver.FindDC(hDC))
        return driver.DeleteDriverDC(hDC);
    return ::DeleteDC(hDC);
}

int WINAPI CVidcapDriver::ExtEscape(HDC hDC, int nEscape, int cbInput, LPCSTR pInput, int cbOutput, LPSTR pOutput)
{
    CVidcapDriver& driver = Instance();
    {
        CScopedLock lock(driver.m_cs);
        DriverDC* pDC = driver.FindDC(hDC);
        if (pDC)
            return driver.Escape(*pDC, nEscape, cbInput, pInput, cbOutput, pOutput);
    }
    return ::ExtEscape(hDC, nEscape, cbInput, pInput, cbOutput, pOutput);
}

int WINAPI CVidcapDriver::GetDeviceCaps(HDC hDC, int nIndex)
{
    return Instance().DeviceCaps(hDC, nIndex);
}

// ---- Attach and detach ---------------------------------------------------------------------

bool CVidcapDriver::ReadAttachSwitch()
{
    DWORD dwValue = 0;
    return VidcapReadSwitch(VIDCAP_SERVICE_NAME, DEVICE_SUBKEY, dwValue) && dwValue == 1;
}

LONG CVidcapDriver::ApplySettings()
{
    bool bAttach = ReadAttachSwitch();
    CScopedLock lock(m_cs);
    if (!bAttach) {
        Detach();
        return DISP_CHANGE_SUCCESSFUL;
    }
    // Attached in the same mode and format: the surface and every mapping stay as they are.
    if (m_bAttached && m_attachedMode.nWidth == m_nModeWidth && m_attachedMode.nHeight == m_nModeHeight &&
        m_attachedMode.nBpp == m_nModeBpp && m_attachedMode.format == m_format)
        return DISP_CHANGE_SUCCESSFUL;
    // A new mode (or format) takes a new surface.
    Detach();
    if (!Attach())
        return DISP_CHANGE_FAILED;
    m_attachedMode.nWidth = m_nModeWidth;
    m_attachedMode.nHeight = m_nModeHeight;
    m_attachedMode.nBpp = m_nModeBpp;
    m_attachedMode.format = m_format;
    return DISP_CHANGE_SUCCESSFUL;
}

bool CVidcapDriver::Attach()
{
    if (!CreateSurface() || !CreateRing() || !StartSampler()) {
        Detach();
        return false;
    }
    m_bAttached = 1;
    return true;
}

bool CVidcapDriver::CreateSurface()
{
    int nScreenWidth = 0, nScreenHeight = 0, nScreenBpp = 0;
    {
        CScopedMemoryDC hScreen(::CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
        if (hScreen) {
            nScreenWidth = ::GetDeviceCaps(hScreen.Get(), HORZRES);
            nScreenHeight = ::GetDeviceCaps(hScreen.Get(), VERTRES);
            nScreenBpp = ::GetDeviceCaps(hScreen.Get(), BITSPIXEL);
        }
    }
    m_nWidth = m_nModeWidth > 0 ? m_nModeWidth : nScreenWidth;
    m_nHeight = m_nModeHeight > 0 ? m_nModeHeight : nScreenHeight;
    if (m_nWidth <= 0 || m_nHeight <= 0)
        return false;
    int nFormat = m_format != FORMAT_DESKTOP ? m_format : (m_nModeBpp > 0 ? m_nModeBpp : nScreenBpp);
    memset(&m_info, 0, sizeof(m_info));
    m_info.header.biSize = sizeof(BITMAPINFOHEADER);
    m_info.header.biWidth = m_nWidth;
    m_info.header.biHeight = -m_nHeight;
    m_info.header.biPlanes = 1;
    m_info.header.biCompression = BI_RGB;
    switch (nFormat) {
    case 24:
        m_nBpp = 24;
        break;
    case 16:
    case 565:
        m_nBpp = 16;
        m_info.header.biCompression = BI_BITFIELDS;
        m_info.masks[0] = 0xF800;
        m_info.masks[1] = 0x07E0;
        m_info.masks[2] = 0x001F;
        break;
    case 15:
    case 555:
        m_nBpp = 16;
        m_info.header.biCompression = BI_BITFIELDS;
        m_info.masks[0] = 0x7C00;
        m_info.masks[1] = 0x03E0;
        m_info.masks[2] = 0x001F;
        break;
    default:
        m_nBpp = 32;
        break;
    }
    m_info.header.biBitCount = static_cast<WORD>(m_nBpp);
    m_nStride = static_cast<int>(DibRowStride(m_nBpp, m_nWidth));
    m_nSurfaceBytes = static_cast<SIZE_T>(m_nStride) * m_nHeight;
    m_info.header.biSizeImage = static_cast<DWORD>(m_nSurfaceBytes);
    m_hSurfaceSection.Reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                               static_cast<DWORD>(m_nSurfaceBytes), nullptr));
    if (!m_hSurfaceSection)
        return false;
    m_surfaceView.Reset(MapViewOfFile(m_hSurfaceSection.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    m_pSurface = static_cast<BYTE*>(m_surfaceView.Get());
    return m_pSurface != nullptr;
}

bool CVidcapDriver::CreateRing()
{
    DWORD nCapacity = std::clamp(VIDCAP_REQUESTED_CAPACITY, MIN_RING_CAPACITY, MAX_RING_CAPACITY);
    SIZE_T nBytes = VidcapRingBytes(nCapacity);
    m_hRingSection.Reset(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(nBytes), nullptr));
    if (!m_hRingSection)
        return false;
    m_ringView.Reset(MapViewOfFile(m_hRingSection.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!m_ringView)
        return false;
    static_cast<VidcapRingHeader*>(m_ringView.Get())->nCapacity = nCapacity;
    m_ring.Attach(m_ringView.Get());
    return true;
}

bool CVidcapDriver::StartSampler()
{
    m_hDisplayDC.Reset(::CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
    if (!m_hDisplayDC)
        return false;
    for (int i = 0; i < 2; ++i) {
        void* pBits = nullptr;
        HDC hDC = CreateCompatibleDC(m_hDisplayDC.Get());
        HBITMAP hBitmap = CreateDIBSection(m_hDisplayDC.Get(), reinterpret_cast<BITMAPINFO*>(&m_info), DIB_RGB_COLORS,
                                           &pBits, nullptr, 0);
        m_sampleDC[i].Reset(hDC, hBitmap);
        if (!m_sampleDC[i] || !pBits)
            return false;
        m_pSample[i] = static_cast<BYTE*>(pBits);
    }
    m_tracker.Configure(m_nWidth, m_nHeight, m_nBpp / 8, m_nStride, m_nTileWidth, m_nTileHeight);
    // The surface starts with the current picture, so only later drawing counts as a change.
    m_nCurrentSample = 0;
    m_rcSample = SampleRectOfCallers();
    m_rcSampleTaken = m_rcSample;
    m_rcSampled = m_rcSample;
    m_bResting = false;
    ReadDesktop(m_sampleDC[0].Get(), m_rcSample);
    memcpy(m_pSample[1], m_pSample[0], m_nSurfaceBytes);
    memcpy(m_pSurface, m_pSample[0], m_nSurfaceBytes);

    m_hStop.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_hIdle.Reset(CreateEventA(nullptr, TRUE, TRUE, nullptr));
    if (!m_hStop || !m_hIdle)
        return false;
    ResetStatistics();
    m_hThread.Reset(CreateThread(nullptr, 0, &CVidcapDriver::SamplerThread, this, 0, nullptr));
    return m_hThread.IsValid();
}

void CVidcapDriver::StopSampler()
{
    if (m_hThread) {
        SetEvent(m_hStop.Get());
        WaitForSingleObject(m_hThread.Get(), INFINITE);
        m_hThread.Reset();
    }
    m_hStop.Reset();
    m_hIdle.Reset();
    for (int i = 0; i < 2; ++i) {
        m_sampleDC[i].Reset();
        m_pSample[i] = nullptr;
    }
    m_hDisplayDC.Reset();
}

void CVidcapDriver::Detach()
{
    StopSampler();
    m_ring.Attach(nullptr);
    // Views mapped into callers and the device contexts' bitmaps keep the sections alive.
    m_ringView.Reset();
    m_hRingSection.Reset();
    m_pSurface = nullptr;
    m_surfaceView.Reset();
    m_hSurfaceSection.Reset();
    m_bAttached = 0;
}

// ---- Sampler -------------------------------------------------------------------------------

DWORD WINAPI CVidcapDriver::SamplerThread(LPVOID pParam)
{
    static_cast<CVidcapDriver*>(pParam)->RunSampler();
    return 0;
}

void CVidcapDriver::RunSampler()
{
    LARGE_INTEGER frequency, next, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&next);
    const LONGLONG nPeriod = frequency.QuadPart / m_nRate;
    const LONGLONG nIdlePeriod = frequency.QuadPart / IDLE_RATE;
    const LONGLONG nIdleAfter = frequency.QuadPart * IDLE_AFTER_MS / 1000;
    DWORD nLastRead = m_ring.GetReadCounter();
    LONGLONG nLastReadTime = next.QuadPart;
    double dLastCpu = ThreadCpuSeconds();
    for (;;) {
        // Nobody reads any of the desktop (no recording runs): nothing is read from the
        // screen until a caller asks again, which reads what it asks for itself.
        if (NothingWanted()) {
            if (WaitForSingleObject(m_hStop.Get(), static_cast<DWORD>(1000 / m_nRate)) == WAIT_OBJECT_0)
                return;
            QueryPerformanceCounter(&next);
            nLastReadTime = next.QuadPart;
            continue;
        }
        QueryPerformanceCounter(&now);
        Sample();
        LARGE_INTEGER done;
        QueryPerformanceCounter(&done);
        m_stats.dSampleSeconds += Seconds(done.QuadPart - now.QuadPart);
        double dCpu = ThreadCpuSeconds();
        m_stats.dCpuSeconds += dCpu - dLastCpu;
        dLastCpu = dCpu;
        ++m_stats.nSamples;
        SetEvent(m_hIdle.Get());
        // Nobody has taken the reported changes for a while (no recording runs): sample
        // slowly until the reader moves again. Nothing is lost, changes only arrive later.
        DWORD nRead = m_ring.GetReadCounter();
        if (nRead != nLastRead || m_ring.GetBacklog() == 0) {
            nLastRead = nRead;
            nLastReadTime = done.QuadPart;
        }
        bool bIdle = done.QuadPart - nLastReadTime > nIdleAfter;
        m_stats.bIdle = bIdle ? 1 : 0;
        next.QuadPart += bIdle ? nIdlePeriod : nPeriod;
        if (next.QuadPart < done.QuadPart)
            next = done; // fell behind: no burst of catch-up samples
        // While idle, wake up at the normal rate just to see whether the reader is back.
        LONGLONG nUntil = std::min(next.QuadPart, done.QuadPart + nPeriod);
        for (;;) {
            DWORD nWait = static_cast<DWORD>((nUntil - done.QuadPart) * 1000 / frequency.QuadPart);
            if (WaitForSingleObject(m_hStop.Get(), nWait) == WAIT_OBJECT_0)
                return;
            QueryPerformanceCounter(&done);
            if (done.QuadPart >= next.QuadPart)
                break;
            if (m_ring.GetReadCounter() != nLastRead) {
                next = done;
                break;
            }
            nUntil = std::min(next.QuadPart, done.QuadPart + nPeriod);
        }
    }
}

void CVidcapDriver::Sample()
{
    const RECT area = OnScreen(TakeSampleRect());
    int nCurrent = m_nCurrentSample ^ 1;
    LARGE_INTEGER start, copied;
    QueryPerformanceCounter(&start);
    ReadDesktop(m_sampleDC[nCurrent].Get(), area);
    QueryPerformanceCounter(&copied);
    m_stats.dCopySeconds += Seconds(copied.QuadPart - start.QuadPart);
    m_tracker.Track(m_pSample[nCurrent], m_pSample[m_nCurrentSample], m_pSurface, area, m_rects);
    // A part read now but not last time has no previous sample to compare with: it all
    // counts as changed.
    RECT joined;
    UnionRect(&joined, &area, &m_rcSampled);
    if (!IsRectEmpty(&area) && !EqualRect(&joined, &m_rcSampled)) {
        m_tracker.CopyRect(m_pSurface, m_pSample[nCurrent], area);
        m_rects.assign(1, area);
    }
    m_rcSampled = area;
    m_nCurrentSample = nCurrent;
    CollectDrawing();
    m_stats.nRectangles += static_cast<DWORD>(m_rects.size());
    m_ring.Append(m_rects);
}

void CVidcapDriver::ReadDesktop(HDC hDest, const RECT& area)
{
    int nBandRows = std::max(1, READ_BAND_BYTES / m_nStride);
    for (LONG y = area.top; y < area.bottom; y += nBandRows)
        BitBlt(hDest, area.left, y, area.right - area.left, std::min<LONG>(nBandRows, area.bottom - y),
               m_hDisplayDC.Get(), area.left, y, SRCCOPY);
    GdiFlush();
}

RECT CVidcapDriver::TakeSampleRect()
{
    // Detach holds the lock while it waits for this thread: never wait for it here. A
    // change not taken now is taken at the next sample.
    CScopedTryLock lock(m_cs);
    if (lock.Owns())
        m_rcSampleTaken = m_rcSample;
    return m_rcSampleTaken;
}

// The part of a wanted rectangle that the display shows now (it may be smaller than the surface).
RECT CVidcapDriver::OnScreen(const RECT& wanted) const
{
    RECT screen = {0, 0, std::min(::GetDeviceCaps(m_hDisplayDC.Get(), HORZRES), m_nWidth),
                   std::min(::GetDeviceCaps(m_hDisplayDC.Get(), VERTRES), m_nHeight)};
    RECT area;
    if (!IntersectRect(&area, &wanted, &screen))
        SetRectEmpty(&area);
    return area;
}

bool CVidcapDriver::NothingWanted()
{
    // A caller holds the lock (it may be waking this thread and filling its buffers): this
    // round is skipped.
    CScopedTryLock lock(m_cs);
    if (!lock.Owns())
        return true;
    if (IsRectEmpty(&m_rcSample))
        m_bResting = true;
    if (!m_bResting)
        ResetEvent(m_hIdle.Get()); // under the lock: a caller asking for nothing waits for this sample
    return m_bResting;
}

// Called with the lock held when a caller wants a part again: the sampler is resting, so its
// buffers are this thread's. The wanted part is read now, as the sampler's last sample and
// into the surface, so that the sampler goes on from the current picture (a change it had
// not seen would otherwise be compared with a picture from before the rest).
bool CVidcapDriver::WakeSampler()
{
    if (!m_bResting || IsRectEmpty(&m_rcSample))
        return false;
    const RECT area = OnScreen(m_rcSample);
    ReadDesktop(m_sampleDC[m_nCurrentSample].Get(), area);
    m_tracker.CopyRect(m_pSurface, m_pSample[m_nCurrentSample], area);
    m_rcSampled = area;
    m_rcSampleTaken = m_rcSample;
    m_bResting = false;
    return true;
}

RECT CVidcapDriver::SampleRectOfCallers() const
{
    RECT all = {0, 0, m_nWidth, m_nHeight};
    RECT joined = {0, 0, 0, 0};
    if (m_dcs.empty())
        return all;
    for (const DriverDC& dc : m_dcs) {
        if (!dc.bAsked)
            return all;
        UnionRect(&joined, &joined, &dc.rcSample);
    }
    if (!IntersectRect(&joined, &joined, &all))
        SetRectEmpty(&joined);
    return joined;
}

int CVidcapDriver::SetSampleRect(DriverDC& dc, int cbInput, LPCSTR pInput)
{
    if (!pInput || cbInput < static_cast<int>(sizeof(RECT)))
        return 0;
    RECT before = SampleRectOfCallers();
    memcpy(&dc.rcSample, pInput, sizeof(RECT));
    dc.bAsked = true;
    m_rcSample = SampleRectOfCallers();
    // Nothing wanted: the escape returns once the sampler has stopped reading the screen, so
    // that the caller's own use of the display (its windows, the cursor) never meets a sample
    // still under way. The sampler never waits for the lock, so waiting here with it is safe.
    if (IsRectEmpty(&m_rcSample)) {
        if (m_hIdle)
            WaitForSingleObject(m_hIdle.Get(), IDLE_WAIT_MS);
        return 1;
    }
    // Whatever the sampler has not kept up to date is read now, before the caller looks (waking
    // from a rest reads it already).
    if (WakeSampler())
        return 1;
    RECT joined;
    UnionRect(&joined, &before, &m_rcSample);
    if (!EqualRect(&joined, &before)) {
        CScopedMemoryDC hScreen(::CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
        if (hScreen) {
            BitBlt(dc.Get(), m_rcSample.left, m_rcSample.top, m_rcSample.right - m_rcSample.left,
                   m_rcSample.bottom - m_rcSample.top, hScreen.Get(), m_rcSample.left, m_rcSample.top, SRCCOPY);
            GdiFlush();
        }
    }
    return 1;
}

void CVidcapDriver::CollectDrawing()
{
    // Detach holds the lock while it waits for this thread: never wait for it here. Bounds
    // not taken now keep accumulating until the next sample.
    CScopedTryLock lock(m_cs);
    if (!lock.Owns())
        return;
    RECT surface = {0, 0, m_nWidth, m_nHeight};
    for (const DriverDC& dc : m_dcs) {
        RECT drawn;
        if (GetBoundsRect(dc.Get(), &drawn, DCB_RESET) & DCB_SET) {
            if (IntersectRect(&drawn, &drawn, &surface))
                m_rects.push_back(drawn);
        }
    }
}

// ---- Device contexts and escapes -----------------------------------------------------------

HDC CVidcapDriver::CreateDriverDC()
{
    CScopedLock lock(m_cs);
    if (!m_bAttached)
        return nullptr;
    HDC hDC = CreateCompatibleDC(nullptr);
    void* pBits = nullptr;
    HBITMAP hBitmap = hDC ? CreateDIBSection(hDC, reinterpret_cast<BITMAPINFO*>(&m_info), DIB_RGB_COLORS, &pBits,
                                             m_hSurfaceSection.Get(), 0)
                          : nullptr;
    DriverDC dc;
    dc.surface.Reset(hDC, hBitmap);
    if (!dc.surface)
        return nullptr;
    SetBoundsRect(hDC, nullptr, DCB_ENABLE | DCB_RESET);
    m_dcs.push_back(std::move(dc));
    m_rcSample = SampleRectOfCallers();
    WakeSampler();
    return hDC;
}

CVidcapDriver::DriverDC* CVidcapDriver::FindDC(HDC hDC)
{
    if (!hDC)
        return nullptr;
    for (DriverDC& dc : m_dcs) {
        if (dc.Get() == hDC)
            return &dc;
    }
    return nullptr;
}

BOOL CVidcapDriver::DeleteDriverDC(HDC hDC)
{
    CScopedLock lock(m_cs);
    DriverDC* pDC = FindDC(hDC);
    if (!pDC)
        return FALSE;
    // Its views, bitmap and DC go with it.
    m_dcs.erase(m_dcs.begin() + (pDC - m_dcs.data()));
    m_rcSample = SampleRectOfCallers();
    return TRUE;
}

int CVidcapDriver::Escape(DriverDC& dc, int nEscape, int cbInput, LPCSTR pInput, int cbOutput, LPSTR pOutput)
{
    switch (nEscape) {
    case ESC_MAP_SURFACE:
    case ESC_MAP_CHANGES: {
        bool bSurface = nEscape == ESC_MAP_SURFACE;
        HANDLE hSection = bSurface ? m_hSurfaceSection.Get() : m_hRingSection.Get();
        CScopedView& view = bSurface ? dc.surfaceView : dc.ringView;
        if (!hSection || !pOutput || cbOutput < VIDCAP_ADDRESS_OUTPUT_SIZE)
            return 0;
        if (!view)
            view.Reset(MapViewOfFile(hSection, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!view)
            return 0;
        UINT64 nAddress = reinterpret_cast<UINT_PTR>(view.Get());
        memcpy(pOutput, &nAddress, sizeof(nAddress));
        return 1;
    }
    case ESC_UNMAP_SURFACE:
    case ESC_UNMAP_CHANGES: {
        (nEscape == ESC_UNMAP_SURFACE ? dc.surfaceView : dc.ringView).Reset();
        return 1;
    }
    case ESC_CHECK:
        return dc.surfaceView && dc.ringView ? 1 : 0;
    case ESC_SET_SAMPLE_RECT:
        return SetSampleRect(dc, cbInput, pInput);
    default:
        return 0;
    }
}

int CVidcapDriver::DeviceCaps(HDC hDC, int nIndex)
{
    {
        CScopedLock lock(m_cs);
        DriverDC* pDC = FindDC(hDC);
        if (pDC) {
            switch (nIndex) {
            case HORZRES:
                return m_nWidth;
            case VERTRES:
                return m_nHeight;
            case BITSPIXEL:
                return m_nBpp;
            case PLANES:
                return 1;
            case TECHNOLOGY:
                return DT_RASDISPLAY;
            case RASTERCAPS:
                return ::GetDeviceCaps(hDC, RASTERCAPS) | RC_BITBLT | RC_DI_BITMAP;
            default:
                break;
            }
        }
    }
    return ::GetDeviceCaps(hDC, nIndex);
}
