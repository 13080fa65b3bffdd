#include "TestCompressors.h"

#include <cstring>

namespace testcodec {

Behaviour g_behaviour;
Record g_record;

namespace {

const DWORD kXvid = mmioFOURCC('X', 'V', 'I', 'D');
const DWORD kMaxCompressedSize = 64 * 1024;
const DWORD kStateValue = 0x5EED5EED;

struct CodecKind
{
    DWORD fccInstalled;
    DWORD fccReported;
    DWORD fccOutput;
    const wchar_t* pszDescription;
    bool bRefuses32Bit;
    bool bDrops;
};

const CodecKind kKinds[] = {
    {kQualityCodec, kQualityCodec, kQualityCodec, L"Orvane test quality codec", false, false},
    {kDuplicateCodec, kQualityCodec, kQualityCodec, L"Orvane test duplicate codec", false, false},
    {kRefusingCodec, kRefusingCodec, kRefusingCodec, L"Orvane test no-32-bit codec", true, false},
    {kDroppingCodec, kDroppingCodec, kXvid, L"Orvane test dropping codec", false, true},
    {kHuffyuvCodec, kHuffyuvCodec, kHuffyuvCodec, L"Orvane test lossless codec", false, false},
};
const int kKindCount = sizeof(kKinds) / sizeof(kKinds[0]);
// Only the head of a frame carries data, so a size claimed beyond the buffer is never written.
const DWORD kWrittenBytes = 64;

DWORD g_dwState = kStateValue;

DWORD RowStride(int nBits, LONG nWidth)
{
    return ((static_cast<DWORD>(nBits) * static_cast<DWORD>(nWidth) / 8) + 3) & ~3u;
}

LRESULT FillInfo(const CodecKind& kind, ICINFO* pInfo)
{
    std::memset(pInfo, 0, sizeof(*pInfo));
    pInfo->dwSize = sizeof(*pInfo);
    pInfo->fccType = ICTYPE_VIDEO;
    pInfo->fccHandler = kind.fccReported;
    const bool bTunable = kind.fccInstalled == kQualityCodec || kind.fccInstalled == kHuffyuvCodec;
    pInfo->dwFlags = bTunable ? g_behaviour.dwFlags : 0;
    pInfo->dwVersion = 1;
    pInfo->dwVersionICM = ICVERSION;
    lstrcpynW(pInfo->szName, L"OrvTest", 16);
    lstrcpynW(pInfo->szDescription, kind.pszDescription, 128);
    return sizeof(*pInfo);
}

LRESULT Query(const CodecKind& kind, const BITMAPINFOHEADER* pIn)
{
    if (!pIn || pIn->biCompression != BI_RGB)
        return ICERR_BADFORMAT;
    if (pIn->biBitCount != 16 && pIn->biBitCount != 24 && pIn->biBitCount != 32)
        return ICERR_BADFORMAT;
    if (kind.bRefuses32Bit && pIn->biBitCount == 32)
        return ICERR_BADFORMAT;
    return ICERR_OK;
}

LRESULT GetFormat(const CodecKind& kind, const BITMAPINFOHEADER* pIn, BITMAPINFOHEADER* pOut)
{
    if (!pOut)
        return sizeof(BITMAPINFOHEADER);
    *pOut = *pIn;
    pOut->biSize = sizeof(BITMAPINFOHEADER);
    pOut->biCompression = kind.fccOutput;
    pOut->biBitCount = 24;
    pOut->biSizeImage = kMaxCompressedSize;
    return ICERR_OK;
}

LRESULT Compress(const CodecKind& kind, ICCOMPRESS* pc)
{
    CompressCall call{};
    call.dwFlags = pc->dwFlags;
    call.nFrameNum = pc->lFrameNum;
    call.dwFrameSize = pc->dwFrameSize;
    call.dwQuality = pc->dwQuality;
    call.bHasPrevious = pc->lpPrev != nullptr;
    call.nPreviousByte = pc->lpPrev ? static_cast<BYTE*>(pc->lpPrev)[0] : 0;

    BYTE* pOut = static_cast<BYTE*>(pc->lpOutput);
    const BYTE nFirstInput = static_cast<BYTE*>(pc->lpInput)[0];
    DWORD dwSize;
    if (kind.bDrops && g_behaviour.nDropCalls > 0) {
        --g_behaviour.nDropCalls;
        dwSize = 1;
        pOut[0] = 0x7F;
    } else {
        dwSize = static_cast<DWORD>(SizeForQuality(static_cast<int>(pc->dwQuality)));
        std::memset(pOut, nFirstInput, dwSize < kWrittenBytes ? dwSize : kWrittenBytes);
    }
    pc->lpbiOutput->biSizeImage = dwSize;
    if (pc->dwFlags & ICCOMPRESS_KEYFRAME)
        *pc->lpdwFlags |= AVIIF_KEYFRAME;
    if (pc->lFrameNum == g_behaviour.nSelfKeyFrame)
        *pc->lpdwFlags |= AVIIF_KEYFRAME;
    call.dwSize = dwSize;
    g_record.compresses.push_back(call);
    return ICERR_OK;
}

LRESULT Decompress(ICDECOMPRESS* pd)
{
    const BYTE nValue = static_cast<BYTE*>(pd->lpInput)[0];
    const BITMAPINFOHEADER* pOutFormat = pd->lpbiOutput;
    const DWORD dwBytes = RowStride(pOutFormat->biBitCount, pOutFormat->biWidth) *
                          static_cast<DWORD>(pOutFormat->biHeight < 0 ? -pOutFormat->biHeight : pOutFormat->biHeight);
    std::memset(pd->lpOutput, nValue, dwBytes);
    g_record.decompresses.push_back(DecompressCall{pd->dwFlags, nValue});
    return ICERR_OK;
}

LRESULT GetState(void* pState, DWORD cb)
{
    if (!g_behaviour.bKeepsState)
        return ICERR_UNSUPPORTED;
    if (!pState)
        return sizeof(g_dwState);
    if (cb < sizeof(g_dwState))
        return 0;
    std::memcpy(pState, &g_dwState, sizeof(g_dwState));
    return sizeof(g_dwState);
}

LRESULT SetState(const void* pState, DWORD cb)
{
    ++g_record.nSetState;
    if (pState && cb >= sizeof(g_dwState))
        std::memcpy(&g_dwState, pState, sizeof(g_dwState));
    return sizeof(g_dwState);
}

// A store through a pointer the compiler cannot see is null: a real access violation.
void Fault()
{
    volatile UINT_PTR nAddress = 16;
    *reinterpret_cast<volatile int*>(nAddress) = 0;
}

LRESULT HandleMessage(const CodecKind& kind, UINT msg, LPARAM lParam1, LPARAM lParam2)
{
    if (g_behaviour.nFaultOn && msg == g_behaviour.nFaultOn && g_behaviour.nFaultAfter-- <= 0)
        Fault();
    switch (msg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
    case DRV_CLOSE:
        return DRV_OK;
    case DRV_OPEN:
        return reinterpret_cast<LRESULT>(&kind);
    case ICM_GETINFO:
        return FillInfo(kind, reinterpret_cast<ICINFO*>(lParam1));
    case ICM_CONFIGURE:
        if (lParam1 == -1)
            return g_behaviour.bConfigurable ? ICERR_OK : ICERR_UNSUPPORTED;
        ++g_record.nConfigure;
        return ICERR_OK;
    case ICM_ABOUT:
        if (lParam1 == -1)
            return ICERR_OK;
        ++g_record.nAbout;
        return ICERR_OK;
    case ICM_GETSTATE:
        return GetState(reinterpret_cast<void*>(lParam1), static_cast<DWORD>(lParam2));
    case ICM_SETSTATE:
        return SetState(reinterpret_cast<const void*>(lParam1), static_cast<DWORD>(lParam2));
    case ICM_GETDEFAULTKEYFRAMERATE:
        *reinterpret_cast<DWORD*>(lParam1) = g_behaviour.dwDefaultKeyRate;
        return ICERR_OK;
    case ICM_GETDEFAULTQUALITY:
        *reinterpret_cast<DWORD*>(lParam1) = g_behaviour.dwDefaultQuality;
        return ICERR_OK;
    case ICM_COMPRESS_QUERY:
        return Query(kind, reinterpret_cast<const BITMAPINFOHEADER*>(lParam1));
    case ICM_COMPRESS_GET_FORMAT:
        return GetFormat(kind, reinterpret_cast<const BITMAPINFOHEADER*>(lParam1),
                         reinterpret_cast<BITMAPINFOHEADER*>(lParam2));
    case ICM_COMPRESS_GET_SIZE:
        return g_behaviour.dwCompressGetSize;
    case ICM_COMPRESS_FRAMES_INFO:
        g_record.bFramesInfo = true;
        g_record.framesInfo = *reinterpret_cast<const ICCOMPRESSFRAMES*>(lParam1);
        return ICERR_OK;
    case ICM_COMPRESS_BEGIN:
        ++g_record.nCompressBegin;
        return ICERR_OK;
    case ICM_COMPRESS:
        return Compress(kind, reinterpret_cast<ICCOMPRESS*>(lParam1));
    case ICM_COMPRESS_END:
        ++g_record.nCompressEnd;
        return ICERR_OK;
    case ICM_DECOMPRESS_BEGIN:
        ++g_record.nDecompressBegin;
        return ICERR_OK;
    case ICM_DECOMPRESS:
        return Decompress(reinterpret_cast<ICDECOMPRESS*>(lParam1));
    case ICM_DECOMPRESS_END:
        ++g_record.nDecompressEnd;
        return ICERR_OK;
    default:
        return ICERR_UNSUPPORTED;
    }
}

template <int N> LRESULT CALLBACK CodecProc(DWORD_PTR, HDRVR, UINT msg, LPARAM lParam1, LPARAM lParam2)
{
    return HandleMessage(kKinds[N], msg, lParam1, lParam2);
}

const DRIVERPROC kProcs[] = {CodecProc<0>, CodecProc<1>, CodecProc<2>, CodecProc<3>, CodecProc<4>};
static_assert(sizeof(kProcs) / sizeof(kProcs[0]) == kKindCount, "one procedure per codec");

} // namespace

int SizeForQuality(int nQuality)
{
    const long long nSize = g_behaviour.nSizeBase + static_cast<long long>(g_behaviour.nSizeSlope) * nQuality / 10000;
    if (nSize < 1)
        return 1;
    if (nSize > static_cast<long long>(kMaxCompressedSize))
        return static_cast<int>(kMaxCompressedSize);
    return static_cast<int>(nSize);
}

void Reset()
{
    g_behaviour = Behaviour();
    g_record = Record();
    g_dwState = kStateValue;
}

bool Install()
{
    bool bOk = true;
    for (int i = 0; i < kKindCount; ++i) {
        bOk &= ICInstall(ICTYPE_VIDEO, kKinds[i].fccInstalled, reinterpret_cast<LPARAM>(kProcs[i]), nullptr,
                         ICINSTALL_FUNCTION) != FALSE;
    }
    return bOk;
}

void Uninstall()
{
    for (int i = 0; i < kKindCount; ++i)
        ICRemove(ICTYPE_VIDEO, kKinds[i].fccInstalled, 0);
}

} // namespace testcodec
