// Encodes a 1 kHz stereo tone of the given length through lame_enc.dll into an MP3 file:
//   lame_tone OUT.mp3 SECONDS
// Uses the encoder library's own byte-packed configuration record.
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <vector>

#pragma pack(push, 1)
struct LameConfig {
    DWORD dwConfig;
    struct {
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
        UINT nVbrMethod;
        BOOL bNoRes;
        BOOL bStrictIso;
        WORD nQuality;
        BYTE btReserved[255 - 4 * sizeof(DWORD) - sizeof(WORD)];
    } lhv1;
};
#pragma pack(pop)
static_assert(sizeof(LameConfig) == 331, "the encoder library expects 331 bytes");

typedef DWORD(__cdecl* InitStream)(LameConfig*, DWORD*, DWORD*, void**);
typedef DWORD(__cdecl* EncodeChunk)(void*, DWORD, const short*, BYTE*, DWORD*);
typedef DWORD(__cdecl* DeinitStream)(void*, BYTE*, DWORD*);
typedef DWORD(__cdecl* CloseStream)(void*);

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HMODULE hLame = LoadLibraryA("..\\lame_enc.dll");
    if (!hLame)
        return 3;
    auto pInit = reinterpret_cast<InitStream>(GetProcAddress(hLame, "beInitStream"));
    auto pEncode = reinterpret_cast<EncodeChunk>(GetProcAddress(hLame, "beEncodeChunk"));
    auto pDeinit = reinterpret_cast<DeinitStream>(GetProcAddress(hLame, "beDeinitStream"));
    auto pClose = reinterpret_cast<CloseStream>(GetProcAddress(hLame, "beCloseStream"));
    if (!pInit || !pEncode || !pDeinit || !pClose)
        return 4;

    LameConfig config = {};
    config.dwConfig = 256; // the LAME form of the record
    config.lhv1.dwStructVersion = 1;
    config.lhv1.dwStructSize = sizeof(config);
    config.lhv1.dwSampleRate = 44100;
    config.lhv1.nMode = 1; // joint stereo
    config.lhv1.dwBitrate = 128;
    config.lhv1.dwMpegVersion = 1;
    config.lhv1.bOriginal = TRUE;
    DWORD dwSamples = 0, dwOutSize = 0;
    void* pStream = nullptr;
    if (pInit(&config, &dwSamples, &dwOutSize, &pStream) != 0)
        return 5;

    FILE* pFile = fopen(argv[1], "wb");
    if (!pFile)
        return 6;
    const int nSeconds = atoi(argv[2]);
    const DWORD dwTotal = 44100u * nSeconds * 2; // interleaved stereo samples
    std::vector<short> pcm(dwSamples);
    std::vector<BYTE> out(dwOutSize);
    DWORD dwDone = 0;
    while (dwDone < dwTotal) {
        DWORD dwCount = std::min<DWORD>(dwSamples, dwTotal - dwDone);
        for (DWORD i = 0; i < dwCount; ++i)
            pcm[i] = static_cast<short>(12000 * sin(2 * 3.14159265358979 * 1000 * ((dwDone + i) / 2) / 44100.0));
        DWORD dwWritten = 0;
        if (pEncode(pStream, dwCount, pcm.data(), out.data(), &dwWritten) != 0)
            return 7;
        fwrite(out.data(), 1, dwWritten, pFile);
        dwDone += dwCount;
    }
    DWORD dwWritten = 0;
    pDeinit(pStream, out.data(), &dwWritten);
    fwrite(out.data(), 1, dwWritten, pFile);
    pClose(pStream);
    fclose(pFile);
    FreeLibrary(hLame);
    return 0;
}
