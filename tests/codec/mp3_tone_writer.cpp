// Encodes a 1 kHz stereo tone through CMp3Encoder into an MP3 file:
//   mp3_tone_writer OUT.mp3 SECONDS RATE QUALITY VBR(0|1)
// Prints the configured bit rates and the number of bytes written.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codec/CMp3Encoder.h"

namespace {

bool WriteAll(FILE* pFile, const BYTE* pData, DWORD dwSize)
{
    return dwSize == 0 || std::fwrite(pData, 1, dwSize, pFile) == dwSize;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6)
        return 2;
    const double dSeconds = std::atof(argv[2]);
    const int nRate = std::atoi(argv[3]);
    // The library lies beside the program, one folder up from the test programs.
    char szLibrary[MAX_PATH];
    const DWORD nLength = GetModuleFileNameA(nullptr, szLibrary, MAX_PATH);
    char* pSlash = std::strrchr(szLibrary, '\\');
    if (nLength == 0 || nLength >= MAX_PATH - 20 || !pSlash)
        return 3;
    std::strcpy(pSlash + 1, "..\\lame_enc.dll");
    CMp3Encoder encoder;
    if (!encoder.Load(szLibrary))
        return 3;
    encoder.SetChannels(2);
    encoder.SetSampleRate(nRate);
    encoder.SetQuality(std::atoi(argv[4]));
    encoder.SetVbr(std::atoi(argv[5]) != 0);
    if (!encoder.Open())
        return 4;
    FILE* pFile = std::fopen(argv[1], "wb");
    if (!pFile)
        return 5;

    const DWORD dwBlockFrames = encoder.InputBlockBytes() / 4;
    const long long nTotalFrames = static_cast<long long>(dSeconds * nRate + 0.5);
    std::vector<short> pcm(dwBlockFrames * 2);
    long long nDone = 0;
    bool bOk = true;
    while (bOk && nDone < nTotalFrames) {
        // The last block is padded with silence: a block is always consumed whole.
        for (DWORD i = 0; i < dwBlockFrames; ++i, ++nDone) {
            short nSample = 0;
            if (nDone < nTotalFrames)
                nSample = static_cast<short>(12000 * std::sin(2.0 * 3.14159265358979 * 1000.0 * nDone / nRate));
            pcm[2 * i] = pcm[2 * i + 1] = nSample;
        }
        bOk = encoder.EncodeBlock(pcm.data()) && WriteAll(pFile, encoder.OutputBuffer(), encoder.OutputSize());
    }
    encoder.End();
    bOk = bOk && WriteAll(pFile, encoder.OutputBuffer(), encoder.OutputSize());
    const long nBytes = std::ftell(pFile);
    std::fclose(pFile);
    std::printf("bitrate %lu max %lu avg %lu bytes %ld\n", encoder.Config().format.LHV1.dwBitrate,
                encoder.Config().format.LHV1.dwMaxBitrate, encoder.AvgBytesPerSec(), nBytes);
    return bOk ? 0 : 6;
}
