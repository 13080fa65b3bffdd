#include "codecs/zmbv/ZmbvDriver.h"

#include <vfw.h>
#include <new>

#include "codecs/zmbv/CZmbvCodec.h"

namespace {
const DWORD kTypeVideoUpper = mmioFOURCC('V', 'I', 'D', 'C');
// Installed by this module (start-up runs once, on the user-interface thread).
bool g_bInstalled = false;

LRESULT OpenInstance(LPARAM lParam2)
{
    ICOPEN* pOpen = reinterpret_cast<ICOPEN*>(lParam2);
    if (pOpen && pOpen->fccType != ICTYPE_VIDEO && pOpen->fccType != kTypeVideoUpper)
        return 0;
    CZmbvCodec* pCodec = new (std::nothrow) CZmbvCodec();
    if (pOpen)
        pOpen->dwError = pCodec ? ICERR_OK : ICERR_MEMORY;
    return reinterpret_cast<LRESULT>(pCodec);
}

LRESULT HandleCodecMessage(CZmbvCodec* pCodec, UINT uMsg, LPARAM lParam1, LPARAM lParam2)
{
    const BITMAPINFOHEADER* pIn = reinterpret_cast<const BITMAPINFOHEADER*>(lParam1);
    BITMAPINFOHEADER* pOut = reinterpret_cast<BITMAPINFOHEADER*>(lParam2);
    switch (uMsg) {
    case ICM_GETSTATE:
        return pCodec->GetState(reinterpret_cast<void*>(lParam1), (DWORD)lParam2);
    case ICM_SETSTATE:
        return pCodec->SetState(reinterpret_cast<const void*>(lParam1), (DWORD)lParam2);
    case ICM_COMPRESS_QUERY:
        return pCodec->CompressQuery(pIn, pOut);
    case ICM_COMPRESS_GET_FORMAT:
        return pCodec->CompressGetFormat(pIn, pOut);
    case ICM_COMPRESS_GET_SIZE:
        return pCodec->CompressGetSize(pIn, pOut);
    case ICM_COMPRESS_FRAMES_INFO:
        return pCodec->CompressFramesInfo(reinterpret_cast<const ICCOMPRESSFRAMES*>(lParam1), (DWORD)lParam2);
    case ICM_COMPRESS_BEGIN:
        return pCodec->CompressBegin(pIn, pOut);
    case ICM_COMPRESS:
        return pCodec->Compress(reinterpret_cast<ICCOMPRESS*>(lParam1), (DWORD)lParam2);
    case ICM_COMPRESS_END:
        return pCodec->CompressEnd();
    case ICM_GETDEFAULTKEYFRAMERATE:
        return pCodec->GetDefaultKeyFrameRate(reinterpret_cast<DWORD*>(lParam1));
    case ICM_GETDEFAULTQUALITY:
        return pCodec->GetDefaultQuality(reinterpret_cast<DWORD*>(lParam1));
    case ICM_GETQUALITY:
        return pCodec->GetQuality(reinterpret_cast<DWORD*>(lParam1));
    case ICM_SETQUALITY:
        return pCodec->SetQuality((DWORD)lParam1);
    default:
        // No configuration dialog, no About box, no decompression.
        return ICERR_UNSUPPORTED;
    }
}
} // namespace

LRESULT CALLBACK ZmbvDriverProc(DWORD_PTR dwDriverId, HDRVR hDriver, UINT uMsg, LPARAM lParam1, LPARAM lParam2)
{
    CZmbvCodec* pCodec = reinterpret_cast<CZmbvCodec*>(dwDriverId);
    switch (uMsg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_INSTALL:
    case DRV_REMOVE:
        return DRV_OK;
    case DRV_OPEN:
        return OpenInstance(lParam2);
    case DRV_CLOSE:
        delete pCodec;
        return DRV_OK;
    case DRV_QUERYCONFIGURE:
        return 0;
    case DRV_CONFIGURE:
        return DRVCNF_CANCEL; // nothing to configure
    default:
        break;
    }
    if (uMsg < DRV_USER)
        return DefDriverProc(dwDriverId, hDriver, uMsg, lParam1, lParam2);
    // The compression manager enumerates installed functions by asking them, unopened, for
    // their description.
    if (uMsg == ICM_GETINFO)
        return CZmbvCodec::GetInfo(reinterpret_cast<ICINFO*>(lParam1), (DWORD)lParam2);
    if (!pCodec)
        return ICERR_BADHANDLE;
    return HandleCodecMessage(pCodec, uMsg, lParam1, lParam2);
}

BOOL ZmbvInstallForProcess()
{
    if (g_bInstalled)
        return TRUE;
    g_bInstalled = ICInstall(ICTYPE_VIDEO, ZmbvHandler, reinterpret_cast<LPARAM>(ZmbvDriverProc), nullptr,
                             ICINSTALL_FUNCTION) != FALSE;
    return g_bInstalled;
}

BOOL ZmbvRemoveFromProcess()
{
    if (!g_bInstalled)
        return FALSE;
    g_bInstalled = false;
    return ICRemove(ICTYPE_VIDEO, ZmbvHandler, ICINSTALL_FUNCTION);
}
