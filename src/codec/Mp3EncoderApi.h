// Records and entry points of the external MP3 encoder library (lame_enc.dll).
// Byte-packed exactly as the library expects them.
#pragma once

#include <windows.h>

#include <cstddef>

namespace mp3api {

typedef void* HBE_STREAM;
typedef unsigned long BE_ERR; // 32 bits on Windows, also in 64-bit builds

const DWORD kConfigLame = 256; // BE_CONFIG_LAME
const DWORD kStructVersion = 1;
const DWORD kStructSize = 331;
const LONG kModeJointStereo = 1; // BE_MP3_MODE_JSTEREO
const LONG kModeMono = 3;        // BE_MP3_MODE_MONO
const LONG kNoPreset = -1;       // LQP_NOPRESET
const DWORD kMpeg1 = 1;
const DWORD kMpeg2 = 0;
const BE_ERR kSuccess = 0;

#pragma pack(push, 1)
struct LameConfig
{
    DWORD dwStructVersion;
    DWORD dwStructSize;
    DWORD dwSampleRate;
    DWORD dwReSampleRate;
    LONG nMode;
    DWORD dwBitrate;
    DWORD dwMaxBitrate;
    LONG nPreset;
    DWORD dwMpegVersion;
    DWORD dwPsyModel;
    DWORD dwEmphasis;
    BOOL bPrivate;
    BOOL bCRC;
    BOOL bCopyright;
    BOOL bOriginal;
    BOOL bWriteVBRHeader;
    BOOL bEnableVBR;
    INT nVBRQuality;
    DWORD dwVbrAbr_bps;
    LONG nVbrMethod;
    BOOL bNoRes;
    BOOL bStrictIso;
    WORD nQuality;
    BYTE btReserved[255 - 4 * sizeof(DWORD) - sizeof(WORD)];
};

struct BE_CONFIG
{
    DWORD dwConfig;
    union
    {
        LameConfig LHV1;
    } format;
};

struct BE_VERSION
{
    BYTE byDLLMajorVersion;
    BYTE byDLLMinorVersion;
    BYTE byMajorVersion;
    BYTE byMinorVersion;
    BYTE byDay;
    BYTE byMonth;
    WORD wYear;
    CHAR zHomepage[129];
    BYTE byAlphaLevel;
    BYTE byBetaLevel;
    BYTE byMMXEnabled;
    BYTE btReserved[125];
};
#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331, "BE_CONFIG must be 331 bytes, byte-packed");
static_assert(offsetof(BE_CONFIG, format.LHV1.nQuality) == 92, "BE_CONFIG layout");

typedef BE_ERR (*BeInitStreamFn)(BE_CONFIG*, DWORD*, DWORD*, HBE_STREAM*);
typedef BE_ERR (*BeEncodeChunkFn)(HBE_STREAM, DWORD, SHORT*, BYTE*, DWORD*);
typedef BE_ERR (*BeDeinitStreamFn)(HBE_STREAM, BYTE*, DWORD*);
typedef BE_ERR (*BeCloseStreamFn)(HBE_STREAM);
typedef VOID (*BeVersionFn)(BE_VERSION*);
typedef BE_ERR (*BeWriteVbrHeaderFn)(LPCSTR);
typedef BE_ERR (*BeWriteInfoTagFn)(HBE_STREAM, LPCSTR);

} // namespace mp3api
