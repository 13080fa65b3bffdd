#include "video/CFakeDisplay.h"

#include <cstring>

CFakeDisplay* CFakeDisplay::s_pCurrent = nullptr;

namespace {

struct DibInfo
{
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

} // namespace

HDC CFakeDisplay::CreateDibDC(int nWidth, int nHeight, int nBpp, const DWORD* pMasks, void** ppBits, HBITMAP* phBitmap)
{
    DibInfo info;
    memset(&info, 0, sizeof(info));
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = nWidth;
    info.header.biHeight = -nHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(nBpp);
    info.header.biCompression = BI_RGB;
    if (nBpp == 16) {
        static const DWORD s_masks565[3] = {0xF800, 0x07E0, 0x001F};
        info.header.biCompression = BI_BITFIELDS;
        memcpy(info.colors, pMasks ? pMasks : s_masks565, 3 * sizeof(DWORD));
    } else if (nBpp == 8) {
        for (int i = 0; i < 256; ++i) {
            info.colors[i].rgbRed = info.colors[i].rgbGreen = info.colors[i].rgbBlue = static_cast<BYTE>(i);
        }
        info.header.biClrUsed = 256;
    }
    HDC hDC = ::CreateCompatibleDC(nullptr);
    *phBitmap = CreateDIBSection(hDC, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, ppBits, nullptr, 0);
    SelectObject(hDC, *phBitmap);
    return hDC;
}

CFakeDisplay::CFakeDisplay(int nWidth, int nHeight, int nBpp, const DWORD* pMasks, DWORD nRingCapacity)
    : m_bListDevice(true), m_deviceName("\\\\.\\DISPLAYV7"), m_nCheckResult(1), m_nScreenWidth(nWidth),
      m_nScreenHeight(nHeight), m_nScreenBpp(32), m_nStageCalls(0), m_nApplyCalls(0), m_nDriverDCs(0),
      m_nDriverDCsDeleted(0), m_nUnmapCalls(0), m_nWidth(nWidth), m_nHeight(nHeight), m_nBpp(nBpp)
{
    void* pBits = nullptr;
    m_hDriverDC = CreateDibDC(nWidth, nHeight, nBpp, pMasks, &pBits, &m_hSurfaceBitmap);
    m_pSurface = static_cast<BYTE*>(pBits);
    m_nSurfaceStride = ((nWidth * nBpp + 31) / 32) * 4;
    m_hScreenDC = CreateDibDC(nWidth, nHeight, 32, nullptr, &pBits, &m_hScreenBitmap);
    m_pScreen = static_cast<DWORD*>(pBits);
    // High in the address space, so that an address cut to 32 bits would be noticed.
    m_nRingBytes = VidcapRingBytes(nRingCapacity);
    m_pRing = VirtualAlloc(nullptr, m_nRingBytes, MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN, PAGE_READWRITE);
    Ring()->nCapacity = nRingCapacity;
    s_pCurrent = this;
}

CFakeDisplay::~CFakeDisplay()
{
    s_pCurrent = nullptr;
    ::DeleteDC(m_hDriverDC);
    DeleteObject(m_hSurfaceBitmap);
    ::DeleteDC(m_hScreenDC);
    DeleteObject(m_hScreenBitmap);
    VirtualFree(m_pRing, 0, MEM_RELEASE);
}

const DisplayFunctions& CFakeDisplay::Functions() const
{
    static const DisplayFunctions s_functions = {
        &CFakeDisplay::EnumDisplayDevicesA, &CFakeDisplay::ChangeDisplaySettingsExA,
        &CFakeDisplay::CreateDCA,           &CFakeDisplay::DeleteDC,
        &CFakeDisplay::ExtEscape,           &CFakeDisplay::GetDeviceCaps};
    return s_functions;
}

void CFakeDisplay::FillSurface(BYTE value)
{
    memset(m_pSurface, value, static_cast<size_t>(m_nSurfaceStride) * m_nHeight);
}

void CFakeDisplay::SetSurfacePixel32(int x, int y, DWORD value)
{
    memcpy(m_pSurface + static_cast<size_t>(y) * m_nSurfaceStride + x * 4, &value, 4);
}

void CFakeDisplay::FillScreen(DWORD value)
{
    for (int i = 0; i < m_nWidth * m_nHeight; ++i)
        m_pScreen[i] = value;
}

void CFakeDisplay::PushChange(LONG left, LONG top, LONG right, LONG bottom)
{
    VidcapRingHeader* pHeader = Ring();
    DWORD nNext = pHeader->nWrite + 1;
    RECT rect = {left, top, right, bottom};
    VidcapRingEntries(m_pRing)[nNext % pHeader->nCapacity] = rect;
    pHeader->nWrite = nNext;
}

void CFakeDisplay::SetCounters(DWORD nWrite, DWORD nRead)
{
    Ring()->nWrite = nWrite;
    Ring()->nRead = nRead;
}

BOOL WINAPI CFakeDisplay::EnumDisplayDevicesA(LPCSTR pszDevice, DWORD nIndex, PDISPLAY_DEVICEA pDevice, DWORD)
{
    CFakeDisplay* p = s_pCurrent;
    if (pszDevice || !p)
        return FALSE;
    // A real-looking adapter first, then the mirror device.
    if (nIndex == 0) {
        lstrcpynA(pDevice->DeviceName, "\\\\.\\DISPLAY1", sizeof(pDevice->DeviceName));
        lstrcpynA(pDevice->DeviceString, "Some Display Adapter", sizeof(pDevice->DeviceString));
        pDevice->StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
        return TRUE;
    }
    if (nIndex == 1 && p->m_bListDevice) {
        lstrcpynA(pDevice->DeviceName, p->m_deviceName.c_str(), sizeof(pDevice->DeviceName));
        lstrcpynA(pDevice->DeviceString, VIDCAP_DEVICE_DESCRIPTION, sizeof(pDevice->DeviceString));
        pDevice->StateFlags = DISPLAY_DEVICE_MIRRORING_DRIVER;
        return TRUE;
    }
    return FALSE;
}

LONG WINAPI CFakeDisplay::ChangeDisplaySettingsExA(LPCSTR pszDevice, LPDEVMODEA, HWND, DWORD, LPVOID)
{
    CFakeDisplay* p = s_pCurrent;
    if (!p)
        return DISP_CHANGE_FAILED;
    if (pszDevice)
        ++p->m_nStageCalls;
    else
        ++p->m_nApplyCalls;
    return DISP_CHANGE_SUCCESSFUL;
}

HDC WINAPI CFakeDisplay::CreateDCA(LPCSTR, LPCSTR pszDevice, LPCSTR, const DEVMODEA*)
{
    CFakeDisplay* p = s_pCurrent;
    if (!p)
        return nullptr;
    if (!pszDevice)
        return p->m_hScreenDC;
    if (p->m_deviceName == pszDevice) {
        ++p->m_nDriverDCs;
        return p->m_hDriverDC;
    }
    return nullptr;
}

BOOL WINAPI CFakeDisplay::DeleteDC(HDC hDC)
{
    CFakeDisplay* p = s_pCurrent;
    if (p && hDC == p->m_hDriverDC)
        ++p->m_nDriverDCsDeleted;
    // The fake's device contexts live as long as the fake.
    return TRUE;
}

int WINAPI CFakeDisplay::ExtEscape(HDC hDC, int nEscape, int cbInput, LPCSTR pInput, int cbOutput, LPSTR pOutput)
{
    CFakeDisplay* p = s_pCurrent;
    if (!p || hDC != p->m_hDriverDC)
        return 0;
    UINT64 nAddress = 0;
    switch (nEscape) {
    case ESC_MAP_SURFACE:
        nAddress = reinterpret_cast<UINT_PTR>(p->m_pSurface);
        break;
    case ESC_MAP_CHANGES:
        if (cbInput == sizeof(DWORD)) {
            DWORD nRequested;
            memcpy(&nRequested, pInput, sizeof(nRequested));
            p->m_requestedCapacities.push_back(nRequested);
        }
        nAddress = reinterpret_cast<UINT_PTR>(p->m_pRing);
        break;
    case ESC_UNMAP_SURFACE:
    case ESC_UNMAP_CHANGES:
        ++p->m_nUnmapCalls;
        return 1;
    case ESC_CHECK:
        return p->m_nCheckResult;
    default:
        return 0;
    }
    if (cbOutput < 8 || !pOutput)
        return 0;
    memcpy(pOutput, &nAddress, sizeof(nAddress));
    return 1;
}

int WINAPI CFakeDisplay::GetDeviceCaps(HDC hDC, int nIndex)
{
    CFakeDisplay* p = s_pCurrent;
    if (p && hDC == p->m_hScreenDC) {
        switch (nIndex) {
        case HORZRES:
            return p->m_nScreenWidth;
        case VERTRES:
            return p->m_nScreenHeight;
        case BITSPIXEL:
            return p->m_nScreenBpp;
        default:
            break;
        }
    }
    if (p && hDC == p->m_hDriverDC) {
        switch (nIndex) {
        case HORZRES:
            return p->m_nWidth;
        case VERTRES:
            return p->m_nHeight;
        case BITSPIXEL:
            return p->m_nBpp;
        case RASTERCAPS:
            return RC_BITBLT | RC_DI_BITMAP;
        default:
            break;
        }
    }
    return ::GetDeviceCaps(hDC, nIndex);
}
