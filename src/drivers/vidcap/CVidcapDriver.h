#pragma once
// The capture driver as a user-mode component. It shows a virtual mirror device among the
// display devices, attaches it to the desktop when the registry switch says so and the
// display settings are applied, keeps a surface in the desktop's pixel format up to date by
// sampling the desktop in tiles on its own thread (only the part its callers read, when they
// say which), and reports what changed in a ring. Both
// blocks live in shared sections that the escapes map into the caller. Drawing on the
// driver's own device contexts goes straight into the surface; GDI's bounds accumulation
// on those contexts tells the sampler where, and it is reported like desktop changes.
#include "base/ScopedWin.h"

#include <windows.h>

#include <vector>

#include "drivers/vidcap/CChangeRing.h"
#include "drivers/vidcap/CTileTracker.h"
#include "drivers/vidcap/DisplayFunctions.h"

class CVidcapDriver
{
public:
    // Surface layouts the driver can be told to use instead of the desktop's.
    enum SurfaceFormat { FORMAT_DESKTOP = 0, FORMAT_32 = 32, FORMAT_24 = 24, FORMAT_565 = 565, FORMAT_555 = 555 };

    struct Statistics
    {
        DWORD nSamples;
        double dSampleSeconds; // time spent sampling and comparing
        double dCopySeconds;   // of which reading the desktop
        double dCpuSeconds;    // the sampler thread's CPU time
        double dRunSeconds;    // time the sampler has been running
        DWORD nRectangles;
        int bIdle; // sampling slowly because nobody reads the changes
    };

    static CVidcapDriver& Instance();
    static const DisplayFunctions& Functions();
    static const char* DeviceName();

    // Takes effect at the next attach. The environment variable ORVANE_VIDCAP_FORMAT
    // (32, 24, 565 or 555) sets the initial choice.
    void SetSurfaceFormat(SurfaceFormat format);
    void SetSampleRate(int nPerSecond);
    void SetTileSize(int nWidth, int nHeight);
    bool IsAttached();
    Statistics GetStatistics();
    void ResetStatistics();

private:
    struct DriverDC
    {
        CScopedBitmapDC surface; // its bitmap is a DIB section on the surface's mapping
        CScopedView surfaceView; // the views mapped for the caller
        CScopedView ringView;
        bool bAsked = false; // until it asks, a caller reads all of the desktop
        RECT rcSample = {};  // the part it asked for; empty: nothing for now
        HDC Get() const { return surface.Get(); }
    };
    struct SurfaceInfo
    {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    };

    CVidcapDriver();
    CVidcapDriver(const CVidcapDriver&) = delete;
    CVidcapDriver& operator=(const CVidcapDriver&) = delete;

    static BOOL WINAPI EnumDisplayDevicesA(LPCSTR pszDevice, DWORD nIndex, PDISPLAY_DEVICEA pDevice, DWORD dwFlags);
    static LONG WINAPI ChangeDisplaySettingsExA(LPCSTR pszDevice, LPDEVMODEA pMode, HWND hWnd, DWORD dwFlags,
                                                LPVOID pParam);
    static HDC WINAPI CreateDCA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR pszOutput, const DEVMODEA* pMode);
    static BOOL WINAPI DeleteDC(HDC hDC);
    static int WINAPI ExtEscape(HDC hDC, int nEscape, int cbInput, LPCSTR pInput, int cbOutput, LPSTR pOutput);
    static int WINAPI GetDeviceCaps(HDC hDC, int nIndex);
    static DWORD WINAPI SamplerThread(LPVOID pParam);

    static bool IsOurDevice(LPCSTR pszDevice);
    BOOL ListDevice(DWORD nIndex, PDISPLAY_DEVICEA pDevice, DWORD dwFlags);
    LONG ApplySettings();
    bool ReadAttachSwitch();
    bool Attach();
    void Detach();
    bool CreateSurface();
    bool CreateRing();
    bool StartSampler();
    void StopSampler();
    void Sample();
    void ReadDesktop(HDC hDest, const RECT& area);
    int SetSampleRect(DriverDC& dc, int cbInput, LPCSTR pInput);
    RECT SampleRectOfCallers() const;
    RECT TakeSampleRect();
    RECT OnScreen(const RECT& wanted) const;
    bool NothingWanted();
    bool WakeSampler();
    void CollectDrawing();
    void RunSampler();
    HDC CreateDriverDC();
    BOOL DeleteDriverDC(HDC hDC);
    DriverDC* FindDC(HDC hDC);
    int Escape(DriverDC& dc, int nEscape, int cbInput, LPCSTR pInput, int cbOutput, LPSTR pOutput);
    int DeviceCaps(HDC hDC, int nIndex);

    CCriticalSection m_cs;
    int m_bAttached = 0;
    int m_bRealChangePending = 0;
    SurfaceFormat m_format;
    struct AttachedMode
    {
        int nWidth, nHeight, nBpp;
        SurfaceFormat format;
    };

    // The mode given for our device, 0 = none yet.
    int m_nModeWidth = 0, m_nModeHeight = 0, m_nModeBpp = 0;
    AttachedMode m_attachedMode = {}; // the request the current surface was made for
    int m_nWidth = 0, m_nHeight = 0, m_nBpp = 0, m_nStride = 0;
    SIZE_T m_nSurfaceBytes = 0;
    SurfaceInfo m_info = {};
    CScopedHandle m_hSurfaceSection;
    CScopedView m_surfaceView;
    BYTE* m_pSurface = nullptr; // the view above
    CScopedHandle m_hRingSection;
    CScopedView m_ringView;
    std::vector<DriverDC> m_dcs;

    // Sampler: two desktop samples in the surface's format.
    CScopedMemoryDC m_hDisplayDC;
    CScopedBitmapDC m_sampleDC[2];
    BYTE* m_pSample[2] = {};
    int m_nCurrentSample = 0;
    CTileTracker m_tracker;
    RECT m_rcSample = {};      // what the callers read, set under the lock
    RECT m_rcSampleTaken = {}; // the sampler's copy of it
    RECT m_rcSampled = {};     // what the sampler read last time
    bool m_bResting = false;   // the sampler reads nothing until a caller wants a part again
    CChangeRing m_ring;
    std::vector<RECT> m_rects;
    CScopedHandle m_hThread;
    CScopedHandle m_hStop;
    CScopedHandle m_hIdle; // set while the sampler reads nothing from the screen
    int m_nRate;
    int m_nTileWidth, m_nTileHeight;
    Statistics m_stats = {};
    LARGE_INTEGER m_runStart = {};
};
