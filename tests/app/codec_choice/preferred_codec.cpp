// An installable video compressor reporting the "XVID" handler, for the tests of the codec
// choice: it accepts 32-bit frames and writes a small numbered payload for each of them.
#include <windows.h>
#include <vfw.h>

#include <cstring>

namespace {

const DWORD kXvid = mmioFOURCC('X', 'V', 'I', 'D');
const DWORD kPayloadSize = 16;

LRESULT FillInfo(ICINFO* pInfo)
{
    std::memset(pInfo, 0, sizeof(*pInfo));
    pInfo->dwSize = sizeof(*pInfo);
    pInfo->fccType = ICTYPE_VIDEO;
    pInfo->fccHandler = kXvid;
    pInfo->dwVersion = 1;
    pInfo->dwVersionICM = ICVERSION;
    lstrcpynW(pInfo->szName, L"OrvXvid", 16);
    lstrcpynW(pInfo->szDescription, L"Orvane test preferred codec", 128);
    return sizeof(*pInfo);
}

bool Accepts(const BITMAPINFOHEADER* pIn)
{
    return pIn && pIn->biCompression == BI_RGB && pIn->biBitCount == 32;
}

LRESULT Query(const BITMAPINFO* pIn)
{
    return Accepts(pIn ? &pIn->bmiHeader : nullptr) ? ICERR_OK : ICERR_BADFORMAT;
}

LRESULT GetFormat(const BITMAPINFO* pIn, BITMAPINFO* pOut)
{
    if (!Accepts(&pIn->bmiHeader))
        return ICERR_BADFORMAT;
    if (!pOut)
        return sizeof(BITMAPINFOHEADER);
    pOut->bmiHeader = pIn->bmiHeader;
    pOut->bmiHeader.biCompression = kXvid;
    pOut->bmiHeader.biBitCount = 12;
    pOut->bmiHeader.biSizeImage = kPayloadSize;
    return ICERR_OK;
}

LRESULT Compress(ICCOMPRESS* pCompress)
{
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

}  // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI DriverProc(DWORD_PTR, HDRVR, UINT uMsg, LPARAM lParam1,
                                                           LPARAM lParam2)
{
    switch (uMsg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_CLOSE:
        return 1;
    case DRV_OPEN: {
        const ICOPEN* pOpen = reinterpret_cast<const ICOPEN*>(lParam2);
        return !pOpen || pOpen->fccType == ICTYPE_VIDEO;
    }
    case DRV_QUERYCONFIGURE:
        return 0;
    case ICM_GETINFO:
        return FillInfo(reinterpret_cast<ICINFO*>(lParam1));
    case ICM_COMPRESS_QUERY:
        return Query(reinterpret_cast<const BITMAPINFO*>(lParam1));
    case ICM_COMPRESS_GET_FORMAT:
        return GetFormat(reinterpret_cast<const BITMAPINFO*>(lParam1), reinterpret_cast<BITMAPINFO*>(lParam2));
    case ICM_COMPRESS_GET_SIZE:
        return kPayloadSize;
    case ICM_COMPRESS_BEGIN:
        return Query(reinterpret_cast<const BITMAPINFO*>(lParam1));
    case ICM_COMPRESS_END:
    case ICM_COMPRESS_FRAMES_INFO:
        return ICERR_OK;
    case ICM_COMPRESS:
        return Compress(reinterpret_cast<ICCOMPRESS*>(lParam1));
    default:
        return uMsg >= DRV_USER ? ICERR_UNSUPPORTED : 0;
    }
}
