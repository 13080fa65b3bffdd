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

class CVidcapDriver {
public:
    // Surface layouts the driver can be told to use instead of the desktop's.
    enum SurfaceFormat { FORMAT_DESKTOP = 0, FORMAT_32 = 32, FORMAT_24 = 24, FORMAT_565 = 565,
                         FORMAT_555 = 555 };

    struct Statistics {
        DWORD nSamples;
        double dSampleSeconds;  // time spent sampling and comparing
        double dCopySeconds;    // of which reading the desktop
        double dCpuSeconds;     // the sampler thread's CPU time
        double dRunSeconds;     // time the sampler has been running
        DWORD nRectangles;
        int bIdle;  // sampling slowly because nobody reads the changes
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
    struct DriverDC {
        HDC hDC;
        HBITMAP hBitmap;
        HGDIOBJ hOldBitmap;
        void* pSurfaceView;
        void* pRingView;
        RECT rcSample;  // the part of the desktop this caller reads, empty: all of it
    };
    struct SurfaceInfo {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    };

    CVidcapDriver();
    CVidcapDriver(const CVidcapDriver&) = delete;
    CVidcapDriver& operator=(const CVidcapDriver&) = delete;

    static BOOL WINAPI EnumDisplayDevicesA(LPCSTR pszDevice, DWORD nIndex, PDISPLAY_DEVICEA pDevice,
                                           DWORD dwFlags);
    static LONG WINAPI ChangeDisplaySettingsExA(LPCSTR pszDevice, LPDEVMODEA pMode, HWND hWnd,
                                                DWORD dwFlags, LPVOID pParam);
    static HDC WINAPI CreateDCA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR pszOutput,
                                const DEVMODEA* pMode);
    static BOOL WINAPI DeleteDC(HDC hDC);
    static int WINAPI ExtEscape(HDC hDC, int nEscape, int cbInput, LPCSTR pInput, int cbOutput,
                                LPSTR pOutput);
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
    void CollectDrawing();
    void RunSampler();
    HDC CreateDriverDC();
    BOOL DeleteDriverDC(HDC hDC);
    DriverDC* FindDC(HDC hDC);
    int Escape(DriverDC& dc, int nEscape, int cbInput, LPCSTR pInput, int cbOutput, LPSTR pOutput);
    int DeviceCaps(HDC hDC, int nIndex);

    CCriticalSection m_cs;
    int m_bAttached;
    int m_bRealChangePending;
    SurfaceFormat m_format;
    struct AttachedMode {
        int nWidth, nHeight, nBpp;
        SurfaceFormat format;
    };

    int m_nModeWidth, m_nModeHeight, m_nModeBpp;  // mode given for our device, 0 = none yet
    AttachedMode m_attachedMode;                  // the request the current surface was made for
    int m_nWidth, m_nHeight, m_nBpp, m_nStride;
    SIZE_T m_nSurfaceBytes;
    SurfaceInfo m_info;
    CScopedHandle m_hSurfaceSection;
    BYTE* m_pSurface;
    CScopedHandle m_hRingSection;
    void* m_pRing;
    std::vector<DriverDC> m_dcs;

    // Sampler: two desktop samples in the surface's format.
    HDC m_hDisplayDC;
    HDC m_hSampleDC[2];
    HBITMAP m_hSampleBitmap[2];
    HGDIOBJ m_hOldSampleBitmap[2];
    BYTE* m_pSample[2];
    int m_nCurrentSample;
    CTileTracker m_tracker;
    RECT m_rcSample;       // what the callers read, set under the lock
    RECT m_rcSampleTaken;  // the sampler's copy of it
    RECT m_rcSampled;      // what the sampler read last time
    CChangeRing m_ring;
    std::vector<RECT> m_rects;
    CScopedHandle m_hThread;
    CScopedHandle m_hStop;
    int m_nRate;
    int m_nTileWidth, m_nTileHeight;
    Statistics m_stats;
    LARGE_INTEGER m_runStart;
};
