// An installable video compressor that answers as whichever handler it was opened for, so one
// file installed as "vidc.MP42" and "vidc.WMV3" gives the window one codec of each output
// format's preference list, and as "vidc.XVID" the first of the AVI list. It accepts 32-bit
// frames and writes a small numbered payload. ORVANE_TWIN_CODEC_FAULT in its process's
// environment makes it fault as a broken compressor does: "begin", "end" or "compress:N"
// (after N frames) raises an access violation on that message. With TWIN_CODEC_FAILS_AFTER=N
// it refuses every frame from the N-th on, as a broken codec would.
#include <windows.h>
#include <vfw.h>

#include <cstdlib>
#include <cstring>

namespace {

struct FaultPlan
{
    UINT nMessage = 0;
    long nAfter = 0;
};

FaultPlan ReadFaultPlan()
{
    FaultPlan plan;
    const char* psz = getenv("ORVANE_TWIN_CODEC_FAULT");
    if (!psz)
        return plan;
    if (strcmp(psz, "begin") == 0)
        plan.nMessage = ICM_COMPRESS_BEGIN;
    else if (strcmp(psz, "end") == 0)
        plan.nMessage = ICM_COMPRESS_END;
    else if (strncmp(psz, "compress:", 9) == 0) {
        plan.nMessage = ICM_COMPRESS;
        plan.nAfter = strtol(psz + 9, nullptr, 10);
    }
    return plan;
}

// A store through a pointer the compiler cannot see is null: a real access violation.
void FaultIfPlanned(UINT uMsg)
{
    static const FaultPlan s_plan = ReadFaultPlan();
    static volatile long s_nSeen = 0;
    if (!s_plan.nMessage || uMsg != s_plan.nMessage || s_nSeen++ < s_plan.nAfter)
        return;
    volatile UINT_PTR nAddress = 16;
    *reinterpret_cast<volatile int*>(nAddress) = 0;
}

const DWORD kPayloadSize = 16;

LRESULT FillInfo(DWORD fccHandler, ICINFO* pInfo)
{
    std::memset(pInfo, 0, sizeof(*pInfo));
    pInfo->dwSize = sizeof(*pInfo);
    pInfo->fccType = ICTYPE_VIDEO;
    pInfo->fccHandler = fccHandler;
    pInfo->dwVersion = 1;
    pInfo->dwVersionICM = ICVERSION;
    WCHAR szHandler[5] = {};
    for (int i = 0; i < 4; ++i)
        szHandler[i] = static_cast<WCHAR>((fccHandler >> (8 * i)) & 0xFF);
    lstrcpynW(pInfo->szName, szHandler, 16);
    lstrcpyW(pInfo->szDescription, L"Test codec ");
    lstrcatW(pInfo->szDescription, szHandler);
    return sizeof(*pInfo);
}

bool Accepts(const BITMAPINFO* pIn)
{
    return pIn && pIn->bmiHeader.biCompression == BI_RGB && pIn->bmiHeader.biBitCount == 32;
}

LRESULT Query(const BITMAPINFO* pIn)
{
    return Accepts(pIn) ? ICERR_OK : ICERR_BADFORMAT;
}

LRESULT GetFormat(DWORD fccHandler, const BITMAPINFO* pIn, BITMAPINFO* pOut)
{
    if (!Accepts(pIn))
        return ICERR_BADFORMAT;
    if (!pOut)
        return sizeof(BITMAPINFOHEADER);
    pOut->bmiHeader = pIn->bmiHeader;
    pOut->bmiHeader.biCompression = fccHandler;
    pOut->bmiHeader.biBitCount = 12;
    pOut->bmiHeader.biSizeImage = kPayloadSize;
    return ICERR_OK;
}

LONG FailsAfter()
{
    char szValue[16];
    const DWORD nLength = GetEnvironmentVariableA("TWIN_CODEC_FAILS_AFTER", szValue, sizeof(szValue));
    return nLength && nLength < sizeof(szValue) ? atol(szValue) : 0;
}

LRESULT Compress(ICCOMPRESS* pCompress)
{
    const LONG nFailsAfter = FailsAfter();
    if (nFailsAfter > 0 && pCompress->lFrameNum >= nFailsAfter)
        return ICERR_ERROR;
    BYTE* pOut = static_cast<BYTE*>(pCompress->lpOutput);
    std::memset(pOut, 0, kPayloadSize);
    std::memcpy(pOut, &pCompress->lFrameNum, sizeof(pCompress->lFrameNum));
    pCompress->lpbiOutput->biSizeImage = kPayloadSize;
    if (pCompress->lpdwFlags)
        *pCompress->lpdwFlags = AVIIF_KEYFRAME;
    if (pCompress->lpckid)
        *pCompress->lpckid = 0;
    return ICERR_OK;
}

} // namespace

// The driver id of an open instance is the handler it was opened for.
extern "C" __declspec(dllexport) LRESULT WINAPI
    DriverProc(DWORD_PTR dwDriverId, HDRVR, UINT uMsg, LPARAM lParam1, LPARAM lParam2)
{
    const DWORD fccHandler = static_cast<DWORD>(dwDriverId);
    FaultIfPlanned(uMsg);
    switch (uMsg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_CLOSE:
        return 1;
    case DRV_OPEN: {
        const ICOPEN* pOpen = reinterpret_cast<const ICOPEN*>(lParam2);
        if (!pOpen)
            return 1;
        return pOpen->fccType == ICTYPE_VIDEO && pOpen->fccHandler ? static_cast<LRESULT>(pOpen->fccHandler) : 0;
    }
    case DRV_QUERYCONFIGURE:
        return 0;
    case ICM_GETINFO:
        return FillInfo(fccHandler, reinterpret_cast<ICINFO*>(lParam1));
    case ICM_COMPRESS_QUERY:
    case ICM_COMPRESS_BEGIN:
        return Query(reinterpret_cast<const BITMAPINFO*>(lParam1));
    case ICM_COMPRESS_GET_FORMAT:
        return GetFormat(fccHandler, reinterpret_cast<const BITMAPINFO*>(lParam1),
                         reinterpret_cast<BITMAPINFO*>(lParam2));
    case ICM_COMPRESS_GET_SIZE:
        return kPayloadSize;
    case ICM_COMPRESS_END:
    case ICM_COMPRESS_FRAMES_INFO:
        return ICERR_OK;
    case ICM_COMPRESS:
        return Compress(reinterpret_cast<ICCOMPRESS*>(lParam1));
    default:
        return uMsg >= DRV_USER ? ICERR_UNSUPPORTED : 0;
    }
}
