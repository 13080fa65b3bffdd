#pragma once
// Keeps a 32-bit copy of the desktop. The capture driver is attached to the desktop and its
// surface and change ring are mapped into the process; each tick copies only the changed
// rectangles inside the capture rectangle, converting 16- and 24-bit surfaces on the way.
#include <windows.h>

#include <vector>

#include "drivers/vidcap/DisplayFunctions.h"
#include "video/PixelConversion.h"

class CScreenGrabber {
public:
    // pFunctions: the display functions to use; null picks the system's when they list the
    // device with the description, otherwise the capture driver's.
    CScreenGrabber(const char* pszDriverName, const char* pszDriverDesc,
                   const DisplayFunctions* pFunctions = nullptr);
    ~CScreenGrabber();
    CScreenGrabber(const CScreenGrabber&) = delete;
    CScreenGrabber& operator=(const CScreenGrabber&) = delete;

    int Initialize();
    void Shutdown();
    int IsInitialized() const { return m_bInitialized; }
    // Re-reads the display mode; a change is rebuilt for at once when allowed, else at the
    // next call that allows it.
    int OnDisplayChange(int bAllowRebuild);
    const BITMAPINFO* GetBitmapInfo() const { return reinterpret_cast<const BITMAPINFO*>(&m_bmi); }
    int GetStride() const { return m_nStride; }
    BYTE* GetBits() { return m_pBits.empty() ? nullptr : m_pBits.data(); }

    void SetCaptureRect(const RECT& rect);
    void GetCaptureRect(RECT& rect) const;
    int GrabChanges();
    // The rectangles (desktop pixels, inside the capture rectangle) the last GrabChanges copied.
    const std::vector<RECT>& GetChangedRects() const { return m_rects; }
    void BlankOutsideScreen();

    int AttachDriver(int bAttach);

    int IsDriverAttached() const { return m_bDriverAttached; }
    int GetSurfaceBpp() const { return m_nSurfaceBpp; }
    RowConverter GetConverter() const { return m_pfnConvert; }

private:
    struct BitmapInfo256 {
        BITMAPINFOHEADER bmiHeader;
        RGBQUAD bmiColors[256];
    };

    int SetUpCapture();
    void ReleaseCapture();
    int QuerySurfaceFormat();
    void ChooseConverter();
    void AskForCaptureRect();
    void CollectChanges();
    int CopyChanges();
    int ListChangedRects();
    const DisplayFunctions& Functions();
    int FindDevice(DISPLAY_DEVICEA& device);
    void UnmapDriver();
    int MapDriver();

    char* m_pszDriverName;
    char* m_pszDriverDesc;
    int m_bInitialized;
    int m_bDriverAttached;
    HDC m_hDriverDC;
    HDC m_hScreenDC;
    BYTE* m_pSurface;
    void* m_pChanges;
    BitmapInfo256 m_bmi;
    int m_nScreenWidth, m_nScreenHeight, m_nScreenBpp;
    int m_nSurfaceWidth, m_nSurfaceHeight;
    int m_nSurfaceBpp, m_nSurfaceBytesPerPixel, m_nSurfaceStride, m_nSurfaceSize;
    int m_nWidth, m_nHeight, m_nBpp, m_nBytesPerPixel, m_nStride, m_nSize;
    RowConverter m_pfnConvert;
    std::vector<BYTE> m_pBits;
    int m_bFullRefresh;
    int m_bRebuildPending = 0;
    RECT m_rcCapture;
    RECT m_rcAsked = {};  // the capture rectangle the driver was last told about

    DWORD m_nRingCapacity;
    DWORD m_nRingWriteSnapshot;
    volatile DWORD* m_pRingReadCounter;
    DWORD m_nRingRead;
    RECT* m_pRingEntries;
    HRGN m_hrgnTemp;
    HRGN m_hrgnChanged;
    DWORD m_nRegionDataSize;
    std::vector<BYTE> m_pRegionData;
    std::vector<RECT> m_rects;

    const DisplayFunctions* m_pFunctions;
};
