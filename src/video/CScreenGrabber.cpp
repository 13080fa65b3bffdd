#include "video/CScreenGrabber.h"

#include <algorithm>
#include <cstring>

#include "base/DibStride.h"
#include "drivers/vidcap/VidcapProtocol.h"
#include "video/CCursorFreeze.h"
#include "video/CDriverSwitch.h"

namespace {

const DWORD MODE_FIELDS = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
// The short form of DISPLAY_DEVICEA: size, name, description and state flags.
const DWORD SHORT_DISPLAY_DEVICE_SIZE = offsetof(DISPLAY_DEVICEA, StateFlags) + sizeof(DWORD);

// Makes the calling thread use the input desktop while it lives.
class CInputDesktopSwitch
{
public:
    CInputDesktopSwitch() : m_hSaved(GetThreadDesktop(GetCurrentThreadId())), m_hInput(nullptr)
    {
        if (!m_hSaved)
            return;
        m_hInput = OpenInputDesktop(0, FALSE, MAXIMUM_ALLOWED);
        if (m_hInput)
            SetThreadDesktop(m_hInput);
    }
    ~CInputDesktopSwitch()
    {
        if (m_hSaved)
            SetThreadDesktop(m_hSaved);
        if (m_hInput)
            CloseDesktop(m_hInput);
    }
    CInputDesktopSwitch(const CInputDesktopSwitch&) = delete;
    CInputDesktopSwitch& operator=(const CInputDesktopSwitch&) = delete;

private:
    HDESK m_hSaved;
    HDESK m_hInput;
};

} // namespace

CScreenGrabber::CScreenGrabber(const char* pszDriverName, const char* pszDriverDesc, const DisplayFunctions* pFunctions)
    : m_strDriverName(pszDriverName ? pszDriverName : ""), m_strDriverDesc(pszDriverDesc ? pszDriverDesc : ""),
      m_pFunctions(pFunctions)
{
}

CScreenGrabber::~CScreenGrabber()
{
    Shutdown();
}

void CScreenGrabber::PixelLayout::SetBitsPerPixel(int nBitsPerPixel)
{
    nBpp = nBitsPerPixel;
    nBytesPerPixel = nBitsPerPixel / 8;
    nStride = static_cast<int>(DibRowStride(nBitsPerPixel, nWidth));
    nSize = nStride * nHeight;
}

const DisplayFunctions& CScreenGrabber::Functions()
{
    if (!m_pFunctions)
        m_pFunctions = &SelectDisplayFunctions(DriverDesc());
    return *m_pFunctions;
}

// ---- Life cycle ----------------------------------------------------------------------------

int CScreenGrabber::Initialize()
{
    if (m_bInitialized)
        return 1;
    m_hrgnTemp.Reset(CreateRectRgn(0, 0, 0, 0));
    m_hrgnChanged.Reset(CreateRectRgn(0, 0, 0, 0));
    if (m_hrgnTemp && m_hrgnChanged) {
        CCursorFreeze freeze;
        if (AttachDriver(1) && SetUpCapture())
            m_bInitialized = 1;
    }
    if (!m_bInitialized) {
        DetachAndRelease();
        ClearState();
    }
    return m_bInitialized;
}

int CScreenGrabber::SetUpCapture()
{
    const DisplayFunctions& functions = Functions();
    m_hScreenDC = functions.pfnCreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!m_hScreenDC)
        return 0;
    m_nScreenWidth = functions.pfnGetDeviceCaps(m_hScreenDC, HORZRES);
    m_nScreenHeight = functions.pfnGetDeviceCaps(m_hScreenDC, VERTRES);
    m_nScreenBpp = functions.pfnGetDeviceCaps(m_hScreenDC, BITSPIXEL);
    m_surface.nWidth = functions.pfnGetDeviceCaps(m_hDriverDC, HORZRES);
    m_surface.nHeight = functions.pfnGetDeviceCaps(m_hDriverDC, VERTRES);
    if (m_surface.nWidth <= 0 || m_surface.nHeight <= 0)
        return 0;
    if (!QuerySurfaceFormat())
        return 0;

    m_bmi.bmiHeader.biHeight = -std::abs(m_bmi.bmiHeader.biHeight);
    m_surface.SetBitsPerPixel(m_bmi.bmiHeader.biBitCount);
    if (m_surface.nBpp != 32 && m_surface.nBpp != 24 && m_surface.nBpp != 16)
        return 0;
    ChooseConverter();
    m_bmi.bmiHeader.biBitCount = 32;
    m_bmi.bmiHeader.biCompression = BI_RGB;

    m_buffer.nWidth = m_surface.nWidth;
    m_buffer.nHeight = m_surface.nHeight;
    m_buffer.SetBitsPerPixel(32);
    m_bmi.bmiHeader.biSizeImage = static_cast<DWORD>(m_buffer.nSize);
    m_pBits.assign(static_cast<size_t>(m_buffer.nSize), 0);

    // The driver only sees drawing from now on: give its surface the current picture.
    BitBlt(m_hDriverDC, 0, 0, m_buffer.nWidth, m_buffer.nHeight, m_hScreenDC, 0, 0, SRCCOPY);
    GdiFlush();
    m_bFullRefresh = true;
    return 1;
}

int CScreenGrabber::QuerySurfaceFormat()
{
    const DisplayFunctions& functions = Functions();
    CScopedMemoryDC hMemoryDC(CreateCompatibleDC(m_hDriverDC));
    CScopedBitmap hBitmap;
    int bResult = 0;
    if (hMemoryDC && (functions.pfnGetDeviceCaps(hMemoryDC.Get(), RASTERCAPS) & RC_DI_BITMAP))
        hBitmap.Reset(CreateCompatibleBitmap(m_hDriverDC, m_surface.nWidth, m_surface.nHeight));
    if (hBitmap) {
        memset(&m_bmi, 0, sizeof(m_bmi));
        m_bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        m_bmi.bmiHeader.biBitCount = 0;
        BITMAPINFO* pInfo = reinterpret_cast<BITMAPINFO*>(&m_bmi);
        if (GetDIBits(hMemoryDC.Get(), hBitmap.Get(), 0, 0, nullptr, pInfo, DIB_RGB_COLORS)) {
            // Asked once more, the format comes with its colour masks (or palette).
            UINT nUsage = m_bmi.bmiHeader.biBitCount <= 8 ? DIB_PAL_COLORS : DIB_RGB_COLORS;
            bResult = GetDIBits(hMemoryDC.Get(), hBitmap.Get(), 0, 0, nullptr, pInfo, nUsage) ? 1 : 0;
        }
    }
    return bResult;
}

void CScreenGrabber::ChooseConverter()
{
    const DWORD* pMasks = reinterpret_cast<const DWORD*>(m_bmi.bmiColors);
    switch (m_surface.nBpp) {
    case 24:
        m_pfnConvert = Convert24To32;
        break;
    case 16:
        if (m_bmi.bmiHeader.biCompression == BI_BITFIELDS && pMasks[0] == 0x7C00 && pMasks[1] == 0x03E0 &&
            pMasks[2] == 0x001F)
            m_pfnConvert = Convert555To32;
        else
            m_pfnConvert = Convert565To32;
        break;
    default:
        m_pfnConvert = nullptr;
        break;
    }
}

void CScreenGrabber::ReleaseCapture()
{
    memset(&m_bmi, 0, sizeof(m_bmi));
    m_surface = PixelLayout();
    m_buffer = PixelLayout();
    m_pfnConvert = nullptr;
    std::vector<BYTE>().swap(m_pBits);
    if (m_hScreenDC) {
        Functions().pfnDeleteDC(m_hScreenDC);
        m_hScreenDC = nullptr;
    }
}

void CScreenGrabber::Shutdown()
{
    if (m_bInitialized) {
        m_bInitialized = 0;
        DetachAndRelease();
    }
    ClearState();
}

void CScreenGrabber::DetachAndRelease()
{
    CCursorFreeze freeze;
    ReleaseCapture();
    AttachDriver(0);
}

void CScreenGrabber::ClearState()
{
    memset(&m_rcCapture, 0, sizeof(m_rcCapture));
    m_nRingCapacity = m_nRingWriteSnapshot = m_nRingRead = 0;
    m_pRingReadCounter = nullptr;
    m_pRingEntries = nullptr;
    m_bFullRefresh = false;
    m_bRebuildPending = false;
    m_hrgnTemp.Reset();
    m_hrgnChanged.Reset();
    std::vector<BYTE>().swap(m_pRegionData);
    m_nRegionDataSize = 0;
    m_rects.clear();
}

int CScreenGrabber::OnDisplayChange(int bAllowRebuild)
{
    if (!m_bInitialized)
        return 0;
    const DisplayFunctions& functions = Functions();
    int nWidth = m_hScreenDC ? functions.pfnGetDeviceCaps(m_hScreenDC, HORZRES) : 0;
    int nHeight = m_hScreenDC ? functions.pfnGetDeviceCaps(m_hScreenDC, VERTRES) : 0;
    int nBpp = m_hScreenDC ? functions.pfnGetDeviceCaps(m_hScreenDC, BITSPIXEL) : 0;
    if (nWidth == m_nScreenWidth && nHeight == m_nScreenHeight && nBpp == m_nScreenBpp && !m_bRebuildPending)
        return 1;
    m_nScreenWidth = nWidth;
    m_nScreenHeight = nHeight;
    m_nScreenBpp = nBpp;
    // During a recording the buffers keep their size; the rebuild waits for the next call
    // that allows it (the end of the recording).
    if (!bAllowRebuild) {
        m_bRebuildPending = true;
        return 1;
    }
    m_bRebuildPending = false;
    ReleaseCapture();
    AttachDriver(0);
    if (!AttachDriver(1) || !SetUpCapture())
        return 0;
    return 1;
}

// ---- Driver control ------------------------------------------------------------------------

int CScreenGrabber::FindDevice(DISPLAY_DEVICEA& device)
{
    const DisplayFunctions& functions = Functions();
    for (DWORD nIndex = 0;; ++nIndex) {
        memset(&device, 0, sizeof(device));
        device.cb = SHORT_DISPLAY_DEVICE_SIZE;
        if (!functions.pfnEnumDisplayDevicesA(nullptr, nIndex, &device, 0))
            return 0;
        if (strcmp(device.DeviceString, m_strDriverDesc.c_str()) == 0)
            return 1;
    }
}

void CScreenGrabber::UnmapDriver()
{
    const DisplayFunctions& functions = Functions();
    m_pChanges = nullptr;
    functions.pfnExtEscape(m_hDriverDC, ESC_UNMAP_CHANGES, 0, nullptr, 0, nullptr);
    m_pSurface = nullptr;
    functions.pfnExtEscape(m_hDriverDC, ESC_UNMAP_SURFACE, 0, nullptr, 0, nullptr);
    functions.pfnDeleteDC(m_hDriverDC);
    m_hDriverDC = nullptr;
    SetRectEmpty(&m_rcAsked);
    m_pRingReadCounter = nullptr;
    m_pRingEntries = nullptr;
}

int CScreenGrabber::MapDriver()
{
    const DisplayFunctions& functions = Functions();
    if (!(functions.pfnGetDeviceCaps(m_hDriverDC, RASTERCAPS) & RC_BITBLT))
        return 0;
    // Addresses come back as whole 64-bit pointers in the 8-byte outputs.
    UINT64 nAddress = 0;
    functions.pfnExtEscape(m_hDriverDC, ESC_MAP_SURFACE, 0, nullptr, sizeof(nAddress),
                           reinterpret_cast<LPSTR>(&nAddress));
    m_pSurface = reinterpret_cast<BYTE*>(static_cast<UINT_PTR>(nAddress));
    nAddress = 0;
    DWORD nRequested = VIDCAP_REQUESTED_CAPACITY;
    functions.pfnExtEscape(m_hDriverDC, ESC_MAP_CHANGES, sizeof(nRequested), reinterpret_cast<LPCSTR>(&nRequested),
                           sizeof(nAddress), reinterpret_cast<LPSTR>(&nAddress));
    m_pChanges = reinterpret_cast<void*>(static_cast<UINT_PTR>(nAddress));
    if (functions.pfnExtEscape(m_hDriverDC, ESC_CHECK, 0, nullptr, 0, nullptr) <= 0)
        return 0;
    AskForNothing();
    return 1;
}

int CScreenGrabber::AttachDriver(int bAttach)
{
    const DisplayFunctions& functions = Functions();
    if (!functions.pfnEnumDisplayDevicesA || !functions.pfnChangeDisplaySettingsExA || m_strDriverName.empty() ||
        m_strDriverDesc.empty())
        return 0;
    if (!bAttach && m_hDriverDC)
        UnmapDriver();

    DEVMODEA mode;
    memset(&mode, 0, sizeof(mode));
    mode.dmSize = sizeof(DEVMODEA);
    mode.dmDriverExtra = 0;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode))
        return 0;
    mode.dmFields = MODE_FIELDS;

    DISPLAY_DEVICEA device;
    if (!FindDevice(device))
        return 0;
    char szSubKey[sizeof(device.DeviceName) + 1];
    CDriverSwitch::SubKeyName(device.DeviceName, szSubKey, sizeof(szSubKey));
    if (!CDriverSwitch::Write(m_strDriverName.c_str(), szSubKey, bAttach ? 1 : 0))
        return 0;

    int bChanged;
    {
        CInputDesktopSwitch desktop;
        lstrcpynA(reinterpret_cast<char*>(mode.dmDeviceName), m_strDriverName.c_str(), sizeof(mode.dmDeviceName));
        char szDeviceName[sizeof(device.DeviceName)];
        lstrcpynA(szDeviceName, device.DeviceName, sizeof(szDeviceName));
        LONG nStaged = functions.pfnChangeDisplaySettingsExA(szDeviceName, &mode, nullptr,
                                                             CDS_UPDATEREGISTRY | CDS_NORESET, nullptr);
        LONG nApplied = functions.pfnChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr);
        bChanged = nStaged == DISP_CHANGE_SUCCESSFUL && nApplied == DISP_CHANGE_SUCCESSFUL;
    }
    if (!bChanged)
        return 0;

    if (bAttach) {
        m_hDriverDC = functions.pfnCreateDCA("DISPLAY", device.DeviceName, nullptr, nullptr);
        if (!m_hDriverDC || !MapDriver())
            return 0;
    }
    m_bDriverAttached = bAttach;
    return 1;
}

// ---- Capture rectangle and change tracking -------------------------------------------------

void CScreenGrabber::SetCaptureRect(const RECT& rect)
{
    if (EqualRect(&rect, &m_rcCapture))
        return;
    m_bFullRefresh = true;
    m_rcCapture = rect;
}

void CScreenGrabber::GetCaptureRect(RECT& rect) const
{
    rect = m_rcCapture;
    if (!rect.left && !rect.top && !rect.right && !rect.bottom) {
        SetRect(&rect, 0, 0, m_buffer.nWidth, m_buffer.nHeight);
    } else {
        if (static_cast<DWORD>(rect.right) > static_cast<DWORD>(m_buffer.nWidth))
            rect.right = m_buffer.nWidth;
        if (static_cast<DWORD>(rect.bottom) > static_cast<DWORD>(m_buffer.nHeight))
            rect.bottom = m_buffer.nHeight;
        if (rect.left >= rect.right)
            rect.left = rect.right - 1;
        if (rect.top >= rect.bottom)
            rect.top = rect.bottom - 1;
    }
    if ((rect.right - rect.left) % 2 != 0) {
        if (rect.right < m_buffer.nWidth)
            ++rect.right;
        else
            --rect.left;
    }
    if ((rect.bottom - rect.top) % 2 != 0) {
        if (rect.bottom < m_buffer.nHeight)
            ++rect.bottom;
        else
            --rect.top;
    }
    // On a desktop of odd size the even-size rule can move the edge out of the buffer.
    rect.left = std::max<LONG>(rect.left, 0);
    rect.top = std::max<LONG>(rect.top, 0);
}

void CScreenGrabber::AskForCaptureRect()
{
    // The driver need not keep the rest of the desktop up to date for us; a driver that does
    // not know the request keeps all of it.
    RECT rcCapture;
    GetCaptureRect(rcCapture);
    if (!m_hDriverDC || EqualRect(&rcCapture, &m_rcAsked))
        return;
    Functions().pfnExtEscape(m_hDriverDC, ESC_SET_SAMPLE_RECT, sizeof(rcCapture), reinterpret_cast<LPCSTR>(&rcCapture),
                             0, nullptr);
    m_rcAsked = rcCapture;
}

void CScreenGrabber::AskForNothing()
{
    // Between recordings the driver need not read the desktop at all; the next frame asks for
    // its rectangle again, finds it current and copies all of it (what changed meanwhile was
    // never reported).
    if (!m_hDriverDC)
        return;
    m_bFullRefresh = true;
    RECT rcNone = {0, 0, 0, 0};
    Functions().pfnExtEscape(m_hDriverDC, ESC_SET_SAMPLE_RECT, sizeof(rcNone), reinterpret_cast<LPCSTR>(&rcNone), 0,
                             nullptr);
    SetRectEmpty(&m_rcAsked);
}

void CScreenGrabber::CollectChanges()
{
    if (m_pChanges) {
        VidcapRingHeader* pHeader = static_cast<VidcapRingHeader*>(m_pChanges);
        m_nRingCapacity = pHeader->nCapacity;
        m_nRingWriteSnapshot = pHeader->nWrite;
        MemoryBarrier();
        m_pRingReadCounter = &pHeader->nRead;
        m_nRingRead = *m_pRingReadCounter;
        m_pRingEntries = VidcapRingEntries(m_pChanges);
        DWORD nBacklog = m_nRingWriteSnapshot - m_nRingRead;
        if (m_nRingCapacity == 0 || nBacklog > m_nRingCapacity) {
            // Entries were overwritten before they were read (or the header is damaged):
            // what changed is unknown, so everything counts as changed.
            m_nRingRead = m_nRingWriteSnapshot;
            m_bFullRefresh = true;
        }
        while (m_nRingRead != m_nRingWriteSnapshot) {
            ++m_nRingRead;
            const RECT& entry = m_pRingEntries[m_nRingRead % m_nRingCapacity];
            SetRectRgn(m_hrgnTemp.Get(), entry.left, entry.top, entry.right, entry.bottom);
            CombineRgn(m_hrgnChanged.Get(), m_hrgnChanged.Get(), m_hrgnTemp.Get(), RGN_OR);
        }
        *m_pRingReadCounter = m_nRingRead;
    }
    if (m_bFullRefresh) {
        SetRectRgn(m_hrgnTemp.Get(), 0, 0, m_buffer.nWidth, m_buffer.nHeight);
        CombineRgn(m_hrgnChanged.Get(), m_hrgnChanged.Get(), m_hrgnTemp.Get(), RGN_OR);
    }
    RECT rcCapture;
    GetCaptureRect(rcCapture);
    SetRectRgn(m_hrgnTemp.Get(), rcCapture.left, rcCapture.top, rcCapture.right, rcCapture.bottom);
    CombineRgn(m_hrgnChanged.Get(), m_hrgnChanged.Get(), m_hrgnTemp.Get(), RGN_AND);
}

int CScreenGrabber::ListChangedRects()
{
    DWORD nNeeded = GetRegionData(m_hrgnChanged.Get(), 0, nullptr);
    if (nNeeded == 0)
        return 0;
    RGNDATA* pData = reinterpret_cast<RGNDATA*>(m_pRegionData.data());
    if (m_pRegionData.empty() || m_nRegionDataSize < nNeeded ||
        !GetRegionData(m_hrgnChanged.Get(), m_nRegionDataSize, pData)) {
        m_pRegionData.assign(nNeeded, 0);
        m_nRegionDataSize = nNeeded;
        pData = reinterpret_cast<RGNDATA*>(m_pRegionData.data());
        if (!GetRegionData(m_hrgnChanged.Get(), m_nRegionDataSize, pData))
            return 0;
    }
    const RECT* pRects = reinterpret_cast<const RECT*>(pData->Buffer);
    m_rects.assign(pRects, pRects + pData->rdh.nCount);
    return 1;
}

int CScreenGrabber::CopyChanges()
{
    if (!m_pSurface || m_pBits.empty() || !ListChangedRects())
        return 0;
    for (const RECT& rect : m_rects) {
        // Both buffers hold m_buffer.nWidth x m_buffer.nHeight pixels; the region was cut to the capture
        // rectangle, which lies inside them.
        LONG nLeft = std::max<LONG>(rect.left, 0);
        LONG nTop = std::max<LONG>(rect.top, 0);
        LONG nRight = std::min<LONG>(rect.right, m_buffer.nWidth);
        LONG nBottom = std::min<LONG>(rect.bottom, m_buffer.nHeight);
        if (nLeft >= nRight || nTop >= nBottom)
            continue;
        const BYTE* pSource =
            m_pSurface + nLeft * m_surface.nBytesPerPixel + static_cast<size_t>(nTop) * m_surface.nStride;
        BYTE* pDest = m_pBits.data() + static_cast<size_t>(nTop) * m_buffer.nStride + nLeft * 4;
        int nPixels = nRight - nLeft;
        if (m_pfnConvert) {
            m_pfnConvert(pDest, m_buffer.nStride, pSource, m_surface.nStride, nPixels, nBottom - nTop);
        } else {
            for (LONG y = nTop; y < nBottom; ++y, pSource += m_surface.nStride, pDest += m_buffer.nStride)
                memcpy(pDest, pSource, static_cast<size_t>(nPixels) * 4);
        }
    }
    return 1;
}

int CScreenGrabber::GrabChanges()
{
    if (!m_hrgnChanged || !m_hrgnTemp)
        return 0;
    AskForCaptureRect();
    CollectChanges();
    if (!CopyChanges())
        return 0;
    m_bFullRefresh = false;
    SetRectRgn(m_hrgnChanged.Get(), 0, 0, 0, 0);
    return 1;
}

void CScreenGrabber::BlankOutsideScreen()
{
    if (!m_bInitialized || !m_hDriverDC)
        return;
    RECT outside[2];
    int nCount = 0;
    if (m_nScreenWidth < m_buffer.nWidth)
        SetRect(&outside[nCount++], m_nScreenWidth, 0, m_buffer.nWidth, m_buffer.nHeight);
    if (m_nScreenHeight < m_buffer.nHeight)
        SetRect(&outside[nCount++], 0, m_nScreenHeight, m_buffer.nWidth, m_buffer.nHeight);
    for (int i = 0; i < nCount; ++i) {
        const RECT& rect = outside[i];
        FillRect(m_hDriverDC, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (m_hScreenDC)
            BitBlt(m_hDriverDC, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, m_hScreenDC,
                   rect.left, rect.top, SRCCOPY);
    }
}
