#pragma once
// A display-functions table for tests: one fake mirror device whose surface is a real DIB
// section of any format (so GDI drawing on its device context works), a fake screen of
// chosen size drawn from a 32-bit DIB, and a change ring the test fills by hand. Records
// the calls that driver control makes. One instance at a time.
#include <windows.h>

#include <string>
#include <vector>

#include "drivers/vidcap/DisplayFunctions.h"
#include "drivers/vidcap/VidcapProtocol.h"

class CFakeDisplay
{
public:
    // nBpp 8, 16, 24 or 32; for 16 the masks pick the layout (null: 5-6-5).
    CFakeDisplay(int nWidth, int nHeight, int nBpp, const DWORD* pMasks = nullptr, DWORD nRingCapacity = 64);
    ~CFakeDisplay();
    CFakeDisplay(const CFakeDisplay&) = delete;
    CFakeDisplay& operator=(const CFakeDisplay&) = delete;

    const DisplayFunctions& Functions() const;

    // Surface access (top-down rows of GetSurfaceStride bytes).
    BYTE* Surface() { return m_pSurface; }
    int GetSurfaceStride() const { return m_nSurfaceStride; }
    void FillSurface(BYTE value);
    void SetSurfacePixel32(int x, int y, DWORD value);
    // The fake screen that the grabber copies from at set-up (32 bits).
    void FillScreen(DWORD value);

    // Change ring.
    VidcapRingHeader* Ring() { return reinterpret_cast<VidcapRingHeader*>(m_pRing); }
    void PushChange(LONG left, LONG top, LONG right, LONG bottom);
    void SetCounters(DWORD nWrite, DWORD nRead);

    // Knobs.
    bool m_bListDevice;
    std::string m_deviceName;
    int m_nCheckResult;
    int m_nScreenWidth, m_nScreenHeight, m_nScreenBpp;

    // Records.
    int m_nStageCalls;
    int m_nApplyCalls;
    int m_nDriverDCs;
    int m_nDriverDCsDeleted;
    int m_nUnmapCalls;
    std::vector<DWORD> m_requestedCapacities;

private:
    static BOOL WINAPI EnumDisplayDevicesA(LPCSTR, DWORD, PDISPLAY_DEVICEA, DWORD);
    static LONG WINAPI ChangeDisplaySettingsExA(LPCSTR, LPDEVMODEA, HWND, DWORD, LPVOID);
    static HDC WINAPI CreateDCA(LPCSTR, LPCSTR, LPCSTR, const DEVMODEA*);
    static BOOL WINAPI DeleteDC(HDC);
    static int WINAPI ExtEscape(HDC, int, int, LPCSTR, int, LPSTR);
    static int WINAPI GetDeviceCaps(HDC, int);
    static HDC CreateDibDC(int nWidth, int nHeight, int nBpp, const DWORD* pMasks, void** ppBits, HBITMAP* phBitmap);

    static CFakeDisplay* s_pCurrent;

    int m_nWidth, m_nHeight, m_nBpp;
    HDC m_hDriverDC;
    HBITMAP m_hSurfaceBitmap;
    BYTE* m_pSurface;
    int m_nSurfaceStride;
    HDC m_hScreenDC;
    HBITMAP m_hScreenBitmap;
    DWORD* m_pScreen;
    void* m_pRing;
    SIZE_T m_nRingBytes;
};
