// Video compressors installed into the test process through the compression manager, with
// behaviour the tests choose: compressed size as a known function of quality, chosen flags,
// a duplicate handler, a refusal of 32-bit input and one-byte dropped frames.
#pragma once

#include <windows.h>
#include <vfw.h>

#include <vector>

namespace testcodec {

const DWORD kQualityCodec = mmioFOURCC('T', 'Q', 'S', '1');
const DWORD kDuplicateCodec = mmioFOURCC('T', 'Q', 'S', '9'); // reports kQualityCodec
const DWORD kRefusingCodec = mmioFOURCC('T', 'Q', 'R', '3');
const DWORD kDroppingCodec = mmioFOURCC('T', 'Q', 'X', '4'); // output "XVID"
const DWORD kHuffyuvCodec = mmioFOURCC('H', 'F', 'Y', 'U');  // behaves as the quality codec

struct CompressCall
{
    DWORD dwFlags;
    LONG nFrameNum;
    DWORD dwFrameSize;
    DWORD dwQuality;
    bool bHasPrevious;
    BYTE nPreviousByte; // first byte of the previous-frame buffer, when there is one
    DWORD dwSize;       // the size this call produced
};

struct DecompressCall
{
    DWORD dwFlags;
    BYTE nFirstByte;
};

// What the quality codec does; reset by Reset().
struct Behaviour
{
    DWORD dwFlags = VIDCF_QUALITY;
    int nSizeBase = 100; // size = max(1, base + slope * quality / 10000)
    int nSizeSlope = 2000;
    DWORD dwDefaultKeyRate = 0; // answer to ICM_GETDEFAULTKEYFRAMERATE
    DWORD dwDefaultQuality = 0;
    int nSelfKeyFrame = -1; // frame number the codec marks as key on its own
    bool bConfigurable = true;
    int nDropCalls = 0;                  // for the dropping codec: this many next calls give 0x7F
    DWORD dwCompressGetSize = 64 * 1024; // answer to ICM_COMPRESS_GET_SIZE
    bool bKeepsState = true;             // false: ICM_GETSTATE is unsupported
    UINT nFaultOn = 0;                   // this message raises an access violation ...
    int nFaultAfter = 0;                 // ... once it has been answered this many times
};

struct Record
{
    std::vector<CompressCall> compresses;
    std::vector<DecompressCall> decompresses;
    int nCompressBegin = 0;
    int nCompressEnd = 0;
    int nDecompressBegin = 0;
    int nDecompressEnd = 0;
    int nSetState = 0;
    int nConfigure = 0;
    int nAbout = 0;
    bool bFramesInfo = false;
    ICCOMPRESSFRAMES framesInfo{};
};

extern Behaviour g_behaviour;
extern Record g_record;

void Reset();
// Installs the compressors for this process only (ICINSTALL_FUNCTION); the compression
// manager enumerates them with the system's own. Uninstall removes them again.
bool Install();
void Uninstall();

int SizeForQuality(int nQuality);

} // namespace testcodec
