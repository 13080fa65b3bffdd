// A stand-in for the encoder library that records what it is handed. Built twice: complete,
// and (FAKE_LAME_WITHOUT_INFO_TAG) lacking one of the seven entry points.
#include <windows.h>

#include <cstring>

#include "codec/Mp3EncoderApi.h"

using namespace mp3api;

namespace {
BE_CONFIG g_config;
LONG g_nInit = 0;
LONG g_nEncode = 0;
LONG g_nDeinit = 0;
LONG g_nClose = 0;
LONG g_nInfoTag = 0;
DWORD g_dwLastSamples = 0;
BE_ERR g_initResult = kSuccess;
LONG g_nFailEncodes = 0;
const BE_ERR kEncodeFailed = 0x00000001;
int g_nStreamToken = 0;
const DWORD kChunkBytesOut = 100;
const DWORD kFlushBytesOut = 50;
} // namespace

extern "C" {

__declspec(dllexport) BE_ERR
    beInitStream(BE_CONFIG* pConfig, DWORD* pdwSamples, DWORD* pdwBufferSize, HBE_STREAM* phStream)
{
    ++g_nInit;
    std::memcpy(&g_config, pConfig, sizeof(g_config));
    if (g_initResult != kSuccess)
        return g_initResult;
    *pdwSamples = pConfig->format.LHV1.nMode == kModeMono ? 1152 : 2304;
    *pdwBufferSize = 8640;
    *phStream = &g_nStreamToken;
    return kSuccess;
}

__declspec(dllexport) BE_ERR beEncodeChunk(HBE_STREAM, DWORD dwSamples, SHORT*, BYTE* pOutput, DWORD* pdwOutput)
{
    ++g_nEncode;
    g_dwLastSamples = dwSamples;
    if (g_nFailEncodes > 0) {
        --g_nFailEncodes;
        *pdwOutput = 0;
        return kEncodeFailed;
    }
    std::memset(pOutput, 0xA5, kChunkBytesOut);
    *pdwOutput = kChunkBytesOut;
    return kSuccess;
}

__declspec(dllexport) BE_ERR beDeinitStream(HBE_STREAM, BYTE* pOutput, DWORD* pdwOutput)
{
    ++g_nDeinit;
    std::memset(pOutput, 0x5A, kFlushBytesOut);
    *pdwOutput = kFlushBytesOut;
    return kSuccess;
}

__declspec(dllexport) BE_ERR beCloseStream(HBE_STREAM)
{
    ++g_nClose;
    return kSuccess;
}

__declspec(dllexport) VOID beVersion(BE_VERSION* pVersion)
{
    std::memset(pVersion, 0, sizeof(*pVersion));
}

__declspec(dllexport) BE_ERR beWriteVBRHeader(LPCSTR)
{
    return kSuccess;
}

#ifndef FAKE_LAME_WITHOUT_INFO_TAG
__declspec(dllexport) BE_ERR beWriteInfoTag(HBE_STREAM, LPCSTR)
{
    ++g_nInfoTag;
    return kSuccess;
}
#endif

// Read by the tests.
__declspec(dllexport) const BE_CONFIG* fakeLastConfig()
{
    return &g_config;
}

__declspec(dllexport) void fakeCounts(LONG* pInit, LONG* pEncode, LONG* pDeinit, LONG* pClose, LONG* pInfoTag,
                                      DWORD* pLastSamples)
{
    *pInit = g_nInit;
    *pEncode = g_nEncode;
    *pDeinit = g_nDeinit;
    *pClose = g_nClose;
    *pInfoTag = g_nInfoTag;
    *pLastSamples = g_dwLastSamples;
}

__declspec(dllexport) void fakeSetInitResult(BE_ERR result)
{
    g_initResult = result;
}

// The next nCalls calls of beEncodeChunk fail.
__declspec(dllexport) void fakeFailEncodes(LONG nCalls)
{
    g_nFailEncodes = nCalls;
}

} // extern "C"
