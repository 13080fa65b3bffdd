#pragma once
// Keeps a 32-bit copy of the desktop. The capture driver is attached to the desktop and its
// surface and change ring are mapped into the process; each tick copies only the changed
// rectangles inside the capture rectangle, converting 16- and 24-bit surfaces on the way.
#include <windows.h>

#include <string>
#include <vector>

#include "base/ScopedWin.h"
#include "drivers/vidcap/DisplayFunctions.h"
#include "video/PixelConversion.h"

class CScreenGrabber
{
public:
    // pFunctions: the display functions to use; null picks the system's when they list the
    // device with the description, otherwise the capture driver's.
    CScreenGrabber(const char* pszDriverName, const char* pszDriverDesc, const DisplayFunctions* pFunctions = nullptr);
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
    int GetStride() const { return m_buffer.nStride; }
    BYTE* GetBits() { return m_pBits.empty() ? nullptr : m_pBits.data(); }

    void SetCaptureRect(const RECT& rect);
    void GetCaptureRect(RECT& rect) const;
    int GrabChanges();
    // Tells the capture driver that nothing is read until the next GrabChanges (a recording
    // ended): it stops reading the desktop meanwhile.
    void AskForNothing();
    // The rectangles (desktop pixels, inside the capture rectangle) the last GrabChanges copied.
    const std::vector<RECT>& GetChangedRects() const { return m_rects; }
    void BlankOutsideScreen();

    int AttachDriver(int bAttach);

    int IsDriverAttached() const { return m_bDriverAttached; }
    int GetSurfaceBpp() const { return m_surface.nBpp; }
    RowConverter GetConverter() const { return m_pfnConvert; }

private:
    struct BitmapInfo256
    {
        BITMAPINFOHEADER bmiHeader;
        RGBQUAD bmiColors[256];
    };
    // Where the pixels of a picture lie: its size, and the bytes of a pixel and of a row.
    struct PixelLayout
    {
        int nWidth = 0;
        int nHeight = 0;
        int nBpp = 0;
        int nBytesPerPixel = 0;
        int nStride = 0;
        int nSize = 0;
        void SetBitsPerPixel(int nBitsPerPixel);
    };

    int SetUpCapture();
    void ReleaseCapture();
    void DetachAndRelease();
    void ClearState();
    int QuerySurfaceFormat();
    void ChooseConverter();
    void AskForCaptureRect();
    void CollectChanges();
    int CopyChanges();
    int ListChangedRects();
    const DisplayFunctions& Functions();
    const char* DriverDesc() const { return m_strDriverDesc.empty() ? nullptr : m_strDriverDesc.c_str(); }
    int FindDevice(DISPLAY_DEVICEA& device);
    void UnmapDriver();
    int MapDriver();

    std::string m_strDriverName;
    std::string m_strDriverDesc;
    int m_bInitialized = 0;
    int m_bDriverAttached = 0;
    HDC m_hDriverDC = nullptr; // made and deleted through the display functions
    HDC m_hScreenDC = nullptr; // likewise
    BYTE* m_pSurface = nullptr;
    void* m_pChanges = nullptr;
    BitmapInfo256 m_bmi = {};
    int m_nScreenWidth = 0, m_nScreenHeight = 0, m_nScreenBpp = 0;
    PixelLayout m_surface; // the driver's surface
    PixelLayout m_buffer;  // our 32-bit copy
    RowConverter m_pfnConvert = nullptr;
    std::vector<BYTE> m_pBits;
    bool m_bFullRefresh = false;
    bool m_bRebuildPending = false;
    RECT m_rcCapture = {};
    RECT m_rcAsked = {}; // the capture rectangle the driver was last told about

    DWORD m_nRingCapacity = 0;
    DWORD m_nRingWriteSnapshot = 0;
    volatile DWORD* m_pRingReadCounter = nullptr;
    DWORD m_nRingRead = 0;
    RECT* m_pRingEntries = nullptr;
    CScopedRegion m_hrgnTemp;
    CScopedRegion m_hrgnChanged;
    DWORD m_nRegionDataSize = 0;
    std::vector<BYTE> m_pRegionData;
    std::vector<RECT> m_rects;

    const DisplayFunctions* m_pFunctions = nullptr;
};
