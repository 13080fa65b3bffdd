// Encodes a 1 kHz stereo tone of the given length through lame_enc.dll into an MP3 file:
//   lame_tone OUT.mp3 SECONDS
// Uses the program's declaration of the library's byte-packed configuration record.
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <vector>

#include "codec/Mp3EncoderApi.h"

using namespace mp3api;

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HMODULE hLame = LoadLibraryA("..\\lame_enc.dll");
    if (!hLame)
        return 3;
    auto pInit = reinterpret_cast<BeInitStreamFn>(GetProcAddress(hLame, "beInitStream"));
    auto pEncode = reinterpret_cast<BeEncodeChunkFn>(GetProcAddress(hLame, "beEncodeChunk"));
    auto pDeinit = reinterpret_cast<BeDeinitStreamFn>(GetProcAddress(hLame, "beDeinitStream"));
    auto pClose = reinterpret_cast<BeCloseStreamFn>(GetProcAddress(hLame, "beCloseStream"));
    if (!pInit || !pEncode || !pDeinit || !pClose)
        return 4;

    BE_CONFIG config = {};
    config.dwConfig = kConfigLame;
    LameConfig& lame = config.format.LHV1;
    lame.dwStructVersion = 1;
    lame.dwStructSize = sizeof(config);
    lame.dwSampleRate = 44100;
    lame.nMode = 1; // joint stereo
    lame.dwBitrate = 128;
    lame.dwMpegVersion = 1;
    lame.bOriginal = TRUE;
    DWORD dwSamples = 0, dwOutSize = 0;
    HBE_STREAM pStream = nullptr;
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
